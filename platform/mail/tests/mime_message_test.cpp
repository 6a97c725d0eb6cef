// Messages rendered with GMime, read by Python's email package and by the service
// itself: text that would break a header stays inside it, and a stored message comes
// back whole.
#include "mime_message.h"

#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "smtp_test_server.h"
#include "temp_root.h"

namespace kv::mail {
namespace {

using kv::testing::ReadWithPythonEmail;
using kv::testing::TempRoot;

PropRow Recipient(uint32_t type, const std::wstring& name, const std::wstring& address) {
  return {PropValue::Long(kPrRecipientType, static_cast<int32_t>(type)),
          PropValue::Unicode(kPrDisplayName, name), PropValue::Unicode(kPrAddrType, L"SMTP"),
          PropValue::Unicode(kPrEmailAddress, address)};
}

std::shared_ptr<PropertyBag> Attachment(const std::wstring& name, const std::string& data,
                                        const std::wstring& contentId = L"") {
  auto bag = std::make_shared<PropertyBag>();
  bag->Put(PropValue::Unicode(kPrAttachLongFilename, name));
  bag->Put(PropValue::Binary(kPrAttachDataBin, data));
  if (!contentId.empty()) bag->Put(PropValue::Unicode(kPrAttachContentId, contentId));
  return bag;
}

class MimeMessageTest : public ::testing::Test {
 protected:
  // Renders the message, writes the stored form, and has Python read the wire form.
  kv::testing::ReceivedMail RenderAndRead(std::string* stored = nullptr) {
    MimeBytes bytes;
    std::string error;
    EXPECT_TRUE(RenderWireForm(props_, parts_, &bytes, &error)) << error;
    const std::string wire(bytes.view());
    size_t bareLineFeeds = 0;
    for (size_t at = wire.find('\n'); at != std::string::npos; at = wire.find('\n', at + 1)) {
      if (at == 0 || wire[at - 1] != '\r') ++bareLineFeeds;
    }
    EXPECT_EQ(bareLineFeeds, 0u) << "SMTP needs CR LF line ends";
    if (stored) *stored = RenderStoredHead(props_, parts_) + wire;
    TempRoot::WriteFile(root_.path() / "wire.eml", wire);
    return ReadWithPythonEmail(root_.path() / "wire.eml");
  }

