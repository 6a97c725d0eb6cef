// The messaging service: mail profiles, a message store of Maildir folders, an address
// book that knows the user, and SMTP submission. It has the shape of the messaging
// interface the system was written against (a session on a profile, store and status
// tables, folders, messages with properties, recipients and attachments, a transport
// behind SubmitMessage), so that thin wrappers over it keep their logic.
//
// Profiles live in the registry, one key per profile (text values unless said):
//
//   HKEY_CURRENT_USER\Software\Kestrel\Mail           "Default Profile" = profile name
//   HKEY_CURRENT_USER\Software\Kestrel\Mail\Profiles\<name>
//       "Email Address"  the user's address: ann@example.com
//       "SMTP URL"       submission server: smtp://mail.example.com:587 (STARTTLS) or
//                        smtps://mail.example.com:465 (TLS from the start)
//       "Display Name"   optional: the profile's name as the session shows it (default:
//                        the key's name)
//       "Netrc File"     optional: the host path of the file holding the password
//                        (default ~/.netrc); passwords are never read from the registry
//       "Require TLS"    optional DWORD: 1 requires STARTTLS on a loopback server too
//
// Without "Default Profile" the only profile, if there is exactly one, is the default.
// STARTTLS is required for every server but one on the loopback address (127.x.x.x,
// ::1, localhost), where the connection stays plain unless "Require TLS" says so.
//
// The store of a profile is <root>/mail/<profile>/ with the Maildir folders "Outbox"
// and "Sent Items" (each with tmp/, new/ and cur/). A message is one RFC 5322 file with
// CR LF line ends, built and read with GMime: UTF-8 text, headers encoded as RFC 2047
// requires, attachments in base64 with their MIME type. Properties with no header of
// their own travel in "X-Kestrel-Property" headers, which are never sent.
//
// SubmitMessage writes the message to its folder, sends it over SMTP (libcurl, bounded
// in time) and then files it in the folder its kPrSentMailEntryId names, or deletes it
// when kPrDeleteAfterSubmit is set. A message that could not be sent stays in the
// Outbox and the submit fails; the reason is appended to <store>/transport.log.
//
// Every call runs on the caller's thread; objects are not shared between threads.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/export.h"
#include "KVPlatform/mail_props.h"
#include "KVPlatform/status.h"

