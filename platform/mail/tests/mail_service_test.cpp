// The messaging service end to end: profiles, the store, submission to a real SMTP
// server on 127.0.0.1, and what a failed submission leaves behind.
#include "KVPlatform/mail.h"

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "smtp_test_server.h"
#include "temp_root.h"

namespace kv::mail {
namespace {

using kv::testing::SmtpServerOptions;
using kv::testing::SmtpTestServer;
using kv::testing::TempRoot;

const std::wstring kProfiles = std::wstring(kMailKey) + L"\\Profiles\\";

void SetProfileValue(const std::wstring& profile, const wchar_t* name, const std::wstring& value) {
  ASSERT_TRUE(WriteRegistryText(Hive::kCurrentUser, kProfiles + profile, name, value).ok());
}

class MailServiceTest : public kv::testing::RootTest {
 protected:
  MailServiceTest() { EXPECT_TRUE(MapiInitialize(kMapiMultithreadNotifications).ok()); }
  ~MailServiceTest() override { MapiUninitialize(); }

  void AddProfile(const std::wstring& name, const std::string& url,
                  const std::wstring& address = L"ann@example.com") {
    SetProfileValue(name, L"SMTP URL", AnsiToWide(url));
    if (!address.empty()) SetProfileValue(name, L"Email Address", address);
    SetProfileValue(name, L"Netrc File", AnsiToWide((root_.path() / "no-netrc").string()));
    TempRoot::WriteFile(root_.path() / "no-netrc", "");
  }

  // Logs on to the default profile and opens its store.
  void Open() {
    ASSERT_TRUE(
        MapiLogonEx(L"", kMapiUseDefault | kMapiNewSession | kMapiExtended, &session_).ok());
    ASSERT_TRUE(session_->OpenMsgStore(StoreId(), kMdbNoDialog | kMapiBestAccess, &store_).ok());
  }

  EntryId StoreId() {
    std::shared_ptr<Table> table;
    std::vector<PropRow> rows;
    EXPECT_TRUE(session_->GetMsgStoresTable(&table).ok());
    EXPECT_TRUE(table->QueryRows(1, &rows).ok());
    return rows.empty() ? EntryId() : FindProp(rows[0], kPrEntryId)->bytes;
  }

  EntryId StoreProp(PropTag tag) {
    PropRow values;
    EXPECT_TRUE(store_->GetProps({tag}, &values).ok());
    return values[0].bytes;
  }

  std::shared_ptr<Folder> OpenFolder(const EntryId& id) {
    uint32_t type = 0;
    std::shared_ptr<MapiProp> object;
    EXPECT_TRUE(store_->OpenEntry(id, kMapiModify, &type, &object).ok());
    EXPECT_EQ(type, kMapiFolder);
    return std::static_pointer_cast<Folder>(object);
  }

  std::vector<PropRow> Contents(PropTag folderTag) {
    std::shared_ptr<Table> table;
    std::vector<PropRow> rows;
    EXPECT_TRUE(OpenFolder(StoreProp(folderTag))->GetContentsTable(&table).ok());
    EXPECT_TRUE(table->QueryRows(100, &rows).ok());
    return rows;
  }

  // A message in the Outbox to `to`, filed in Sent Items once sent.
  std::shared_ptr<Message> Compose(const std::wstring& to, const std::wstring& subject) {
    std::shared_ptr<Message> message;
    EXPECT_TRUE(OpenFolder(StoreProp(kPrIpmOutboxEntryId))->CreateMessage(&message).ok());
    EXPECT_TRUE(
        message
            ->SetProps({PropValue::Unicode(kPrSubject, subject),
                        PropValue::Long(kPrMessageFlags, kMsgFlagUnsent | kMsgFlagFromMe),
                        PropValue::Binary(kPrSentMailEntryId, StoreProp(kPrIpmSentMailEntryId))})
            .ok());
    std::shared_ptr<AddrBook> book;
    EXPECT_TRUE(session_->OpenAddressBook(kAbNoDialog, &book).ok());
    std::vector<PropRow> rows = {
        {PropValue::Long(kPrRecipientType, kMapiTo), PropValue::Unicode(kPrDisplayName, to)}};
    if (book->ResolveName(0, &rows).ok()) {
      EXPECT_TRUE(message->ModifyRecipients(kModRecipAdd, rows).ok());
    }
    return message;
  }

