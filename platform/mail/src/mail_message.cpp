// Messages and their attachments: composing, saving into a folder, submitting.
#include <ctime>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "entry_id.h"
#include "mail_service.h"
#include "mime_message.h"
#include "property_bag.h"
#include "row_table.h"
#include "smtp_address.h"
#include "smtp_transport.h"

namespace kv::mail {

namespace {

// The Maildir flag of a message that has been sent.
constexpr std::string_view kSentFlag = "S";

class AttachImpl : public PropObject {
 public:
  AttachImpl(std::weak_ptr<MessageParts> parts, uint32_t number)
      : PropObject(kMapiAttach), parts_(std::move(parts)), number_(number) {
    bag_->Put(PropValue::Long(kPrAttachNum, static_cast<int32_t>(number)));
  }

  // The attachment joins its message (again, with its present properties).
  Status SaveChanges(uint32_t) override {
    std::shared_ptr<MessageParts> parts = parts_.lock();
    if (!parts) return Status(kMapiECallFailed);
    parts->attachments[number_] = bag_;
    return Status::Ok();
  }

 private:
  std::weak_ptr<MessageParts> parts_;
  uint32_t number_;
};

class MessageImpl : public PropObjectOf<Message> {
 public:
  MessageImpl(std::shared_ptr<StoreContext> context, std::string folder, std::string unique)
      : PropObjectOf<Message>(kMapiMessage),
        context_(std::move(context)),
        folder_(std::move(folder)),
        unique_(std::move(unique)),
        parts_(std::make_shared<MessageParts>()) {
    bag_->Put(PropValue::Long(kPrObjectType, kMapiMessage));
    if (!unique_.empty())
      bag_->Put(PropValue::Binary(kPrEntryId, context_->MessageId(folder_, unique_)));
  }

  MessageParts& parts() { return *parts_; }
  PropertyBag& props() { return *bag_; }
  void SetSent(bool sent) { sent_ = sent; }

  Status ModifyRecipients(uint32_t flags, const std::vector<PropRow>& recipients) override {
    if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
    if (flags != kModRecipAdd) return Fail(kMapiENoSupport, "only adding recipients is supported");
    std::vector<PropRow> added;
    for (const PropRow& row : recipients) {
      const PropValue* type = FindProp(row, kPrRecipientType);
      const PropValue* address = FindProp(row, kPrEmailAddress);
      const PropValue* addressType = FindProp(row, kPrAddrType);
      if (type == nullptr || type->number < kMapiTo || type->number > kMapiBcc ||
          address == nullptr || (addressType != nullptr && addressType->text != L"SMTP") ||
          !IsSmtpAddress(WideToAnsi(address->text))) {
        return Fail(kMapiEInvalidParameter, "a recipient is not a resolved SMTP address");
      }
      PropRow copy = row;
      if (FindProp(copy, kPrEntryId) == nullptr) {
        const PropValue* name = FindProp(row, kPrDisplayName);
        copy.push_back(PropValue::Binary(
            kPrEntryId,
            OneOffEntryId(name != nullptr ? name->text : address->text, L"SMTP", address->text)));
      }
      added.push_back(std::move(copy));
    }
    parts_->recipients.insert(parts_->recipients.end(), added.begin(), added.end());
    return Succeed();
  }

  Status GetRecipientTable(std::shared_ptr<Table>* table) override;

  Status GetAttachmentTable(std::shared_ptr<Table>* table) override {
    if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
    std::vector<PropRow> rows;
    for (const auto& [number, attach] : parts_->attachments) {
      PropRow row = attach->All();
      std::erase_if(row, [](const PropValue& value) {
        return PropId(value.tag) == PropId(kPrAttachDataBin);
      });
      rows.push_back(std::move(row));
    }
    *table = std::make_shared<RowTable>(std::move(rows));
    return Succeed();
  }

  Status CreateAttach(uint32_t* number, std::shared_ptr<MapiProp>* attach) override {
    if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
    *number = nextAttach_++;
    *attach = std::make_shared<AttachImpl>(parts_, *number);
    return Succeed();
  }

  Status SaveChanges(uint32_t) override {
    if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
    MimeBytes wire;
    return Save(&wire);
  }

  Status SubmitMessage(uint32_t flags) override;

  std::string LastErrorText() const override { return lastError_; }

 protected:
  bool Usable() const override { return !spent_; }

 private:
  Status Fail(uint32_t code, std::string text) {
    lastError_ = std::move(text);
    return Status(code);
  }
  Status Succeed() {
    lastError_.clear();
    return Status::Ok();
  }

  // Renders the message and writes it to its folder; `wire` gets the wire form.
  Status Save(MimeBytes* wire) {
    std::string error;
    if (!RenderWireForm(*bag_, *parts_, wire, &error)) return Fail(kMapiECallFailed, error);
    const bool created = unique_.empty();
    if (created) unique_ = Maildir::NewUniqueName();
    const std::string head = RenderStoredHead(*bag_, *parts_);
    if (Status s =
            context_->maildir.Write(folder_, unique_, sent_ ? kSentFlag : "", head, wire->view());
        !s.ok()) {
      if (created) unique_.clear();
      return Fail(kMapiEDiskError, "the message could not be written to " + folder_ + " (error " +
                                       std::to_string(s.code()) + ")");
    }
    const EntryId id = context_->MessageId(folder_, unique_);
    bag_->Put(PropValue::Binary(kPrEntryId, id));
    if (created) context_->Notify(kFnevObjectCreated, id, context_->FolderId(folder_));
    return Succeed();
  }

