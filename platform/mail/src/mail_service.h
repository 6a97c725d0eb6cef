// What the objects of one opened store share, and the makers of those objects.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "KVPlatform/mail.h"
#include "mail_profile.h"
#include "maildir.h"
#include "mime_message.h"

namespace kv::mail {

struct StoreContext {
  explicit StoreContext(Profile p) : profile(std::move(p)), maildir(profile.name) {}

  Profile profile;
  Maildir maildir;
  std::map<uint32_t, std::pair<uint32_t, NotificationSink>> sinks;  // connection => mask, sink
  uint32_t nextConnection = 1;

  EntryId StoreId() const;
  EntryId FolderId(std::string_view folder) const;
  EntryId MessageId(std::string_view folder, std::string_view unique) const;
  // The folder a folder id of this store names; false for other ids.
  bool FolderOf(const EntryId& id, std::string* folder) const;
  void Notify(uint32_t event, const EntryId& entry, const EntryId& parent);
};

std::shared_ptr<MsgStore> MakeStore(std::shared_ptr<StoreContext> context);
// A folder of the store; an empty name is the root folder, which holds no messages.
std::shared_ptr<Folder> MakeFolder(std::shared_ptr<StoreContext> context,
                                   const std::string& folder);
std::shared_ptr<Message> MakeNewMessage(std::shared_ptr<StoreContext> context,
                                        const std::string& folder);
// Opens a stored message. Fails with the Win32 code (2) when it is not there, with
// kMapiECallFailed when it cannot be read as a message.
Status OpenStoredMessage(std::shared_ptr<StoreContext> context, const std::string& folder,
                         const std::string& unique, std::shared_ptr<Message>* message);
// Properties read from a stored file (the head of it for tables), with the flags its
// Maildir name gives applied.
bool ReadStoredProperties(const Maildir::Entry& entry, std::string_view text, PropertyBag* props,
                          MessageParts* parts);

}  // namespace kv::mail