  std::shared_ptr<Session> session_;
  std::shared_ptr<MsgStore> store_;
};

TEST_F(MailServiceTest, LogonFindsTheDefaultProfileOrRefuses) {
  struct Row {
    const char* what;
    std::function<void()> setup;
    std::wstring profile;
    uint32_t result;
  } rows[] = {
      {"no profiles at all", [] {}, L"", kMapiELogonFailed},
      {"the only profile is the default", [&] { AddProfile(L"Work", "smtp://127.0.0.1:1"); }, L"",
       kMapiOk},
      {"several and no default", [&] { AddProfile(L"Home", "smtp://127.0.0.1:1"); }, L"",
       kMapiELogonFailed},
      {"the named default",
       [] {
         ASSERT_TRUE(
             WriteRegistryText(Hive::kCurrentUser, kMailKey, L"Default Profile", L"Home").ok());
       },
       L"", kMapiOk},
      {"an explicit profile", [] {}, L"Work", kMapiOk},
      {"a missing profile", [] {}, L"Play", kMapiELogonFailed},
      {"a default naming a missing profile",
       [] {
         ASSERT_TRUE(
             WriteRegistryText(Hive::kCurrentUser, kMailKey, L"Default Profile", L"Gone").ok());
       },
       L"", kMapiELogonFailed},
      {"a name that climbs out of the store", [&] { AddProfile(L"..", "smtp://127.0.0.1:1"); },
       L"..", kMapiELogonFailed},
      {"no server", [] { SetProfileValue(L"Bare", L"Email Address", L"ann@example.com"); }, L"Bare",
       kMapiELogonFailed},
      {"a server that is not SMTP", [&] { AddProfile(L"Web", "http://127.0.0.1:1"); }, L"Web",
       kMapiELogonFailed},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.setup();
    std::shared_ptr<Session> session;
    EXPECT_EQ(MapiLogonEx(row.profile, kMapiUseDefault, &session).code(), row.result);
  }
  MapiUninitialize();
  std::shared_ptr<Session> session;
  EXPECT_EQ(MapiLogonEx(L"Work", 0, &session).code(), kMapiENotInitialized);
  EXPECT_TRUE(MapiInitialize(0).ok());
}

TEST_F(MailServiceTest, SessionKnowsTheProfileAndTheUser) {
  AddProfile(L"Work", "smtp://127.0.0.1:1");
  SetProfileValue(L"Work", L"Display Name", L"Ann's mail");
  AddProfile(L"NoAddress", "smtp://127.0.0.1:1", L"");
  for (const auto& [profile, name, address] : {std::tuple<std::wstring, std::string, std::wstring>{
                                                   L"Work", "Ann's mail", L"ann@example.com"},
                                               {L"NoAddress", "NoAddress", L""}}) {
    SCOPED_TRACE(WideToAnsi(profile));
    std::shared_ptr<Session> session;
    ASSERT_TRUE(MapiLogonEx(profile, 0, &session).ok());
    std::shared_ptr<Table> status;
    ASSERT_TRUE(session->GetStatusTable(&status).ok());
    ASSERT_TRUE(status->SetColumns({kPrDisplayNameA, kPrResourceType}).ok());
    std::vector<PropRow> rows;
    std::string subsystem;
    while (status->QueryRows(1, &rows).ok() && rows.size() == 1) {
      if (rows[0][1].number == kMapiSubsystem) subsystem = rows[0][0].bytes;
    }
    EXPECT_EQ(subsystem, name);

    EntryId identity;
    std::shared_ptr<AddrBook> book;
    std::shared_ptr<MapiProp> user;
    uint32_t type = 0;
    ASSERT_TRUE(session->QueryIdentity(&identity).ok());
    ASSERT_TRUE(session->OpenAddressBook(kAbNoDialog, &book).ok());
    ASSERT_TRUE(book->OpenEntry(identity, kMapiBestAccess, &type, &user).ok());
    EXPECT_EQ(type, kMapiMailUser);
    PropRow values;
    ASSERT_TRUE(user->GetProps({kPrSmtpAddress, kPrEmailAddress}, &values).ok());
    EXPECT_EQ(values[0].IsError(), address.empty());
    EXPECT_EQ(values[1].text, address);
    EXPECT_EQ(user->SetProps({PropValue::Unicode(kPrEmailAddress, L"eve@example.com")}).code(),
              kMapiENoAccess);
  }
}

TEST_F(MailServiceTest, LongValuesTravelThroughStreams) {
  AddProfile(L"Work", "smtp://127.0.0.1:1");
  Open();
  std::shared_ptr<Message> message = Compose(L"bob@example.com", L"long");
  const std::wstring longBody(40000, L'ü');
  std::unique_ptr<PropStream> stream;
  ASSERT_TRUE(message->OpenPropertyStream(kPrBody, true, &stream).ok());
  const std::string utf8 = WideToAnsi(longBody);
  ASSERT_TRUE(stream->Write(utf8.data(), utf8.size()).ok());
  ASSERT_TRUE(stream->Commit().ok());
  PropRow values;
  ASSERT_TRUE(message->GetProps({kPrBody, kPrSubject}, &values).ok());
  EXPECT_EQ(values[0].tag, ChangePropType(kPrBody, kPtError));
  EXPECT_EQ(values[0].number, kMapiENotEnoughMemory);
  EXPECT_EQ(values[1].text, L"long");
  ASSERT_TRUE(message->OpenPropertyStream(kPrBody, false, &stream).ok());
  std::string read(utf8.size() + 10, '\0');
  size_t got = 0;
  ASSERT_TRUE(stream->Read(read.data(), read.size(), &got).ok());
  EXPECT_EQ(read.substr(0, got), utf8);
  ASSERT_TRUE(message->OpenPropertyStream(kPrBody, true, &stream).ok());
  ASSERT_TRUE(stream->Write("\xff\xfe", 2).ok());
  EXPECT_EQ(stream->Commit().code(), kMapiEInvalidParameter);  // not UTF-8: the old text stays
}

TEST_F(MailServiceTest, FailedSubmitStaysInTheOutboxAndCanBeSentLater) {
  AddProfile(L"Work", "smtp://127.0.0.1:" + std::to_string(SmtpTestServer::ClosedPort()));
  Open();
  std::vector<Notification> events;
  uint32_t connection = 0;
  ASSERT_TRUE(store_
                  ->Advise(
                      kFnevObjectCreated | kFnevObjectMoved,
                      [&](const Notification& n) { events.push_back(n); }, &connection)
                  .ok());
  std::shared_ptr<Message> message = Compose(L"Bob <bob@example.com>", L"retry me");
  EXPECT_EQ(message->SubmitMessage(0).code(), kMapiENetworkError);
  EXPECT_NE(message->LastErrorText().find("onnect"), std::string::npos) << message->LastErrorText();
  std::vector<PropRow> outbox = Contents(kPrIpmOutboxEntryId);
  ASSERT_EQ(outbox.size(), 1u);
  EXPECT_EQ(FindProp(outbox[0], kPrSubject)->text, L"retry me");
  EXPECT_EQ(FindProp(outbox[0], kPrMessageFlags)->number, kMsgFlagUnsent | kMsgFlagFromMe);
  EXPECT_TRUE(Contents(kPrIpmSentMailEntryId).empty());
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].event, kFnevObjectCreated);
  EXPECT_NE(TempRoot::ReadFile(root_.path() / "mail/Work/transport.log").find("not sent"),
            std::string::npos);

