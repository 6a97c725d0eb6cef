// The message store of a profile and its folders.
#include <algorithm>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "entry_id.h"
#include "mail_service.h"
#include "mime_message.h"
#include "property_bag.h"
#include "row_table.h"

namespace kv::mail {

namespace {

// The head of a message file that tables read: enough for its headers.
constexpr size_t kHeadBytes = 64 * 1024;

constexpr std::wstring_view kStoreName = L"Personal Folders";

class FolderImpl : public PropObjectOf<Folder> {
 public:
  FolderImpl(std::shared_ptr<StoreContext> context, std::string folder)
      : PropObjectOf<Folder>(kMapiFolder, true),
        context_(std::move(context)),
        folder_(std::move(folder)) {
    bag_->Put(PropValue::Binary(kPrEntryId, context_->FolderId(folder_)));
    bag_->Put(PropValue::Long(kPrObjectType, kMapiFolder));
    bag_->Put(PropValue::Unicode(kPrDisplayName,
                                 folder_.empty() ? std::wstring(kStoreName) : AnsiToWide(folder_)));
    bag_->Put(PropValue::Long(
        kPrContentCount,
        folder_.empty() ? 0 : static_cast<int32_t>(context_->maildir.List(folder_).size())));
  }

  Status CreateMessage(std::shared_ptr<Message>* message) override {
    if (folder_.empty()) return Status(kMapiENoSupport);
    *message = MakeNewMessage(context_, folder_);
    return Status::Ok();
  }

  Status GetContentsTable(std::shared_ptr<Table>* table) override {
    std::vector<PropRow> rows;
    if (!folder_.empty()) {
      for (const Maildir::Entry& entry : context_->maildir.List(folder_)) {
        std::string head;
        if (!ReadFileHead(AnsiToWide(entry.file.string()), kHeadBytes, &head).ok()) continue;
        PropertyBag props;
        MessageParts parts;
        if (!ReadStoredProperties(entry, head, &props, &parts)) continue;
        PropRow row = props.Get({kPrSubject, kPrSenderName, kPrMessageFlags, kPrClientSubmitTime});
        row.erase(
            std::remove_if(row.begin(), row.end(), [](const PropValue& v) { return v.IsError(); }),
            row.end());
        row.push_back(PropValue::Binary(kPrEntryId, context_->MessageId(folder_, entry.unique)));
        row.push_back(PropValue::Long(
            kPrMessageSize, static_cast<int32_t>(std::min<uint64_t>(entry.size, INT32_MAX))));
        rows.push_back(std::move(row));
      }
    }
    *table = std::make_shared<RowTable>(std::move(rows));
    return Status::Ok();
  }

  Status GetHierarchyTable(std::shared_ptr<Table>* table) override {
    std::vector<PropRow> rows;
    if (folder_.empty()) {
      for (const std::string& name : Maildir::FolderNames()) {
        rows.push_back(
            {PropValue::Binary(kPrEntryId, context_->FolderId(name)),
             PropValue::Unicode(kPrDisplayName, AnsiToWide(name)),
             PropValue::Long(kPrContentCount,
                             static_cast<int32_t>(context_->maildir.List(name).size()))});
      }
    }
    *table = std::make_shared<RowTable>(std::move(rows));
    return Status::Ok();
  }

 private:
  std::shared_ptr<StoreContext> context_;
  std::string folder_;
};

class StoreImpl : public PropObjectOf<MsgStore> {
 public:
  explicit StoreImpl(std::shared_ptr<StoreContext> context)
      : PropObjectOf<MsgStore>(kMapiStore, true), context_(std::move(context)) {
    bag_->Put(PropValue::Binary(kPrEntryId, context_->StoreId()));
    bag_->Put(PropValue::Long(kPrObjectType, kMapiStore));
    bag_->Put(PropValue::Unicode(kPrDisplayName, kStoreName));
    bag_->Put(PropValue::Binary(kPrIpmSubtreeEntryId, context_->FolderId("")));
    bag_->Put(PropValue::Binary(kPrIpmOutboxEntryId, context_->FolderId(kOutbox)));
    bag_->Put(PropValue::Binary(kPrIpmSentMailEntryId, context_->FolderId(kSentItems)));
  }

  Status OpenEntry(const EntryId& id, uint32_t, uint32_t* objectType,
                   std::shared_ptr<MapiProp>* object) override {
    std::string folder;
    std::vector<std::string> fields;
    if (id.empty() || context_->FolderOf(id, &folder)) {
      *object = MakeFolder(context_, folder);
      *objectType = kMapiFolder;
      return Status::Ok();
    }
    if (ParseEntryId(id, EntryKind::kMessage, 3, &fields)) {
      if (AnsiToWide(fields[0]) != context_->profile.name || !Maildir::IsFolderName(fields[1])) {
        return Status(kMapiEInvalidEntryId);
      }
      std::shared_ptr<Message> message;
      if (Status s = OpenStoredMessage(context_, fields[1], fields[2], &message); !s.ok()) {
        return Status(s.code() == kErrorFileNotFound ? kMapiENotFound : s.code());
      }
      *object = std::move(message);
      *objectType = kMapiMessage;
      return Status::Ok();
    }
    return Status(kMapiEInvalidEntryId);
  }

  Status Advise(uint32_t eventMask, NotificationSink sink, uint32_t* connection) override {
    if (!sink || eventMask == 0) return Status(kMapiEInvalidParameter);
    *connection = context_->nextConnection++;
    context_->sinks[*connection] = {eventMask, std::move(sink)};
    return Status::Ok();
  }

  Status Unadvise(uint32_t connection) override {
    return Status(context_->sinks.erase(connection) == 1 ? kMapiOk : kMapiENotFound);
  }

 private:
  std::shared_ptr<StoreContext> context_;
};

}  // namespace

EntryId StoreContext::StoreId() const {
  return MakeEntryId(EntryKind::kStore, {WideToAnsi(profile.name)});
}

EntryId StoreContext::FolderId(std::string_view folder) const {
  return MakeEntryId(EntryKind::kFolder, {WideToAnsi(profile.name), std::string(folder)});
}

EntryId StoreContext::MessageId(std::string_view folder, std::string_view unique) const {
  return MakeEntryId(EntryKind::kMessage,
                     {WideToAnsi(profile.name), std::string(folder), std::string(unique)});
}

bool StoreContext::FolderOf(const EntryId& id, std::string* folder) const {
  std::vector<std::string> fields;
  if (!ParseEntryId(id, EntryKind::kFolder, 2, &fields) || AnsiToWide(fields[0]) != profile.name)
    return false;
  if (!fields[1].empty() && !Maildir::IsFolderName(fields[1])) return false;
  *folder = fields[1];
  return true;
}

void StoreContext::Notify(uint32_t event, const EntryId& entry, const EntryId& parent) {
  const Notification notification{event, entry, parent};
  // A sink may unadvise itself: walk a copy.
  const auto sinksNow = sinks;
  for (const auto& [connection, registration] : sinksNow) {
    if ((registration.first & event) != 0) registration.second(notification);
  }
}

std::shared_ptr<MsgStore> MakeStore(std::shared_ptr<StoreContext> context) {
  return std::make_shared<StoreImpl>(std::move(context));
}

std::shared_ptr<Folder> MakeFolder(std::shared_ptr<StoreContext> context,
                                   const std::string& folder) {
  return std::make_shared<FolderImpl>(std::move(context), folder);
}

}  // namespace kv::mail
