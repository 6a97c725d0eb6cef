#include "KVFileUtilities/xml.h"

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "temp_root.h"

namespace {

using kv::testing::TempRoot;

constexpr wchar_t kCatalogue[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
    L"<!-- messages -->\n"
    L"<KtlMessages>\n"
    L"  <KtlMessage>\n"
    L"    <msgid> FILE_LOCKED </msgid>\n"
    L"    <KtlMessageString msg=\"The file is locked.\"/>\n"
    L"    <KtlMessageString msg=\"Close it first.\"/>\n"
    L"  </KtlMessage>\n"
    L"  <KtlMessage><msgid>CDATA</msgid><code><![CDATA[<a> & b]]></code>"
    L"<framed><![CDATA[<![CDATA[inner]]]]><![CDATA[>]]></framed><?keep this?></KtlMessage>\n"
    L"</KtlMessages>\n";

CXmlDocument Catalogue() {
  CXmlDocument document;
  EXPECT_TRUE(document.LoadXml(kCatalogue));
  return document;
}

// A wrapper that holds nothing answers everything with an empty result, and so does
// what a query that matched nothing gives.
TEST(XmlWrappers, EmptyWrappersAnswerEmpty) {
  CXmlDocument document;
  EXPECT_FALSE(document.IsValid());
  EXPECT_FALSE(document.Save(L"C:\\never.xml"));
  EXPECT_EQ(document.GetXml(), L"");
  EXPECT_FALSE(document.GetDocumentElement().IsValid());
  EXPECT_FALSE(document.GetChildNodes().IsValid());
  EXPECT_FALSE(document.CreateNode(1LL, L"a").IsValid());
  EXPECT_FALSE(document.CreateAttribute(L"a", L"b").IsValid());
  EXPECT_FALSE(document.CreateCDATASection(L"x").IsValid());
  EXPECT_FALSE(document.SelectNodes(L"*").IsValid());
  EXPECT_EQ(document.GetDocument(), nullptr);

  const CXmlNode unmatched = Catalogue().SelectSingleNode(L"/KtlMessages/none");
  for (CXmlNode node : {CXmlNode(), unmatched}) {
    EXPECT_FALSE(node.IsValid());
    EXPECT_EQ(node.GetName() + node.GetValue() + node.GetText() + node.GetCDATAValue(), L"");
    EXPECT_FALSE(node.SetText(L"x"));
    EXPECT_EQ(node.GetNodeType(), 0);
    EXPECT_FALSE(node.GetAttributes().IsValid());
    EXPECT_FALSE(node.GetChildNodes().IsValid());
    EXPECT_FALSE(node.AppendChild(Catalogue().GetDocumentElement()));
    EXPECT_FALSE(node.RemoveChild(L"*"));
    EXPECT_FALSE(node.CloneNode(1).IsValid());
    EXPECT_FALSE(node.SetAttribute(L"a", 1));
    EXPECT_FALSE(node.SelectNodes(L"*").IsValid());
    EXPECT_FALSE(node.SelectSingleNode(L"*").IsValid());
    EXPECT_FALSE(node.GetNode());
  }
  CXmlNodeList list;
  EXPECT_EQ(list.GetNodeCount(), 0);
  EXPECT_FALSE(list[0].IsValid());
  EXPECT_EQ(list.GetNodeList(), nullptr);
  CXmlAttributes attributes;
  CXmlAttribute attribute;
  EXPECT_EQ(attributes.GetAttributeCount(), 0);
  EXPECT_FALSE(attributes[0].IsValid());
  EXPECT_FALSE(attributes[L"msg"].IsValid());
  EXPECT_FALSE(attributes.Add(attribute));
  EXPECT_EQ(attribute.GetName() + attribute.GetValue(), L"");
  CCDATASection section;
  EXPECT_FALSE(section.IsValid());
  EXPECT_FALSE(CXmlNode(section).IsValid());
  EXPECT_EQ(&section, nullptr);
}

// What each kind of node says of itself, found by XPath from the document or a node.
TEST(XmlWrappers, NodesDescribeThemselves) {
  const CXmlDocument document = Catalogue();
  const CXmlNode message = document.SelectSingleNode(L"//KtlMessage[msgid='CDATA']");
  ASSERT_TRUE(message.IsValid());
  struct Row {
    CXmlNode node;
    int type;
    const wchar_t* name;
    const wchar_t* value;
    const wchar_t* text;
    const wchar_t* cdataValue;
  };
  const Row rows[] = {
      {document.GetDocumentElement().SelectSingleNode(L"KtlMessage/msgid"), NODE_ELEMENT, L"msgid",
       L"", L"FILE_LOCKED", L" FILE_LOCKED "},
      {document.SelectSingleNode(L"//KtlMessageString[2]/@msg"), NODE_ATTRIBUTE, L"msg",
       L"Close it first.", L"Close it first.", L"Close it first."},
      {document.SelectSingleNode(L"//msgid/text()"), NODE_TEXT, L"#text", L" FILE_LOCKED ",
       L" FILE_LOCKED ", L" FILE_LOCKED "},
      {message.SelectSingleNode(L"code/node()"), NODE_CDATA_SECTION, L"#cdata-section", L"<a> & b",
       L"<a> & b", L"<a> & b"},
      {message.SelectSingleNode(L"framed"), NODE_ELEMENT, L"framed", L"", L"inner",
       L"<![CDATA[inner]]>"},
      {message.SelectSingleNode(L"processing-instruction()"), NODE_PROCESSING_INSTRUCTION, L"keep",
       L"this", L"this", L"this"},
      {document.GetChildNodes()[0], NODE_COMMENT, L"#comment", L" messages ", L" messages ",
       L" messages "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(row.name));
    ASSERT_TRUE(row.node.IsValid());
    EXPECT_EQ(row.node.GetNodeType(), row.type);
    EXPECT_EQ(row.node.GetName(), row.name);
    EXPECT_EQ(row.node.GetValue(), row.value);
    EXPECT_EQ(row.node.GetText(), row.text);
    EXPECT_EQ(row.node.GetCDATAValue(), row.cdataValue);
  }
  // White space between elements is not kept: the first message has three children.
  EXPECT_EQ(document.SelectSingleNode(L"KtlMessages/KtlMessage").GetChildNodes().GetNodeCount(), 3);
  EXPECT_EQ(document.GetChildNodes().GetNodeCount(), 2);
  EXPECT_EQ(document.SelectNodes(L"//KtlMessageString").GetNodeCount(), 2);
  EXPECT_EQ(document.SelectNodes(L"//nothing").GetNodeCount(), 0);
  EXPECT_TRUE(document.SelectNodes(L"//nothing").IsValid());        // a list, empty
  EXPECT_FALSE(document.SelectNodes(L"count(//msgid)").IsValid());  // not nodes
  EXPECT_FALSE(document.SelectNodes(L"//[").IsValid());             // not XPath
  const CXmlAttributes attributes =
      document.SelectSingleNode(L"//KtlMessageString").GetAttributes();
  EXPECT_EQ(attributes.GetAttributeCount(), 1);
  EXPECT_EQ(attributes[0L].GetName(), L"msg");
  EXPECT_EQ(attributes[L"msg"].GetValue(), L"The file is locked.");
  EXPECT_FALSE(attributes[1L].IsValid());
  EXPECT_FALSE(document.SelectSingleNode(L"//msgid/text()").GetAttributes().IsValid());
}

TEST(XmlWrappers, EditsTheTree) {
  CXmlDocument document;
  ASSERT_TRUE(document.LoadXml(L"<root><a><b/></a></root>"));
  CXmlNode root = document.GetDocumentElement();
  CXmlNode a = root.SelectSingleNode(L"a");
  CXmlNode added = document.CreateNode(L"element", L"added");
  CXmlNode text = document.CreateNode(3LL, L"");
  ASSERT_TRUE(text.SetText(L"t & u"));
  ASSERT_TRUE(added.AppendChild(text));
  ASSERT_TRUE(added.AppendChild(CXmlNode(document.CreateCDATASection(L"]]>x"))));
  ASSERT_TRUE(added.SetAttribute(L"n", 7));
  ASSERT_TRUE(root.AppendChild(added));
  CXmlAttribute attribute = document.CreateAttribute(L"n", 8.5);
  ASSERT_TRUE(attribute.IsValid());
  CXmlAttributes attributes = added.GetAttributes();
  EXPECT_TRUE(attributes.Add(attribute));  // replaces n="7"
  EXPECT_EQ(attributes.GetAttributeCount(), 1);

  CXmlDocument other;
  ASSERT_TRUE(other.LoadXml(L"<other/>"));
  struct Refusal {
    const char* name;
    bool done;
  };
  const Refusal refusals[] = {
      {"a node into its own descendant", a.AppendChild(root)},
      {"a node into itself", a.AppendChild(a)},
      {"an attribute as a child", a.AppendChild(CXmlNode(attribute.GetNode()))},
      {"a node of another document", a.AppendChild(other.GetDocumentElement())},
      {"a second document element",
       CXmlNode(document.SelectSingleNode(L"/")).AppendChild(document.CreateNode(1LL, L"second"))},
      {"text beside the document element",
       CXmlNode(document.SelectSingleNode(L"/")).AppendChild(document.CreateNode(3LL, L""))},
      {"an element with an invalid name", document.CreateNode(1LL, L"1bad").IsValid()},
      {"an attribute on a text node", text.SetAttribute(L"x", L"y")},
      {"removing a grandchild", root.RemoveChild(L"a/b")},
      {"removing what is not there", root.RemoveChild(L"none")},
      {"removing an attribute", added.RemoveChild(L"@n")},
  };
  for (const Refusal& refusal : refusals) EXPECT_FALSE(refusal.done) << refusal.name;

  EXPECT_TRUE(root.AppendChild(a.CloneNode(0)));  // <a/> without its child
  EXPECT_TRUE(root.AppendChild(a.CloneNode(1)));  // <a><b/></a>
  EXPECT_TRUE(a.RemoveChild(L"b"));
  EXPECT_TRUE(a.SetText(L"now text"));
  EXPECT_EQ(document.GetXml(),
            L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <a>now text</a>\n"
            L"  <added n=\"8.5\">t &amp; u<![CDATA[]]]]><![CDATA[>x]]></added>\n"
            L"  <a/>\n  <a>\n    <b/>\n  </a>\n</root>\n");
  CXmlDocument reloaded;
  EXPECT_TRUE(reloaded.LoadXml(document.GetXml()));
  EXPECT_EQ(reloaded.SelectSingleNode(L"//added").GetText(), L"t & u]]>x");
}

// Copies share what they wrap and keep it alive: a node outlives the wrappers it came
// from and its document wrapper; nodes taken out of the tree stay usable.
TEST(XmlWrappers, ReferencesOutliveTheirOriginals) {
  CXmlNode survivor;
  CXmlNodeList list;
  CXmlNode removed;
  CXmlNode replacedText;
  {
    auto document = std::make_unique<CXmlDocument>(Catalogue());
    auto first = std::make_unique<CXmlNode>(document->SelectSingleNode(L"//msgid"));
    survivor = *first;
    first.reset();
    list = document->SelectNodes(L"//KtlMessageString");
    CXmlNode message = document->SelectSingleNode(L"//KtlMessage");
    removed = message.SelectSingleNode(L"KtlMessageString");
    replacedText = message.SelectSingleNode(L"msgid/text()");
    ASSERT_TRUE(message.RemoveChild(L"KtlMessageString"));
    ASSERT_TRUE(survivor.SetText(L"NEW"));
    CXmlDocument copy = *document;
    document.reset();
    EXPECT_EQ(copy.SelectSingleNode(L"//msgid").GetText(), L"NEW");
  }
  EXPECT_EQ(survivor.GetText(), L"NEW");
  EXPECT_EQ(list.GetNodeCount(), 2);
  EXPECT_EQ(list[1].GetAttributes()[L"msg"].GetValue(), L"Close it first.");
  EXPECT_EQ(removed.GetAttributes()[L"msg"].GetValue(), L"The file is locked.");
  EXPECT_EQ(replacedText.GetValue(), L" FILE_LOCKED ");
  CXmlNode copy = survivor;
  copy = copy;  // self-assignment keeps the reference
  EXPECT_TRUE(copy.IsValid());
}

class XmlFileTest : public kv::testing::RootTest {};

// Documents load from and save to Windows paths; a failed load leaves an empty
// document (which cannot be saved over a file); what an entity names is never read.
TEST_F(XmlFileTest, LoadsAndSavesThroughThePlatform) {
  TempRoot::WriteFile(root_.Drive(L'c') / "secret.txt", "SECRET");
  TempRoot::WriteFile(root_.Drive(L'c') / "Data" / "in.xml", "<a>\n <b>x</b>\n</a>");
  CXmlDocument document;
  ASSERT_TRUE(document.Load(L"c:/data\\IN.xml"));
  EXPECT_EQ(document.GetDocumentElement().GetText(), L"x");
  ASSERT_TRUE(document.Save(L"C:\\Data\\out.xml"));
  EXPECT_EQ(TempRoot::ReadFile(root_.Drive(L'c') / "Data" / "out.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n  <b>x</b>\n</a>\n");

  struct Row {
    const char* name;
    bool loaded;
  };
  CXmlDocument failed;
  const Row rows[] = {
      {"a missing file", failed.Load(L"C:\\Data\\none.xml")},
      {"malformed text", failed.LoadXml(L"<a><b></a>")},
  };
  for (const Row& row : rows) EXPECT_FALSE(row.loaded) << row.name;
  EXPECT_TRUE(failed.IsValid());
  EXPECT_FALSE(failed.GetDocumentElement().IsValid());
  EXPECT_FALSE(failed.Save(L"C:\\Data\\out.xml"));
  EXPECT_NE(TempRoot::ReadFile(root_.Drive(L'c') / "Data" / "out.xml"), "");

  CXmlDocument hostile;
  const std::wstring secret = (root_.Drive(L'c') / "secret.txt").wstring();
  ASSERT_TRUE(
      hostile.LoadXml(L"<!DOCTYPE a [<!ENTITY e SYSTEM \"file://" + secret + L"\">]><a>[&e;]</a>"));
  EXPECT_EQ(hostile.GetDocumentElement().GetText(), L"[]");
  EXPECT_EQ(hostile.GetXml().find(L"SECRET"), std::wstring::npos);
}

}  // namespace