  // After a successful send: the folder the message goes to ("" to delete it).
  std::string FilingFolder() const {
    std::string folder;
    if (const PropValue* sentMail = bag_->Find(kPrSentMailEntryId);
        sentMail && !sentMail->bytes.empty()) {
      if (context_->FolderOf(sentMail->bytes, &folder) && !folder.empty()) return folder;
    }
    if (bag_->Number(kPrDeleteAfterSubmit) != 0) return {};
    return folder_;
  }

  std::shared_ptr<StoreContext> context_;
  std::string folder_;
  std::string unique_;
  std::shared_ptr<MessageParts> parts_;
  uint32_t nextAttach_ = 0;
  bool spent_ = false;
  bool sent_ = false;
  std::string lastError_;
};

Status MessageImpl::GetRecipientTable(std::shared_ptr<Table>* table) {
  if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
  *table = std::make_shared<RowTable>(parts_->recipients);
  return Succeed();
}

Status MessageImpl::SubmitMessage(uint32_t) {
  if (!Usable()) return Fail(kMapiECallFailed, "the message was submitted");
  const Profile& profile = context_->profile;
  bag_->Put(PropValue::Time(kPrClientSubmitTime, std::time(nullptr)));
  if (!bag_->Has(kPrInternetMessageId)) {
    const size_t at = profile.address.rfind('@');
    const std::string domain =
        at == std::string::npos ? "localhost" : profile.address.substr(at + 1);
    bag_->Put(PropValue::Unicode(kPrInternetMessageId,
                                 AnsiToWide("<" + Maildir::NewUniqueName() + "@" + domain + ">")));
  }
  MimeBytes wire;
  if (Status s = Save(&wire); !s.ok()) return s;
  const std::string messageId = WideToAnsi(bag_->Text(kPrInternetMessageId));

  Submission submission;
  submission.data = wire.view();
  std::string recipientList;
  for (const PropRow& recipient : parts_->recipients) {
    const PropValue* address = FindProp(recipient, kPrEmailAddress);
    submission.recipients.push_back(WideToAnsi(address->text));
    recipientList += (recipientList.empty() ? "" : ", ") + submission.recipients.back();
  }
  submission.mailFrom = profile.address;
  if (submission.mailFrom.empty()) {
    std::wstring from = bag_->Text(kPrSentRepresentingEmailAddress);
    if (from.empty()) from = bag_->Text(kPrSenderEmailAddress);
    if (IsSmtpAddress(WideToAnsi(from))) submission.mailFrom = WideToAnsi(from);
  }
  Status result;
  std::string error;
  if (submission.recipients.empty()) {
    result = Status(kMapiENoRecipients);
    error = "the message has no recipients";
  } else if (submission.mailFrom.empty()) {
    result = Status(kMapiEInvalidParameter);
    error = "the profile has no sender address";
  } else {
    result = SendOverSmtp(profile, submission, &error);
  }
  if (!result.ok()) {
    context_->maildir.Log("not sent " + messageId + " (left in " + folder_ + "): " + error);
    return Fail(result.code(), error);
  }

  // Sent: the message moves to its folder as a sent message, or goes.
  context_->maildir.Log("sent " + messageId + " to " + recipientList);
  const EntryId oldId = context_->MessageId(folder_, unique_);
  const EntryId oldParent = context_->FolderId(folder_);
  const std::string target = FilingFolder();
  sent_ = true;
  spent_ = true;
  if (target.empty()) {
    if (context_->maildir.Remove(folder_, unique_).ok())
      context_->Notify(kFnevObjectDeleted, oldId, oldParent);
    return Succeed();
  }
  if (Status s = context_->maildir.Move(folder_, unique_, target, kSentFlag); !s.ok()) {
    context_->maildir.Log("sent " + messageId + " but could not file it in " + target + " (error " +
                          std::to_string(s.code()) + ")");
    return Succeed();
  }
  context_->Notify(kFnevObjectMoved, context_->MessageId(target, unique_),
                   context_->FolderId(target));
  return Succeed();
}

}  // namespace

std::shared_ptr<Message> MakeNewMessage(std::shared_ptr<StoreContext> context,
                                        const std::string& folder) {
  return std::make_shared<MessageImpl>(std::move(context), folder, std::string());
}

bool ReadStoredProperties(const Maildir::Entry& entry, std::string_view text, PropertyBag* props,
                          MessageParts* parts) {
  if (!ParseMessageText(text, props, parts)) return false;
  const std::string name = entry.file.filename().string();
  const size_t info = name.find(":2,");
  if (info != std::string::npos && name.find(kSentFlag, info + 3) != std::string::npos) {
    const int64_t flags = props->Number(kPrMessageFlags, kMsgFlagFromMe);
    props->Put(PropValue::Long(
        kPrMessageFlags, static_cast<int32_t>((flags & ~int64_t{kMsgFlagUnsent}) | kMsgFlagRead)));
  }
  return true;
}

Status OpenStoredMessage(std::shared_ptr<StoreContext> context, const std::string& folder,
                         const std::string& unique, std::shared_ptr<Message>* message) {
  Maildir::Entry entry;
  if (Status s = context->maildir.Find(folder, unique, &entry); !s.ok()) return s;
  std::string text;
  if (Status s = ReadFile(AnsiToWide(entry.file.string()), &text); !s.ok()) return s;
  auto opened = std::make_shared<MessageImpl>(context, folder, unique);
  if (!ReadStoredProperties(entry, text, &opened->props(), &opened->parts()))
    return Status(kMapiECallFailed);
  opened->SetSent((opened->props().Number(kPrMessageFlags) & kMsgFlagUnsent) == 0 &&
                  entry.file.filename().string().find(":2,S") != std::string::npos);
  *message = std::move(opened);
  return Status::Ok();
}

}  // namespace kv::mail