  TempRoot root_;
  PropertyBag props_;
  MessageParts parts_;
};

TEST_F(MimeMessageTest, TextThatWouldBreakAHeaderStaysInside) {
  props_.Put(PropValue::Unicode(kPrSubject, L"Report 100%\r\nBcc: eve@evil.example"));
  props_.Put(PropValue::Unicode(kPrSentRepresentingName, L"Ann\r\nX-Injected: 1"));
  props_.Put(PropValue::Unicode(kPrSentRepresentingEmailAddress, L"ann@example.com"));
  props_.Put(PropValue::Unicode(kPrBody, L"line one\nBcc: not a header\n"));
  parts_.recipients.push_back(Recipient(kMapiTo, L"Bob", L"bob@example.com"));
  parts_.recipients.push_back(
      Recipient(kMapiTo, L"Eve", L"eve@evil.example\r\nBcc: mallory@evil.example"));
  parts_.attachments[0] = Attachment(L"report\r\nContent-Type: text/html.txt", "x");
  parts_.attachments[1] = Attachment(L"pic.png", "png", L"<id\r\nX-Injected: 2>");
  const auto mail = RenderAndRead();
  for (const std::string& header : mail.headerNames) {
    EXPECT_TRUE(header != "Bcc" && header != "X-Injected") << header;
  }
  EXPECT_EQ(mail.subject, "Report 100%  Bcc: eve@evil.example");
  EXPECT_EQ(mail.from, "\"Ann  X-Injected: 1\" <ann@example.com>");
  EXPECT_EQ(mail.to, "Bob <bob@example.com>");  // the forged address never reaches a header
  ASSERT_EQ(mail.attachments.size(), 2u);
  EXPECT_EQ(mail.attachments[0].name, "report  Content-Type: text/html.txt");
  EXPECT_EQ(mail.attachments[0].contentType, "text/plain");
  EXPECT_EQ(mail.attachments[1].disposition, "attachment");  // an unusable content id is dropped
  EXPECT_EQ(mail.body, "line one\nBcc: not a header\n");
  EXPECT_EQ(mail.defects, "");
}

TEST_F(MimeMessageTest, StoredMessageComesBackWhole) {
  props_.Put(PropValue::Unicode(kPrSubject, L"Grüße, 東京 & 100%"));
  props_.Put(PropValue::Unicode(kPrSenderName, L"ann@example.com"));
  props_.Put(PropValue::Unicode(kPrSenderEmailAddress, L"ann@example.com"));
  props_.Put(PropValue::Unicode(kPrBody, L"Hej Åsa,\r\nsee the drawing.\r\n"));
  props_.Put(PropValue::Long(kPrMessageFlags, kMsgFlagUnsent | kMsgFlagFromMe));
  props_.Put(PropValue::Long(kPrImportance, kImportanceHigh));
  props_.Put(PropValue::Binary(kPrSentMailEntryId, std::string("\0\x01\xff", 3)));
  props_.Put(PropValue::Bool(kPrDeleteAfterSubmit, false));
  props_.Put(PropValue::Time(kPrClientSubmitTime, 1700000000));
  parts_.recipients.push_back(Recipient(kMapiTo, L"Björn Ek", L"bjorn@example.se"));
  parts_.recipients.push_back(Recipient(kMapiCc, L"carl@example.com", L"carl@example.com"));
  parts_.recipients.push_back(Recipient(kMapiBcc, L"Dora", L"dora@example.com"));
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>(i * 7 % 256);
  parts_.attachments[0] = Attachment(L"ritning å.dwg", binary);
  parts_.attachments[3] = Attachment(L"empty.txt", "");

  std::string stored;
  const auto mail = RenderAndRead(&stored);
  EXPECT_EQ(mail.subject, "Grüße, 東京 & 100%");
  EXPECT_EQ(mail.from, "ann@example.com");
  EXPECT_EQ(mail.to, "Björn Ek <bjorn@example.se>");
  EXPECT_EQ(mail.cc, "carl@example.com");
  EXPECT_EQ(mail.bcc, "");  // never on the wire
  EXPECT_EQ(mail.body, "Hej Åsa,\nsee the drawing.\n");
  ASSERT_EQ(mail.attachments.size(), 2u);
  EXPECT_EQ(mail.attachments[0].name, "ritning å.dwg");
  EXPECT_EQ(mail.attachments[0].contentType, "image/vnd.dwg");
  EXPECT_EQ(mail.attachments[0].size, binary.size());
  EXPECT_EQ(mail.attachments[1].size, 0u);

  PropertyBag props;
  MessageParts parts;
  ASSERT_TRUE(ParseMessageText(stored, &props, &parts));
  for (PropTag tag : {kPrSubject, kPrBody, kPrMessageFlags, kPrImportance, kPrSentMailEntryId,
                      kPrDeleteAfterSubmit, kPrClientSubmitTime}) {
    SCOPED_TRACE(tag);
    ASSERT_NE(props.Find(tag), nullptr);
    PropValue expected = *props_.Find(tag);
    if (tag == kPrBody) expected.text = L"Hej Åsa,\nsee the drawing.\n";
    EXPECT_EQ(*props.Find(tag), expected);
  }
  EXPECT_EQ(props.Text(kPrSentRepresentingEmailAddress), L"ann@example.com");
  ASSERT_EQ(parts.recipients.size(), 3u);
  const uint32_t types[] = {kMapiTo, kMapiCc, kMapiBcc};
  const wchar_t* addresses[] = {L"bjorn@example.se", L"carl@example.com", L"dora@example.com"};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(FindProp(parts.recipients[i], kPrRecipientType)->number, types[i]);
    EXPECT_EQ(FindProp(parts.recipients[i], kPrEmailAddress)->text, addresses[i]);
  }
  ASSERT_EQ(parts.attachments.size(), 2u);
  EXPECT_EQ(parts.attachments[0]->Text(kPrAttachLongFilename), L"ritning å.dwg");
  EXPECT_EQ(parts.attachments[0]->Bytes(kPrAttachDataBin), binary);
  EXPECT_EQ(parts.attachments[1]->Bytes(kPrAttachDataBin), "");
}

}  // namespace
}  // namespace kv::mail
