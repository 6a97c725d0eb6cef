// The item wrappers' base: opening, closing, saving, and text properties.
#include "mapi_object.h"

#include "KVPlatform/text.h"
#include "mapi_session.h"

namespace kv::internet {

using namespace kv::mail;

namespace {
// Streams move text in pieces of this size.
constexpr size_t kStreamPiece = 4096;
}  // namespace

CMAPIObject::CMAPIObject() = default;

CMAPIObject::~CMAPIObject() { CMAPIObject::Close(); }

std::shared_ptr<MapiProp> CMAPIObject::OpenEntry(CMAPISession* session, const EntryId& entryId,
                                                 uint32_t* objectType) {
  if (session == nullptr || session->GetMessageStore() == nullptr) return nullptr;
  std::shared_ptr<MapiProp> item;
  if (!session->GetMessageStore()
           ->OpenEntry(entryId, session->GetFolderFlags(), objectType, &item)
           .ok()) {
    return nullptr;
  }
  return item;
}

bool CMAPIObject::Open(CMAPISession* session, const EntryId& entryId) {
  Close();
  m_pMAPI = session;
  uint32_t type = 0;
  m_pItem = OpenEntry(session, entryId, &type);
  if (!m_pItem) return false;
  m_entryID = entryId;
  return true;
}

void CMAPIObject::Close() {
  m_entryID.clear();
  m_pItem.reset();
  m_pMAPI = nullptr;
}

void CMAPIObject::Attach(CMAPISession* session, std::shared_ptr<MapiProp> item) {
  m_pMAPI = session;
  m_pItem = std::move(item);
  RefreshEntryID();
}

void CMAPIObject::RefreshEntryID() {
  PropRow values;
  if (m_pItem && m_pItem->GetProps({kPrEntryId}, &values).ok() && !values[0].IsError())
    m_entryID = values[0].bytes;
}

bool CMAPIObject::Save(bool close) {
  if (!m_pItem || !m_pItem->SaveChanges(close ? 0 : kKeepOpenReadWrite).ok()) return false;
  RefreshEntryID();  // a new item has its id once saved
  return true;
}

bool CMAPIObject::GetPropertyString(PropTag tag, std::wstring& out, bool stream) {
  if (!m_pItem) return false;
  if (!stream) {
    PropRow values;
    if (!m_pItem->GetProps({tag}, &values).ok()) return false;
    const PropValue& value = values[0];
    if (!value.IsError()) {
      out = PropType(tag) == kPtString8 ? AnsiToWide(value.bytes) : value.text;
      return true;
    }
    if (value.number != kMapiENotEnoughMemory) return false;  // too long: read it as a stream
  }
  std::unique_ptr<PropStream> reader;
  if (!m_pItem->OpenPropertyStream(tag, false, &reader).ok()) return false;
  std::string utf8;
  char piece[kStreamPiece];
  for (size_t got = 0; reader->Read(piece, sizeof piece, &got).ok() && got > 0;)
    utf8.append(piece, got);
  out = AnsiToWide(utf8);
  return true;
}

bool CMAPIObject::SetPropertyString(PropTag tag, const wchar_t* text, bool stream) {
  if (!m_pItem || text == nullptr || *text == L'\0') return false;
  if (!stream) {
    return SetProperty(PropType(tag) == kPtString8 ? PropValue::String8(tag, WideToAnsi(text))
                                                   : PropValue::Unicode(tag, text));
  }
  std::unique_ptr<PropStream> writer;
  if (!m_pItem->OpenPropertyStream(tag, true, &writer).ok()) return false;
  const std::string utf8 = WideToAnsi(text);
  for (size_t at = 0; at < utf8.size(); at += kStreamPiece) {
    const size_t n = std::min(kStreamPiece, utf8.size() - at);
    if (!writer->Write(utf8.data() + at, n).ok()) return false;
  }
  return writer->Commit().ok();
}

bool CMAPIObject::SetProperty(const PropValue& value) {
  return m_pItem && m_pItem->SetProps({value}).ok();
}

}  // namespace kv::internet
