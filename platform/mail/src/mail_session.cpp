// The service's start and stop, sessions on profiles, and the address book.
#include <curl/curl.h>

#include <mutex>

#include "KVPlatform/text.h"
#include "entry_id.h"
#include "mail_service.h"
#include "mime_message.h"
#include "property_bag.h"
#include "row_table.h"
#include "smtp_address.h"

namespace kv::mail {

namespace {

std::mutex initMutex;
int initCount = 0;

bool HasZero(std::wstring_view text) { return text.find(L'\0') != std::wstring_view::npos; }

// A mail user: the identity or a one-off entry.
std::shared_ptr<MapiProp> MakeMailUser(const EntryId& id, std::wstring_view name,
                                       std::wstring_view addressType, std::wstring_view address) {
  auto user = std::make_shared<PropObject>(kMapiMailUser, true);
  PropertyBag& bag = user->bag();
  bag.Put(PropValue::Binary(kPrEntryId, id));
  bag.Put(PropValue::Long(kPrObjectType, kMapiMailUser));
  bag.Put(PropValue::Unicode(kPrDisplayName, name.empty() ? address : name));
  if (!address.empty()) {
    bag.Put(PropValue::Unicode(kPrAddrType, addressType));
    bag.Put(PropValue::Unicode(kPrEmailAddress, address));
    if (addressType == L"SMTP") bag.Put(PropValue::Unicode(kPrSmtpAddress, address));
  }
  return user;
}

class AddrBookImpl : public AddrBook {
 public:
  explicit AddrBookImpl(Profile profile) : profile_(std::move(profile)) {}

  Status OpenEntry(const EntryId& id, uint32_t, uint32_t* objectType,
                   std::shared_ptr<MapiProp>* entry) override {
    std::vector<std::string> fields;
    if (ParseEntryId(id, EntryKind::kUser, 1, &fields)) {
      if (AnsiToWide(fields[0]) != profile_.name) return Status(kMapiENotFound);
      *entry =
          MakeMailUser(id, AnsiToWide(profile_.address), L"SMTP", AnsiToWide(profile_.address));
    } else if (ParseEntryId(id, EntryKind::kOneOff, 3, &fields)) {
      *entry =
          MakeMailUser(id, AnsiToWide(fields[2]), AnsiToWide(fields[0]), AnsiToWide(fields[1]));
    } else {
      return Status(kMapiEInvalidEntryId);
    }
    *objectType = kMapiMailUser;
    return Status::Ok();
  }

  Status CreateOneOff(std::wstring_view name, std::wstring_view addressType,
                      std::wstring_view address, uint32_t, EntryId* id) override {
    for (std::wstring_view text : {name, addressType, address}) {
      if (HasZero(text) || text.find_first_of(L"\r\n") != std::wstring_view::npos) {
        return Status(kMapiEInvalidParameter);
      }
    }
    if (addressType.empty() || address.empty()) return Status(kMapiEInvalidParameter);
    *id = OneOffEntryId(name, addressType, address);
    return Status::Ok();
  }

  Status ResolveName(uint32_t, std::vector<PropRow>* rows) override {
    std::vector<PropRow> resolved;
    for (const PropRow& row : *rows) {
      const PropValue* display = FindProp(row, ChangePropType(kPrDisplayName, kPtUnspecified));
      const PropValue* addressType = FindProp(row, kPrAddrType);
      if (display == nullptr || (addressType != nullptr && addressType->text != L"SMTP")) {
        return Status(kMapiENotFound);
      }
      const std::wstring text =
          PropType(display->tag) == kPtUnicode ? display->text : AnsiToWide(display->bytes);
      std::wstring name;
      std::string address;
      if (!ParseMailbox(text, &name, &address)) return Status(kMapiENotFound);
      const std::wstring wideAddress = AnsiToWide(address);
      if (name.empty()) name = wideAddress;
      PropRow out;
      for (const PropValue& value : row) {
        const uint32_t id = PropId(value.tag);
        if (id != PropId(kPrDisplayName) && id != PropId(kPrAddrType) &&
            id != PropId(kPrEmailAddress) && id != PropId(kPrEntryId)) {
          out.push_back(value);
        }
      }
      out.push_back(PropValue::Unicode(kPrDisplayName, name));
      out.push_back(PropValue::Unicode(kPrAddrType, L"SMTP"));
      out.push_back(PropValue::Unicode(kPrEmailAddress, wideAddress));
      out.push_back(PropValue::Binary(kPrEntryId, OneOffEntryId(name, L"SMTP", wideAddress)));
      resolved.push_back(std::move(out));
    }
    *rows = std::move(resolved);
    return Status::Ok();
  }

