// A message being composed in (or opened from) a folder: subject, body, sender,
// recipients, attachments, and its submission.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mapi_object.h"

namespace kv::internet {

class CMAPIFolder;

class CMAPIMessage : public CMAPIObject {
 public:
  CMAPIMessage();
  ~CMAPIMessage() override;

  // Opens a stored message and loads its sender, subject, body and message id.
  bool Open(CMAPISession* session, const kv::mail::EntryId& entryId) override;
  // Releases the message interface first.
  void Close() override;

  // Creates a message in `folder`, else the session's current folder, else the Outbox
  // opened as current; marks it unsent and from the user; files it in Sent Items after
  // sending (or has it deleted when `saveToSentItems` is false) when the store has Sent
  // Items; sets the importance unless it is normal (1).
  bool Create(CMAPISession* session, int importance = kv::mail::kImportanceNormal,
              bool saveToSentItems = true, CMAPIFolder* folder = nullptr);
  bool SetSubject(const wchar_t* subject);
  // The body through a stream, then the plain-text editor format.
  bool SetBody(const wchar_t* body);
  // Sender name and address, and the sent-representing entry (a one-off entry id).
  bool SetSender(const wchar_t* name, const wchar_t* address, const wchar_t* addressType = L"SMTP");
  // Resolves `address` through the address book and adds it with the recipient type.
  bool AddRecipient(const wchar_t* address, uint32_t type = kv::mail::kMapiTo,
                    const wchar_t* addressType = nullptr);
  // Attaches a file by value, copied in 4,096-byte pieces. The name is `name`, else the
  // part of `path` after its last backslash or slash. A content id marks the part for
  // inline use, except with the name "ContactPicture.jpg", which makes it the contact
  // photo instead. False, with nothing attached, when the file cannot be opened or read.
  bool AddAttachment(const wchar_t* path, const wchar_t* name = nullptr,
                     const wchar_t* contentId = nullptr);
  // Submits the message; on success the wrapper is closed.
  bool Send();

  const std::wstring& GetSenderName() const { return m_strSenderName; }
  const std::wstring& GetSenderEmail() const { return m_strSenderEmail; }
  const std::wstring& GetSubject() const { return m_strSubject; }
  const std::wstring& GetBody() const { return m_strBody; }
  const std::wstring& GetMessageID() const { return m_strMessageID; }
  // Why the last submission failed, in the transport's words.
  std::string GetLastError() const;

 private:
  std::wstring m_strSenderName;
  std::wstring m_strSenderEmail;
  std::wstring m_strSubject;
  std::wstring m_strBody;
  std::wstring m_strMessageID;
  std::shared_ptr<kv::mail::Message> m_pMessage;  // the item's message interface
};

}  // namespace kv::internet
