#include "markup.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using kv::datamanager::CMarkup;

// Loads `text`, then reads CustSection/FileVersion@UserVersion as the menu check does.
struct HeaderRead {
  bool loaded = false;
  bool found = false;
  std::wstring version;
  std::wstring error;
};

HeaderRead ReadHeader(const wchar_t* text) {
  HeaderRead read;
  CMarkup xml;
  read.loaded = xml.LoadDocument(text);
  read.error = xml.LastError();
  read.found = xml.FindChild(L"CustSection") && xml.EnterElement() && xml.FindChild(L"FileVersion");
  if (read.found) read.version = xml.AttributeValue(L"UserVersion");
  return read;
}

TEST(MarkupTest, ReadsTheMenuHeaderVersion) {
  struct Row {
    const char* name;
    const wchar_t* text;
    bool found;
    const wchar_t* version;
  } rows[] = {
      {"empty element", L"<CustSection><FileVersion UserVersion=\"3\"/></CustSection>", true, L"3"},
      {"declaration and comment first",
       L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!-- menus -->\n"
       L"<CustSection><FileVersion MajorVersion=\"0\" UserVersion=\"24.3.1\"></FileVersion>"
       L"</CustSection>",
       true, L"24.3.1"},
      {"blanks around the equals sign",
       L"<CustSection><FileVersion UserVersion = '7' /></CustSection>", true, L"7"},
      {"unquoted value", L"<CustSection><FileVersion UserVersion=3/></CustSection>", true, L""},
      {"no such attribute", L"<CustSection><FileVersion Other=\"1\"/></CustSection>", true, L""},
      {"attribute name is a prefix",
       L"<CustSection><FileVersion UserVersionX=\"1\"/></CustSection>", true, L""},
      {"value names the attribute",
       L"<CustSection><FileVersion a=\"UserVersion\" UserVersion=\"5\"/></CustSection>", true,
       L"5"},
      {"later sibling", L"<CustSection><Header/><FileVersion UserVersion=\"2\"/></CustSection>",
       true, L"2"},
      {"grandchild is not a child",
       L"<CustSection><Header><FileVersion UserVersion=\"2\"/></Header></CustSection>", false, L""},
      {"wrong top element", L"<Other><FileVersion UserVersion=\"2\"/></Other>", false, L""},
      {"doctype with brackets and quotes",
       L"<!DOCTYPE c [ <!ENTITY x \"]>\"> ]><CustSection><FileVersion "
       L"UserVersion=\"4\"/></CustSection>",
       true, L"4"},
      {"cdata holding a tag",
       L"<CustSection><![CDATA[<FileVersion UserVersion=\"9\"/>]]><FileVersion UserVersion=\"8\"/>"
       L"</CustSection>",
       true, L"8"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const HeaderRead read = ReadHeader(row.text);
    EXPECT_TRUE(read.loaded) << std::string(read.error.begin(), read.error.end());
    EXPECT_EQ(read.found, row.found);
    EXPECT_EQ(read.version, row.version);
  }
}

TEST(MarkupTest, DecodesTheFiveEntitiesOnly) {
  struct Row {
    const char* name;
    const wchar_t* value;
    const wchar_t* decoded;
  } rows[] = {
      {"all five", L"&lt;&amp;&gt;&apos;&quot;", L"<&>'\""},
      {"unknown entity", L"a&copy;b", L"a&copy;b"},
      {"character reference", L"&#65;", L"&#65;"},
      {"entity cut by the end", L"x&amp", L"x&amp"},
      {"lone ampersand last", L"x&", L"x&"},
      {"empty value", L"", L""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::wstring text = std::wstring(L"<a v=\"") + row.value + L"\"/>";
    CMarkup xml;
    ASSERT_TRUE(xml.LoadDocument(text.c_str()));
    ASSERT_TRUE(xml.FindChild(L"a"));
    EXPECT_EQ(xml.AttributeValue(L"v"), row.decoded);
  }
}

TEST(MarkupTest, ReportsEachParseError) {
  struct Row {
    const char* name;
    const wchar_t* text;
    const wchar_t* error;
  } rows[] = {
      {"no tag", L"just text", L"Element tag not found"},
      {"tag name quoted", L"<\"a\">", L"Tag starts with quote"},
      {"bad special node", L"<?never closed", L"Invalid node"},
      {"blank before question mark", L"< ?x?><a/>", L"Invalid node"},
      {"start tag not closed", L"<a b=\"1\"", L"End of tag not found"},
      {"lone bracket", L"<", L"Abrupt end within tag"},
      {"end tag missing", L"<a>", L"End tag of a element not found"},
      {"end tag of another element", L"<a><b></a>", L"End tag does not correspond to b"},
      {"not an end tag", L"<a>x<", L"Abrupt end within tag"},
      {"end tag unfinished", L"<abc></abc", L"End tag not completed for element abc"},
      {"end tag without name", L"<abc></>", L"End tag does not correspond to abc"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CMarkup xml;
    EXPECT_FALSE(xml.LoadDocument(row.text));
    EXPECT_EQ(xml.LastError(), row.error);
    EXPECT_FALSE(xml.FindChild(L""));
  }
}

TEST(MarkupTest, EmptyTextAndLeadingEndTagFailWithoutError) {
  CMarkup xml;
  EXPECT_FALSE(xml.LoadDocument(L""));
  EXPECT_EQ(xml.LastError(), L"");
  EXPECT_FALSE(xml.LoadDocument(nullptr));
  EXPECT_FALSE(xml.LoadDocument(L"</a><a/>"));
  EXPECT_EQ(xml.LastError(), L"");
  EXPECT_FALSE(xml.FindChild(L"a"));
}

TEST(MarkupTest, ReloadingResetsTheCursorAndKeepsTheLastError) {
  CMarkup xml;
  EXPECT_FALSE(xml.LoadDocument(L"<a>"));
  ASSERT_TRUE(xml.LoadDocument(L"<r><x n=\"1\"/><x n=\"2\"/></r>"));
  EXPECT_EQ(xml.LastError(), L"End tag of a element not found");
  ASSERT_TRUE(xml.FindChild(L"r"));
  ASSERT_TRUE(xml.EnterElement());
  ASSERT_TRUE(xml.FindChild(L"x"));
  EXPECT_EQ(xml.AttributeValue(L"n"), L"1");
  ASSERT_TRUE(xml.FindChild(L"x"));
  EXPECT_EQ(xml.AttributeValue(L"n"), L"2");
  EXPECT_FALSE(xml.FindChild(L"x"));
  EXPECT_EQ(xml.AttributeValue(L"n"), L"2");  // a failed move leaves the cursor

  ASSERT_TRUE(xml.LoadDocument(L"<r/>"));
  EXPECT_EQ(xml.AttributeValue(L"n"), L"");  // no current element after loading
  EXPECT_FALSE(xml.EnterElement());
  ASSERT_TRUE(xml.FindChild(L""));
  EXPECT_TRUE(xml.EnterElement());  // into an empty element: no current
  EXPECT_FALSE(xml.EnterElement());
  EXPECT_FALSE(xml.FindChild(L""));
}

TEST(MarkupTest, ManyElementsGrowThePositionArray) {
  std::wstring text = L"<r>";
  for (int i = 0; i < 2000; ++i) text += L"<e i=\"" + std::to_wstring(i) + L"\"/>";
  text += L"</r>";
  CMarkup xml;
  ASSERT_TRUE(xml.LoadDocument(text.c_str()));
  ASSERT_TRUE(xml.FindChild(L"r"));
  ASSERT_TRUE(xml.EnterElement());
  int count = 0;
  while (xml.FindChild(L"e")) {
    ASSERT_EQ(xml.AttributeValue(L"i"), std::to_wstring(count));
    ++count;
  }
  EXPECT_EQ(count, 2000);
}

TEST(MarkupTest, DeepNestingIsAnErrorNotACrash) {
  std::wstring ok, deep;
  for (int i = 0; i < CMarkup::kMaxDepth; ++i) ok += L"<a>";
  for (int i = 0; i < CMarkup::kMaxDepth; ++i) ok += L"</a>";
  for (int i = 0; i < 200000; ++i) deep += L"<a>";
  CMarkup xml;
  EXPECT_TRUE(xml.LoadDocument(ok.c_str()));
  EXPECT_FALSE(xml.LoadDocument(deep.c_str()));
  EXPECT_EQ(xml.LastError(), L"Elements nested too deeply");
}

}  // namespace