 private:
  Profile profile_;
};

class SessionImpl : public Session {
 public:
  explicit SessionImpl(Profile profile) : profile_(std::move(profile)) {}

  Status GetMsgStoresTable(std::shared_ptr<Table>* table) override {
    if (ended_) return Status(kMapiECallFailed);
    const StoreContext context(profile_);
    *table = std::make_shared<RowTable>(
        std::vector<PropRow>{{PropValue::Unicode(kPrDisplayName, L"Personal Folders"),
                              PropValue::Binary(kPrEntryId, context.StoreId()),
                              PropValue::Bool(kPrDefaultStore, true)}});
    return Status::Ok();
  }

  Status OpenMsgStore(const EntryId& id, uint32_t, std::shared_ptr<MsgStore>* store) override {
    if (ended_) return Status(kMapiECallFailed);
    auto context = std::make_shared<StoreContext>(profile_);
    if (id != context->StoreId()) return Status(kMapiEInvalidEntryId);
    if (!context->maildir.Create().ok()) return Status(kMapiEDiskError);
    *store = MakeStore(std::move(context));
    return Status::Ok();
  }

  Status GetStatusTable(std::shared_ptr<Table>* table) override {
    if (ended_) return Status(kMapiECallFailed);
    *table = std::make_shared<RowTable>(
        std::vector<PropRow>{{PropValue::Unicode(kPrDisplayName, L"Personal Folders"),
                              PropValue::Long(kPrResourceType, kMapiStoreProvider),
                              PropValue::Unicode(kPrProviderDisplay, L"Maildir")},
                             {PropValue::Unicode(kPrDisplayName, AnsiToWide(profile_.smtpUrl)),
                              PropValue::Long(kPrResourceType, kMapiTransportProvider),
                              PropValue::Unicode(kPrProviderDisplay, L"SMTP")},
                             {PropValue::Unicode(kPrDisplayName, profile_.displayName),
                              PropValue::Long(kPrResourceType, kMapiSubsystem),
                              PropValue::Unicode(kPrProviderDisplay, L"Kestrel Mail")}});
    return Status::Ok();
  }

  Status QueryIdentity(EntryId* id) override {
    if (ended_) return Status(kMapiECallFailed);
    *id = MakeEntryId(EntryKind::kUser, {WideToAnsi(profile_.name)});
    return Status::Ok();
  }

  Status OpenAddressBook(uint32_t, std::shared_ptr<AddrBook>* book) override {
    if (ended_) return Status(kMapiECallFailed);
    *book = std::make_shared<AddrBookImpl>(profile_);
    return Status::Ok();
  }

  Status Logoff() override {
    ended_ = true;
    return Status::Ok();
  }

 private:
  Profile profile_;
  bool ended_ = false;
};

}  // namespace

Status MapiInitialize(uint32_t) {
  std::lock_guard<std::mutex> lock(initMutex);
  if (initCount == 0) {
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] { started = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    if (!started) return Status(kMapiECallFailed);
    EnsureMimeStarted();
  }
  ++initCount;
  return Status::Ok();
}

void MapiUninitialize() {
  std::lock_guard<std::mutex> lock(initMutex);
  if (initCount > 0) --initCount;
}

Status MapiLogonEx(std::wstring_view profile, uint32_t flags, std::shared_ptr<Session>* session) {
  {
    std::lock_guard<std::mutex> lock(initMutex);
    if (initCount == 0) return Status(kMapiENotInitialized);
  }
  if (profile.empty() && (flags & kMapiUseDefault) == 0) return Status(kMapiELogonFailed);
  Profile loaded;
  if (Status s = LoadProfile(profile, &loaded); !s.ok()) return s;
  *session = std::make_shared<SessionImpl>(std::move(loaded));
  return Status::Ok();
}

}  // namespace kv::mail