  // The server comes up; the message is opened from the Outbox and sent.
  SmtpTestServer server;
  SetProfileValue(L"Work", L"SMTP URL", AnsiToWide(server.Url()));
  const EntryId id = FindProp(outbox[0], kPrEntryId)->bytes;
  Open();
  uint32_t type = 0;
  std::shared_ptr<MapiProp> object;
  ASSERT_TRUE(store_->OpenEntry(id, kMapiModify, &type, &object).ok());
  ASSERT_EQ(type, kMapiMessage);
  auto reopened = std::static_pointer_cast<Message>(object);
  ASSERT_TRUE(reopened->SubmitMessage(0).ok()) << reopened->LastErrorText();
  EXPECT_TRUE(Contents(kPrIpmOutboxEntryId).empty());
  std::vector<PropRow> sent = Contents(kPrIpmSentMailEntryId);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(FindProp(sent[0], kPrMessageFlags)->number, kMsgFlagRead | kMsgFlagFromMe);
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].to, "Bob <bob@example.com>");
  EXPECT_EQ(received[0].subject, "retry me");
  EXPECT_EQ(reopened->SubmitMessage(0).code(), kMapiECallFailed);  // spent: never sent twice
  EXPECT_EQ(server.Received().size(), 1u);
}

TEST_F(MailServiceTest, SubmitRefusalsLeaveTheMessageUnsent) {
  SmtpTestServer server({.refuseDomain = "nowhere.example", .login = "ann", .password = "p w\"x"});
  AddProfile(L"Work", server.Url());
  const std::string netrc = (root_.path() / "netrc").string();
  struct Row {
    const char* what;
    std::string netrcText;  // "" leaves the profile's empty file
    const wchar_t* to;
    uint32_t result;
    const char* reason;
  } rows[] = {
      {"no password for the server", "", L"bob@example.com", kMapiENetworkError,
       "(server reply 530)"},
      {"a wrong password", "machine 127.0.0.1 login ann password wrong\n", L"bob@example.com",
       kMapiENetworkError, "535"},
      {"a refused recipient", "machine 127.0.0.1 login ann password \"p w\\\"x\"\n",
       L"carl@nowhere.example", kMapiENetworkError, "550"},
      {"no recipient at all", "", L"", kMapiENoRecipients, "no recipients"},
      {"the password file is gone", "-", L"bob@example.com", kMapiENetworkError, "cannot be read"},
      {"the right password", "machine 127.0.0.1 login ann password \"p w\\\"x\"\n",
       L"bob@example.com", kMapiOk, ""},
  };
  size_t unsent = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::error_code ignored;
    std::filesystem::remove(netrc, ignored);
    if (row.netrcText != "-") TempRoot::WriteFile(netrc, row.netrcText);
    SetProfileValue(L"Work", L"Netrc File", AnsiToWide(netrc));
    Open();
    std::shared_ptr<Message> message = Compose(row.to, AnsiToWide(row.what));
    EXPECT_EQ(message->SubmitMessage(0).code(), row.result);
    EXPECT_NE(message->LastErrorText().find(row.reason), std::string::npos)
        << message->LastErrorText();
    if (row.result != kMapiOk) ++unsent;
    EXPECT_EQ(Contents(kPrIpmOutboxEntryId).size(), unsent);
  }
  const auto received = server.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].login, "ann");
  EXPECT_EQ(received[0].rcptTo, std::vector<std::string>{"bob@example.com"});
}

TEST_F(MailServiceTest, TlsIsRequiredWhereTheProfileSaysSo) {
  SmtpTestServer server;  // offers no STARTTLS
  AddProfile(L"Work", server.Url());
  SetProfileValue(L"Work", L"SMTP URL", AnsiToWide(server.Url()));
  RegKey key;
  ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, kProfiles + L"Work", kKeyAllAccess, &key).ok());
  ASSERT_TRUE(key.SetValue(L"Require TLS", RegValue::Dword(1)).ok());
  Open();
  std::shared_ptr<Message> message = Compose(L"bob@example.com", L"secret");
  EXPECT_EQ(message->SubmitMessage(0).code(), kMapiENetworkError);
  EXPECT_TRUE(server.Received().empty());
  EXPECT_EQ(Contents(kPrIpmOutboxEntryId).size(), 1u);
}

}  // namespace
}  // namespace kv::mail
