// The messaging session: start, log-on, the default store, the profile's name and the
// user's address, the Outbox.
#include "mapi_session.h"

#include "KVPlatform/text.h"
#include "mapi_folder.h"

namespace kv::internet {

using namespace kv::mail;

CMAPISession::CMAPISession() = default;

CMAPISession::~CMAPISession() {
  Logout();
  Uninitialize();
}

bool CMAPISession::Initialize(bool multiThreaded, bool ntService) {
  uint32_t flags = 0;
  if (multiThreaded) flags |= kMapiMultithreadNotifications;
  if (ntService) flags |= kMapiNtService;
  if (m_bInitialized) return true;
  m_bInitialized = MapiInitialize(flags).ok();
  return m_bInitialized;
}

void CMAPISession::Uninitialize() {
  if (!m_bInitialized) return;
  MapiUninitialize();
  m_bInitialized = false;
}

bool CMAPISession::Logon(const wchar_t* profile, bool service) {
  const uint32_t flags = service ? kMapiNewSession | kMapiExtended | kMapiUseDefault |
                                       kMapiExplicitProfile | kMapiNtService
                                 : kMapiNewSession | kMapiExtended | kMapiUseDefault;
  Logout();
  return MapiLogonEx(profile != nullptr ? profile : L"", flags, &m_pSession).ok();
}

void CMAPISession::Logout() {
  if (m_ulConnection != 0 && m_pMsgStore) (void)m_pMsgStore->Unadvise(m_ulConnection);
  m_ulConnection = 0;
  m_pCurrentFolder.reset();
  m_pMsgStore.reset();
  if (m_pSession) (void)m_pSession->Logoff();
  m_pSession.reset();
}

bool CMAPISession::OpenMessageStore(const wchar_t* name, uint32_t folderFlags) {
  m_ulFolderFlags = folderFlags;
  if (!m_pSession) return false;
  std::shared_ptr<Table> table;
  if (!m_pSession->GetMsgStoresTable(&table).ok()) return false;
  if (!table->SetColumns({kPrDisplayName, kPrEntryId, kPrDefaultStore}).ok()) return false;
  std::vector<PropRow> rows;
  while (table->QueryRows(1, &rows).ok() && rows.size() == 1) {
    const PropRow& row = rows[0];
    const bool chosen = name != nullptr
                            ? !row[0].IsError() && row[0].text.find(name) != std::wstring::npos
                            : !row[2].IsError() && row[2].number != 0;
    if (!chosen || row[1].IsError()) continue;
    m_pMsgStore.reset();
    return m_pSession->OpenMsgStore(row[1].bytes, kMdbNoDialog | kMapiBestAccess, &m_pMsgStore)
        .ok();
  }
  return false;
}

bool CMAPISession::GetProfileName(std::wstring& name) {
  if (!m_pSession) return false;
  std::shared_ptr<Table> table;
  if (!m_pSession->GetStatusTable(&table).ok()) return false;
  if (!table->SetColumns({kPrDisplayNameA, kPrResourceType}).ok()) return false;
  std::vector<PropRow> rows;
  while (table->QueryRows(1, &rows).ok() && rows.size() == 1) {
    if (!rows[0][1].IsError() && rows[0][1].number == kMapiSubsystem && !rows[0][0].IsError()) {
      name = AnsiToWide(rows[0][0].bytes);
      return true;
    }
  }
  return false;
}

bool CMAPISession::GetProfileEmail(std::wstring& address) {
  if (!m_pSession) return false;
  EntryId identity;
  std::shared_ptr<AddrBook> book;
  if (!m_pSession->QueryIdentity(&identity).ok() ||
      !m_pSession->OpenAddressBook(kAbNoDialog, &book).ok()) {
    return false;
  }
  uint32_t type = 0;
  std::shared_ptr<MapiProp> entry;
  if (!book->OpenEntry(identity, kMapiBestAccess, &type, &entry).ok() || type != kMapiMailUser)
    return false;
  PropRow values;
  if (!entry->GetProps({kPrSmtpAddress, kPrEmailAddress}, &values).ok()) return false;
  for (const PropValue& value : values) {
    if (!value.IsError() && !value.text.empty()) {
      address = value.text;
      return true;
    }
  }
  return false;
}

CMAPIFolder* CMAPISession::OpenOutbox(bool makeCurrent) {
  if (!m_pMsgStore) return nullptr;
  PropRow values;
  if (!m_pMsgStore->GetProps({kPrIpmOutboxEntryId}, &values).ok() || values[0].IsError())
    return nullptr;
  uint32_t type = 0;
  std::shared_ptr<MapiProp> object;
  if (!m_pMsgStore->OpenEntry(values[0].bytes, m_ulFolderFlags, &type, &object).ok() ||
      type != kMapiFolder) {
    return nullptr;
  }
  auto folder = std::make_unique<CMAPIFolder>(this, std::static_pointer_cast<Folder>(object), true);
  if (!makeCurrent) return folder.release();
  m_pCurrentFolder = std::move(folder);
  return m_pCurrentFolder.get();
}

}  // namespace kv::internet
