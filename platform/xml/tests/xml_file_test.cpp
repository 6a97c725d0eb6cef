#include "KVPlatform/xml_file.h"

#include <libxml/tree.h>

#include <memory>

#include <gtest/gtest.h>

#include "temp_root.h"

namespace kv {
namespace {

using testing::TempRoot;

struct DocumentDeleter {
  void operator()(_xmlDoc* document) const { xmlFreeDoc(document); }
};
using Document = std::unique_ptr<_xmlDoc, DocumentDeleter>;

std::string Text(_xmlDoc* document) {
  xmlChar* content = xmlNodeGetContent(reinterpret_cast<xmlNode*>(document));
  std::string text = content != nullptr ? reinterpret_cast<const char*>(content) : "";
  xmlFree(content);
  return text;
}

class XmlFileTest : public testing::RootTest {
 protected:
  std::filesystem::path C(const char* name) const { return root_.Drive(L'c') / name; }
};

// Documents load from Windows paths; what a document names outside itself (a local
// file through an external entity or an external DTD) is never read.
TEST_F(XmlFileTest, LoadsSafely) {
  TempRoot::WriteFile(C("secret.txt"), "SECRET");
  TempRoot::WriteFile(C("secret.dtd"), "<!ENTITY inner \"SECRET\">");
  const std::string secretPath = C("secret.txt").string();
  struct Row {
    const char* name;
    std::string text;
    uint32_t status;
    const char* content;
  };
  const Row rows[] = {
      {"plain, found without regard to case", "<a>\n  <b>x</b>\n  <c>y</c>\n</a>", 0, "xy"},
      {"external entity naming a local file",
       "<!DOCTYPE a [<!ENTITY e SYSTEM \"file://" + secretPath + "\">]><a>[&e;]</a>", 0, "[]"},
      {"external DTD", "<!DOCTYPE a SYSTEM \"" + C("secret.dtd").string() + "\"><a>[&inner;]</a>",
       0, "[]"},
      {"UTF-16 with a byte-order mark", std::string("\xFF\xFE<\0a\0>\0\xE9\0<\0/\0a\0>\0", 18), 0,
       "\xC3\xA9"},
      {"malformed", "<a><b></a>", kErrorInvalidData, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot::WriteFile(C("doc.xml"), row.text);
    _xmlDoc* raw = reinterpret_cast<_xmlDoc*>(1);
    EXPECT_EQ(LoadXmlFile(L"c:\\DOC.XML", &raw).code(), row.status);
    Document document(raw);
    if (row.content == nullptr) {
      EXPECT_EQ(raw, nullptr);
    } else {
      ASSERT_NE(raw, nullptr);
      EXPECT_EQ(Text(raw), row.content);
    }
  }
  _xmlDoc* missing = nullptr;
  EXPECT_EQ(LoadXmlFile(L"C:\\none.xml", &missing).code(), kErrorFileNotFound);
}

// A save replaces the file whole or leaves it as it was.
TEST_F(XmlFileTest, SavesAtomicallyOrNotAtAll) {
  TempRoot::WriteFile(C("out.xml"), "old");
  Document empty(xmlNewDoc(BAD_CAST "1.0"));
  EXPECT_EQ(SaveXmlFile(empty.get(), L"C:\\out.xml").code(), kErrorInvalidData);
  EXPECT_EQ(TempRoot::ReadFile(C("out.xml")), "old");

  Document document(ParseXml("<a><b>x &amp; y</b></a>"));
  ASSERT_NE(document, nullptr);
  std::filesystem::permissions(C("out.xml"), std::filesystem::perms::owner_read);
  EXPECT_EQ(SaveXmlFile(document.get(), L"C:\\out.xml").code(), kErrorAccessDenied);
  EXPECT_EQ(TempRoot::ReadFile(C("out.xml")), "old");

  std::filesystem::permissions(C("out.xml"), std::filesystem::perms::owner_all);
  EXPECT_EQ(SaveXmlFile(document.get(), L"C:\\out.xml"), Status::Ok());
  EXPECT_EQ(TempRoot::ReadFile(C("out.xml")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n  <b>x &amp; y</b>\n</a>\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_.Drive(L'c')),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left beside it
}

}  // namespace
}  // namespace kv
