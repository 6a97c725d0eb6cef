// The MAPI wrapper classes over the messaging service: what they set on messages and
// attachments, how they read long text, and how they open what the store holds.
#include "mail_fixture.h"
#include "mapi_folder.h"
#include "mapi_message.h"
#include "mapi_session.h"

namespace kv::internet::testing {
namespace {

using namespace kv::mail;
using kv::testing::SmtpTestServer;

class WrapperTest : public MailTest {
 protected:
  void SetUp() override {
    AddProfile("smtp://127.0.0.1:" + std::to_string(SmtpTestServer::ClosedPort()));
    ASSERT_TRUE(mapi_.Initialize(true, false));
    ASSERT_TRUE(mapi_.Logon());
    ASSERT_TRUE(mapi_.OpenMessageStore(nullptr, kMapiModify | kMapiNoCache));
  }

  // The rows of a table of the message being composed.
  std::vector<PropRow> Rows(CMAPIMessage& message, bool attachments) {
    auto* item = static_cast<Message*>(message.GetItem());
    std::shared_ptr<Table> table;
    std::vector<PropRow> rows;
    EXPECT_TRUE(
        (attachments ? item->GetAttachmentTable(&table) : item->GetRecipientTable(&table)).ok());
    EXPECT_TRUE(table->QueryRows(100, &rows).ok());
    return rows;
  }

  CMAPISession mapi_;
};

TEST_F(WrapperTest, AttachmentsTakeTheirNameAndContentIdByTheRules) {
  MakeFile("data/a.txt", 10);
  MakeFile("data/photo.jpg", 10);
  struct Row {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* contentId;
    bool attached;
    const wchar_t* expectedName;
    bool contentIdSet;
    bool contactPhoto;
  } rows[] = {
      {L"C:\\data\\a.txt", nullptr, nullptr, true, L"a.txt", false, false},
      {L"C:/data/a.txt", nullptr, nullptr, true, L"a.txt", false, false},
      {L"C:\\data/a.txt", L"renamed.txt", nullptr, true, L"renamed.txt", false, false},
      {L"C:\\data\\photo.jpg", nullptr, L"img1", true, L"photo.jpg", true, false},
      {L"C:\\data\\photo.jpg", L"ContactPicture.jpg", L"img2", true, L"ContactPicture.jpg", false,
       true},
      {L"C:\\data\\photo.jpg", L"ContactPicture.jpg", nullptr, true, L"ContactPicture.jpg", false,
       false},
      {L"C:\\data\\missing.txt", nullptr, nullptr, false, nullptr, false, false},
      {L"C:\\data", nullptr, nullptr, false, nullptr, false, false},
  };
  CMAPIMessage message;
  ASSERT_TRUE(message.Create(&mapi_));
  size_t attached = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.path));
    EXPECT_EQ(message.AddAttachment(row.path, row.name, row.contentId), row.attached);
    const std::vector<PropRow> table = Rows(message, true);
    ASSERT_EQ(table.size(), attached += row.attached);
    if (!row.attached) continue;
    const PropRow& last = table.back();
    EXPECT_EQ(FindProp(last, kPrAttachLongFilename)->text, row.expectedName);
    EXPECT_EQ(FindProp(last, kPrAttachFilename)->text, row.expectedName);
    EXPECT_EQ(FindProp(last, kPrAttachMethod)->number, kAttachByValue);
    EXPECT_EQ(FindProp(last, kPrRenderingPosition)->number, -1);
    EXPECT_EQ(FindProp(last, kPrAttachSize)->number, 10);
    EXPECT_EQ(FindProp(last, kPrAttachContentId) != nullptr, row.contentIdSet);
    EXPECT_EQ(FindProp(last, kPrAttachmentContactPhoto) != nullptr, row.contactPhoto);
  }
}