namespace kv::mail {

// Initialisation flags (accepted; the service starts no threads of its own).
inline constexpr uint32_t kMapiMultithreadNotifications = 0x1;
inline constexpr uint32_t kMapiNtService = 0x10000;
// Logon flags.
inline constexpr uint32_t kMapiExplicitProfile = 0x10;
inline constexpr uint32_t kMapiNewSession = 0x2;
inline constexpr uint32_t kMapiExtended = 0x20;
inline constexpr uint32_t kMapiUseDefault = 0x40;
// Open flags of stores, folders and entries (accepted; every open allows changes
// where the object has any).
inline constexpr uint32_t kMdbNoDialog = 0x1;
inline constexpr uint32_t kMapiModify = 0x1;
inline constexpr uint32_t kMapiBestAccess = 0x10;
inline constexpr uint32_t kMapiNoCache = 0x200;
inline constexpr uint32_t kAbNoDialog = 0x1;
// ModifyRecipients flags.
inline constexpr uint32_t kModRecipAdd = 0x2;
// Store notifications (Advise).
inline constexpr uint32_t kFnevObjectCreated = 0x4;
inline constexpr uint32_t kFnevObjectDeleted = 0x8;
inline constexpr uint32_t kFnevObjectMoved = 0x20;

// The registry key of the mail profiles (under HKEY_CURRENT_USER).
inline constexpr std::wstring_view kMailKey = L"Software\\Kestrel\\Mail";

class Message;

class KV_EXPORT Folder : public MapiProp {
 public:
  ~Folder() override;
  // A new message in this folder; it is written there by SaveChanges or SubmitMessage.
  virtual Status CreateMessage(std::shared_ptr<Message>* message) = 0;
  // The messages stored in the folder: kPrEntryId, kPrSubject, kPrSenderName,
  // kPrMessageFlags, kPrMessageSize, kPrClientSubmitTime.
  virtual Status GetContentsTable(std::shared_ptr<Table>* table) = 0;
  // The folders below this one (kPrEntryId, kPrDisplayName, kPrContentCount); the
  // store's root folder lists them all.
  virtual Status GetHierarchyTable(std::shared_ptr<Table>* table) = 0;
};

class KV_EXPORT Message : public MapiProp {
 public:
  ~Message() override;
  // Adds recipients (flags kModRecipAdd). Each row carries kPrRecipientType and the
  // address properties of a resolved entry (kPrDisplayName, kPrAddrType,
  // kPrEmailAddress); a row without kPrRecipientType fails with kMapiEInvalidParameter.
  virtual Status ModifyRecipients(uint32_t flags, const std::vector<PropRow>& recipients) = 0;
  // The recipients, one row each.
  virtual Status GetRecipientTable(std::shared_ptr<Table>* table) = 0;
  // The saved attachments, one row each with their properties but not their data.
  virtual Status GetAttachmentTable(std::shared_ptr<Table>* table) = 0;
  // A new attachment; it becomes part of the message when its SaveChanges succeeds
  // (until then, or when it is dropped, the message has no trace of it).
  virtual Status CreateAttach(uint32_t* number, std::shared_ptr<MapiProp>* attach) = 0;
  // Saves the message and sends it (see the top of this file). Fails with
  // kMapiENoRecipients when it has no recipient, kMapiEInvalidParameter when a
  // recipient or the sender is not a usable SMTP address, kMapiENetworkError when the
  // server could not be reached or refused the message. Afterwards the object is spent.
  virtual Status SubmitMessage(uint32_t flags) = 0;
  // Why the last call failed, in words (empty when it did not); the transport's reason
  // for a failed submit.
  virtual std::string LastErrorText() const = 0;
};

// What a store notification tells.
struct Notification {
  uint32_t event = 0;  // kFnevObjectCreated, kFnevObjectDeleted, kFnevObjectMoved
  EntryId entryId;     // the message (its new id after a move)
  EntryId parentId;    // the folder that holds it (held it, for a deletion)
};
using NotificationSink = std::function<void(const Notification&)>;

class KV_EXPORT MsgStore : public MapiProp {
 public:
  ~MsgStore() override;
  // Opens a folder or a message of this store; an empty id opens the root folder.
  // kMapiENotFound when it does not exist, kMapiEInvalidEntryId for an id of
  // another kind or store.
  virtual Status OpenEntry(const EntryId& id, uint32_t flags, uint32_t* objectType,
                           std::shared_ptr<MapiProp>* object) = 0;
  // Registers `sink` for the events in `eventMask` on messages of this store (made
  // through this store object); `*connection` is never 0.
  virtual Status Advise(uint32_t eventMask, NotificationSink sink, uint32_t* connection) = 0;
  virtual Status Unadvise(uint32_t connection) = 0;
};

class KV_EXPORT AddrBook {
 public:
  virtual ~AddrBook();
  // Opens an address entry: the user's identity or a one-off entry, as a mail user
  // (object type kMapiMailUser) with kPrDisplayName, kPrAddrType, kPrEmailAddress and,
  // for SMTP addresses, kPrSmtpAddress. An identity without an address has no address
  // properties.
  virtual Status OpenEntry(const EntryId& id, uint32_t flags, uint32_t* objectType,
                           std::shared_ptr<MapiProp>* entry) = 0;
  // An entry id standing for (name, address type, address) without an address-book
  // entry. Text holding a line break or a zero fails with kMapiEInvalidParameter.
  virtual Status CreateOneOff(std::wstring_view name, std::wstring_view addressType,
                              std::wstring_view address, uint32_t flags, EntryId* id) = 0;
  // Resolves each row's kPrDisplayName ("ann@example.com" or "Ann Smith
  // <ann@example.com>"; kPrAddrType, when present, must be "SMTP") into a resolved
  // entry: kPrDisplayName, kPrAddrType "SMTP", kPrEmailAddress, kPrEntryId (one-off),
  // other properties of the row kept. kMapiENotFound, leaving every row as it was,
  // when some row does not hold exactly one valid address.
  virtual Status ResolveName(uint32_t flags, std::vector<PropRow>* rows) = 0;
};

class KV_EXPORT Session {
 public:
  virtual ~Session();
  // The profile's stores (one): kPrDisplayName, kPrEntryId, kPrDefaultStore.
  virtual Status GetMsgStoresTable(std::shared_ptr<Table>* table) = 0;
  virtual Status OpenMsgStore(const EntryId& id, uint32_t flags,
                              std::shared_ptr<MsgStore>* store) = 0;
  // The status of the session's parts: one row each for the store, the transport and
  // the subsystem (kPrResourceType kMapiSubsystem, whose kPrDisplayName is the
  // profile's display name), with kPrDisplayName, kPrResourceType, kPrProviderDisplay.
  virtual Status GetStatusTable(std::shared_ptr<Table>* table) = 0;
  // The address-book entry id of the user.
  virtual Status QueryIdentity(EntryId* id) = 0;
  virtual Status OpenAddressBook(uint32_t flags, std::shared_ptr<AddrBook>* book) = 0;
  // Ends the session; objects opened through it keep working until released.
  virtual Status Logoff() = 0;
};

// Starts the service for the process (counted: each success needs one
// MapiUninitialize). Fails with kMapiECallFailed when GMime or libcurl cannot start.
KV_EXPORT Status MapiInitialize(uint32_t flags);
KV_EXPORT void MapiUninitialize();

// Opens a session on a profile: `profile` names it, or, when empty and `flags` holds
// kMapiUseDefault, the default profile is used. kMapiENotInitialized before
// MapiInitialize; kMapiELogonFailed when there is no such profile, when it has no
// "SMTP URL" or one that is not smtp:// or smtps://, or when its name cannot be a
// folder name ("", ".", "..", or holding "/").
KV_EXPORT Status MapiLogonEx(std::wstring_view profile, uint32_t flags,
                             std::shared_ptr<Session>* session);

}  // namespace kv::mail
