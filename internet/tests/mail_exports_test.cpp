// kvSendEMail and kvGetEmailClientInfo against a real SMTP server on 127.0.0.1, with
// what arrived read by Python's email package.
#include "kvinternet/email.h"

#include "mail_fixture.h"

namespace kv::internet::testing {
namespace {

using kv::testing::SmtpServerOptions;
using kv::testing::SmtpTestServer;

TEST_F(MailTest, SendsWhatTheCallerGaveAndFilesItInSentItems) {
  SmtpTestServer server({.refuseDomain = "nowhere.example"});
  AddProfile(server.Url());
  const auto big = MakeFile("drawing.bin", 3 << 20);
  const auto empty = MakeFile("empty.dat", 0);
  const auto foreign = MakeFile("ritning Åä 東京.txt", 100);
  struct Row {
    const char* what;
    std::wstring to, subject, body, attachment;
    bool arrives;
    const char* attachmentName;  // "" for none
    int matches;                 // which original the attachment equals
  } rows[] = {
      {"a full message", L"support@kestrel.example", L"Größe 100% — 東京 %s",
       L"Line 1\r\nLine 2 ü\r\n", L"C:\\drawing.bin", true, "drawing.bin", 0},
      {"an empty attachment", L"support@kestrel.example", L"empty", L"", L"C:/empty.dat", true,
       "empty.dat", 1},
      {"an attachment named in many scripts", L"support@kestrel.example", L"foreign", L"x",
       L"C:\\ritning Åä 東京.txt", true, "ritning Åä 東京.txt", 2},
      {"nothing but a recipient", L"support@kestrel.example", L"", L"", L"", true, "", -1},
      {"an attachment that is not there", L"support@kestrel.example", L"missing", L"x",
       L"C:\\gone.bin", true, "", -1},
      {"an attachment that fails while read", L"support@kestrel.example", L"unreadable", L"x",
       L"/proc/self/mem", true, "", -1},
      {"a refused recipient", L"carl@nowhere.example", L"refused", L"x", L"", false, "", -1},
      {"no recipient", L"", L"nobody", L"x", L"", false, "", -1},
  };
  size_t received = 0, sent = 0, unsent = 0;
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    ui_.Clear();
    EXPECT_TRUE(kvSendEMail(row.to, row.subject, row.body, row.attachment));
    if (!row.arrives) {
      EXPECT_TRUE(ui_.Messages().empty());
      EXPECT_EQ(server.Count(), received);
      EXPECT_EQ(CountIn("Outbox"), ++unsent);
      continue;
    }
    ASSERT_EQ(server.Count(), ++received);
    const auto mail = server.Last({big, empty, foreign});
    EXPECT_EQ(mail.mailFrom, "ann@example.com");
    EXPECT_EQ(mail.rcptTo, std::vector<std::string>{WideToAnsi(row.to)});
    EXPECT_EQ(mail.from, "ann@example.com");
    EXPECT_EQ(mail.to, WideToAnsi(row.to));
    EXPECT_EQ(mail.subject, WideToAnsi(row.subject));
    std::string body = WideToAnsi(row.body), got = mail.body;
    for (size_t at; (at = body.find("\r\n")) != std::string::npos;) body.replace(at, 2, "\n");
    if (!body.empty() && body.back() != '\n') body += '\n';  // a text body ends its last line
    if (!got.empty() && got.back() != '\n') got += '\n';
    EXPECT_EQ(got, body);
    EXPECT_EQ(mail.defects, "");
    if (*row.attachmentName == '\0') {
      EXPECT_TRUE(mail.attachments.empty());
    } else {
      ASSERT_EQ(mail.attachments.size(), 1u);
      EXPECT_EQ(mail.attachments[0].name, row.attachmentName);
      EXPECT_EQ(mail.attachments[0].matches, row.matches);
    }
    ASSERT_EQ(ui_.Messages().size(), 1u);
    const auto& box = ui_.Messages()[0];
    EXPECT_EQ(box.caption, L"Kestrel Systems Automated Email");
    EXPECT_EQ(box.text,
              L"Email Subject: \"" + row.subject + L"\"\nSuccessfully sent to Kestrel Systems!");
    EXPECT_EQ(box.icon, kMbIconInformation);
    EXPECT_EQ(CountIn("Sent Items"), ++sent);
    EXPECT_EQ(CountIn("Outbox"), unsent);
  }
}

TEST_F(MailTest, ProfileProblemsGiveTheirResultsAndBoxes) {
  SmtpTestServer server;
  struct Row {
    const char* what;
    std::function<void()> setup;
    bool result;
    const wchar_t* box;  // nullptr: none
    size_t outbox;
  } rows[] = {
      {"no profile", [] {}, false, nullptr, 0},
      {"a profile without an address", [&] { AddProfile(server.Url(), L""); }, false,
       L"Failed to acquire MAPI User Email. Kestrel Systems email failed to send.", 0},
      {"a server that is down",
       [&] { AddProfile("smtp://127.0.0.1:" + std::to_string(SmtpTestServer::ClosedPort())); },
       true, nullptr, 1},
      {"a profile needing STARTTLS from a server without it",
       [&] {
         AddProfile(server.Url());
         RequireTls();
       },
       true, nullptr, 2},
  };
  for (Row& row : rows) {
    SCOPED_TRACE(row.what);
    row.setup();
    ui_.Clear();
    std::wstring to = L"support@kestrel.example", subject = L"s", body = L"b", attachment;
    EXPECT_EQ(kvSendEMail(to, subject, body, attachment), row.result);
    if (row.box == nullptr) {
      EXPECT_TRUE(ui_.Messages().empty());
    } else {
      ASSERT_EQ(ui_.Messages().size(), 1u);
      EXPECT_EQ(ui_.Messages()[0].text, row.box);
      EXPECT_EQ(ui_.Messages()[0].caption, ProgramName());
      EXPECT_EQ(ui_.Messages()[0].icon, kMbIconNone);
    }
    EXPECT_EQ(CountIn("Outbox"), row.outbox);
  }
  EXPECT_EQ(server.Count(), 0u);
}

TEST_F(MailTest, ClientInfoTellsWhetherMailCanBeSent) {
  std::wstring profile = L"?", address = L"?";
  EXPECT_FALSE(kvGetEmailClientInfo(profile, address));
  EXPECT_EQ(profile + address, L"??");  // untouched without a profile

  AddProfile("smtp://127.0.0.1:25", L"");
  EXPECT_FALSE(kvGetEmailClientInfo(profile, address));
  EXPECT_EQ(profile, L"Ann's mail");  // partly filled

  SetValue(L"Email Address", L"ann@example.com");
  profile.clear();
  address.clear();
  EXPECT_TRUE(kvGetEmailClientInfo(profile, address));
  EXPECT_EQ(profile, L"Ann's mail");
  EXPECT_EQ(address, L"ann@example.com");
  EXPECT_TRUE(ui_.Messages().empty());
}

}  // namespace
}  // namespace kv::internet::testing