TEST_F(WrapperTest, CreateMarksTheMessageAndRecipientsResolve) {
  CMAPIMessage message;
  ASSERT_TRUE(message.Create(&mapi_, kImportanceHigh, false));
  ASSERT_NE(mapi_.GetCurrentFolder(), nullptr);
  EXPECT_EQ(mapi_.GetCurrentFolder()->GetName(), L"Outbox");
  PropRow values;
  ASSERT_TRUE(
      message.GetItem()
          ->GetProps({kPrMessageFlags, kPrDeleteAfterSubmit, kPrSentMailEntryId, kPrImportance},
                     &values)
          .ok());
  EXPECT_EQ(values[0].number, kMsgFlagUnsent | kMsgFlagFromMe);
  EXPECT_EQ(values[1].number, 1);
  EXPECT_TRUE(values[2].IsError());
  EXPECT_EQ(values[3].number, kImportanceHigh);

  EXPECT_TRUE(message.AddRecipient(L"Bob Ek <bob@example.com>", kMapiCc));
  EXPECT_FALSE(message.AddRecipient(L"bob@example.com\r\nBcc: eve@example.com"));
  EXPECT_FALSE(message.AddRecipient(L"bob@example.com", kMapiTo, L"X400"));
  EXPECT_FALSE(message.AddRecipient(L""));
  const auto recipients = Rows(message, false);
  ASSERT_EQ(recipients.size(), 1u);
  EXPECT_EQ(FindProp(recipients[0], kPrDisplayName)->text, L"Bob Ek");
  EXPECT_EQ(FindProp(recipients[0], kPrEmailAddress)->text, L"bob@example.com");
  EXPECT_EQ(FindProp(recipients[0], kPrRecipientType)->number, kMapiCc);

  EXPECT_TRUE(message.SetSender(L"ann@example.com", L"ann@example.com"));
  ASSERT_TRUE(message.GetItem()
                  ->GetProps({kPrSentRepresentingEntryId, kPrSentRepresentingAddrType}, &values)
                  .ok());
  std::shared_ptr<AddrBook> book;
  ASSERT_TRUE(mapi_.GetSession()->OpenAddressBook(kAbNoDialog, &book).ok());
  uint32_t type = 0;
  std::shared_ptr<MapiProp> sender;
  ASSERT_TRUE(
      book->OpenEntry(values[0].bytes, 0, &type, &sender).ok());  // a one-off entry of the address
  EXPECT_EQ(type, kMapiMailUser);
  EXPECT_EQ(values[1].text, L"SMTP");
  EXPECT_FALSE(message.SetSender(L"Ann\r\nX: y", L"ann@example.com"));
}

TEST_F(WrapperTest, LongTextAndStoredMessagesReadBack) {
  // 40,000 bytes as 16-bit text: too long to come whole. (A text body comes back with
  // its last line ended, so it ends one here.)
  const std::wstring body = std::wstring(19999, L'ö') + L"\n";
  CMAPIMessage message;
  ASSERT_TRUE(message.Create(&mapi_));
  ASSERT_TRUE(message.SetSubject(L"Subject å"));
  ASSERT_TRUE(message.SetBody(body.c_str()));
  ASSERT_TRUE(message.SetSender(L"Ann", L"ann@example.com"));
  EXPECT_FALSE(message.SetSubject(L""));
  std::wstring text;
  ASSERT_TRUE(message.GetPropertyString(kPrBody, text));
  EXPECT_TRUE(text == body) << text.size();
  ASSERT_TRUE(message.GetPropertyString(ChangePropType(kPrSubject, kPtString8), text));
  EXPECT_EQ(text, L"Subject å");
  EXPECT_TRUE(message.AddRecipient(L"bob@example.com"));
  EXPECT_FALSE(message.Send());  // the server is down: the message stays in the Outbox
  EXPECT_NE(message.GetLastError().find("onnect"), std::string::npos) << message.GetLastError();
  const kv::mail::EntryId id = message.GetEntryID();
  ASSERT_FALSE(id.empty());
  message.Close();
  EXPECT_TRUE(message.GetEntryID().empty());

  CMAPIMessage stored;
  ASSERT_TRUE(stored.Open(&mapi_, id));
  EXPECT_EQ(stored.GetSubject(), L"Subject å");
  EXPECT_EQ(stored.GetSenderName(), L"Ann");
  EXPECT_TRUE(stored.GetBody() == body) << stored.GetBody().size();
  CMAPIFolder outbox;
  ASSERT_TRUE(outbox.Open(&mapi_, mapi_.GetCurrentFolder()->GetEntryID()));
  ASSERT_NE(outbox.GetContents(), nullptr);
  EXPECT_EQ(outbox.GetContents()->RowCount(), 1u);
  EXPECT_FALSE(CMAPIFolder().Open(&mapi_, id));  // a message is not a folder

  EXPECT_TRUE(mapi_.OpenMessageStore(L"Personal", kMapiModify));
  EXPECT_FALSE(mapi_.OpenMessageStore(L"Archive", kMapiModify));
}

}  // namespace
}  // namespace kv::internet::testing
