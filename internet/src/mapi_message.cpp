// A message wrapper: creating, filling, attaching files, sending.
#include "mapi_message.h"

#include <string_view>

#include "KVPlatform/file_handle.h"
#include "mapi_folder.h"
#include "mapi_session.h"

namespace kv::internet {

using namespace kv::mail;

namespace {

// Attachments are copied in pieces of this size.
constexpr size_t kAttachmentPiece = 4096;
constexpr std::wstring_view kContactPicture = L"ContactPicture.jpg";

// The part of a path after its last backslash or slash (the whole path without one).
std::wstring FileNameOf(std::wstring_view path) {
  const size_t separator = path.find_last_of(L"\\/");
  return std::wstring(separator == std::wstring_view::npos ? path : path.substr(separator + 1));
}

}  // namespace

CMAPIMessage::CMAPIMessage() = default;

CMAPIMessage::~CMAPIMessage() { CMAPIMessage::Close(); }

bool CMAPIMessage::Open(CMAPISession* session, const EntryId& entryId) {
  if (!CMAPIObject::Open(session, entryId)) return false;
  if (m_pItem->ObjectType() != kMapiMessage) {
    Close();
    return false;
  }
  m_pMessage = std::static_pointer_cast<Message>(m_pItem);
  GetPropertyString(kPrSenderName, m_strSenderName);
  GetPropertyString(kPrSenderEmailAddress, m_strSenderEmail);
  GetPropertyString(kPrSubject, m_strSubject);
  GetPropertyString(kPrBody, m_strBody);
  GetPropertyString(kPrInternetMessageId, m_strMessageID);
  return true;
}

void CMAPIMessage::Close() {
  m_pMessage.reset();
  CMAPIObject::Close();
}

bool CMAPIMessage::Create(CMAPISession* session, int importance, bool saveToSentItems,
                          CMAPIFolder* folder) {
  Close();
  if (session == nullptr) return false;
  if (folder == nullptr) folder = session->GetCurrentFolder();
  if (folder == nullptr) folder = session->OpenOutbox(true);
  if (folder == nullptr || folder->GetFolder() == nullptr) return false;
  std::shared_ptr<Message> message;
  if (!folder->GetFolder()->CreateMessage(&message).ok()) return false;
  m_pMessage = message;
  Attach(session, std::move(message));
  SetProperty(PropValue::Long(kPrMessageFlags, kMsgFlagUnsent | kMsgFlagFromMe));
  PropRow values;
  if (session->GetMessageStore()->GetProps({kPrIpmSentMailEntryId}, &values).ok() &&
      !values[0].IsError()) {
    SetProperty(saveToSentItems ? PropValue::Binary(kPrSentMailEntryId, values[0].bytes)
                                : PropValue::Bool(kPrDeleteAfterSubmit, true));
  }
  if (importance != kImportanceNormal) SetProperty(PropValue::Long(kPrImportance, importance));
  return true;
}

bool CMAPIMessage::SetSubject(const wchar_t* subject) {
  if (!SetPropertyString(kPrSubject, subject)) return false;
  m_strSubject = subject;
  return true;
}

bool CMAPIMessage::SetBody(const wchar_t* body) {
  if (!SetPropertyString(kPrBody, body, true)) return false;
  m_strBody = body;
  return SetProperty(PropValue::Long(kPrMsgEditorFormat, kEditorFormatPlainText));
}

bool CMAPIMessage::SetSender(const wchar_t* name, const wchar_t* address,
                             const wchar_t* addressType) {
  if (m_pMAPI == nullptr || m_pMAPI->GetSession() == nullptr || addressType == nullptr)
    return false;
  if (!SetPropertyString(kPrSenderName, name) || !SetPropertyString(kPrSenderEmailAddress, address))
    return false;
  m_strSenderName = name;
  m_strSenderEmail = address;
  std::shared_ptr<AddrBook> book;
  EntryId oneOff;
  if (!m_pMAPI->GetSession()->OpenAddressBook(kAbNoDialog, &book).ok() ||
      !book->CreateOneOff(name, addressType, address, 0, &oneOff).ok()) {
    return false;
  }
  return SetProperty(PropValue::Binary(kPrSentRepresentingEntryId, oneOff)) &&
         SetPropertyString(kPrSentRepresentingName, name) &&
         SetPropertyString(kPrSentRepresentingEmailAddress, address) &&
         SetPropertyString(kPrSentRepresentingAddrType, addressType);
}

bool CMAPIMessage::AddRecipient(const wchar_t* address, uint32_t type, const wchar_t* addressType) {
  if (!m_pMessage || m_pMAPI == nullptr || m_pMAPI->GetSession() == nullptr || address == nullptr)
    return false;
  std::shared_ptr<AddrBook> book;
  if (!m_pMAPI->GetSession()->OpenAddressBook(kAbNoDialog, &book).ok()) return false;
  std::vector<PropRow> list = {{PropValue::Long(kPrRecipientType, static_cast<int32_t>(type)),
                                PropValue::Unicode(kPrDisplayName, address)}};
  if (addressType != nullptr) list[0].push_back(PropValue::Unicode(kPrAddrType, addressType));
  if (!book->ResolveName(0, &list).ok()) return false;
  return m_pMessage->ModifyRecipients(kModRecipAdd, list).ok();
}

bool CMAPIMessage::AddAttachment(const wchar_t* path, const wchar_t* name,
                                 const wchar_t* contentId) {
  if (!m_pMessage || path == nullptr) return false;
  FileHandle file;
  if (!FileHandle::OpenForReading(path, &file).ok()) return false;
  const std::wstring attachmentName = name != nullptr ? std::wstring(name) : FileNameOf(path);
  uint32_t number = 0;
  std::shared_ptr<MapiProp> attach;
  if (!m_pMessage->CreateAttach(&number, &attach).ok()) return false;
  PropRow values = {PropValue::Long(kPrAttachMethod, kAttachByValue),
                    PropValue::Long(kPrRenderingPosition, -1),
                    PropValue::Unicode(kPrAttachLongFilename, attachmentName),
                    PropValue::Unicode(kPrAttachFilename, attachmentName)};
  if (contentId != nullptr) {
    values.push_back(attachmentName == kContactPicture
                         ? PropValue::Bool(kPrAttachmentContactPhoto, true)
                         : PropValue::Unicode(kPrAttachContentId, contentId));
  }
  if (!attach->SetProps(values).ok()) return false;
  std::unique_ptr<PropStream> stream;
  if (!attach->OpenPropertyStream(kPrAttachDataBin, true, &stream).ok()) return false;
  // A read that fails part-way drops the attachment: it is never saved, so the
  // message carries no truncated or empty copy of the file.
  char piece[kAttachmentPiece];
  uint64_t total = 0;
  for (;;) {
    size_t got = 0;
    if (!file.Read(piece, sizeof piece, &got).ok()) return false;
    if (got == 0) break;
    if (!stream->Write(piece, got).ok()) return false;
    total += got;
  }
  if (!stream->Commit().ok()) return false;
  if (total > INT32_MAX) return false;
  if (!attach->SetProps({PropValue::Long(kPrAttachSize, static_cast<int32_t>(total))}).ok())
    return false;
  return attach->SaveChanges(0).ok();
}

bool CMAPIMessage::Send() {
  if (!m_pMessage) return false;
  if (!m_pMessage->SubmitMessage(0).ok()) {
    RefreshEntryID();  // saved in its folder even so
    return false;
  }
  Close();
  return true;
}

std::string CMAPIMessage::GetLastError() const {
  return m_pMessage ? m_pMessage->LastErrorText() : std::string();
}

}  // namespace kv::internet
