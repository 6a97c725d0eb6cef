// CMarkup: the data manager's light XML reader. It parses a whole text once into an
// array of element positions and walks that tree with a cursor; names and values are
// never copied at load time, they are cut out of the text (and entity-decoded) when
// asked for. It offers what reading a menu archive's header needs: load, find a child
// by name, step into it, read an attribute.
//
//   CMarkup xml;
//   xml.LoadDocument(L"<CustSection><FileVersion UserVersion=\"3\"/></CustSection>");
//   xml.FindChild(L"CustSection");  xml.EnterElement();
//   xml.FindChild(L"FileVersion");  xml.AttributeValue(L"UserVersion")  => L"3"
//
// Every input is safe: no read outside the text, no endless loop, and nesting deeper
// than kMaxDepth elements is a parse error instead of a stack overflow.
#pragma once

#include <string>
#include <vector>

namespace kv::datamanager {

class CMarkup {
 public:
  // One element: character positions into the document and record links (0 = none).
  struct ElemPos {
    int startBegin = 0;  // "<" of the start tag
    int startEnd = 0;    // ">" of the start tag
    int endBegin = 0;    // "<" of the end tag ("/" of an empty element); parse cursor
    int endEnd = 0;      // ">" of the end tag (startEnd for an empty element)
    int parent = 0;
    int firstChild = 0;
    int nextSibling = 0;
  };

  // Deepest element nesting a document may have.
  static constexpr int kMaxDepth = 1000;

  // Parses `text` (null is the empty text); true when a document element was parsed.
  // On a parse error the text of the error is kept (LastError) and the result is false;
  // an empty text, or one whose first tag is an end tag, gives false and keeps the
  // previous error text.
  bool LoadDocument(const wchar_t* text);

  // Moves the cursor to the next element named `name` among the children of the
  // current parent, after the current element; an empty name takes the next element.
  // False, with the cursor unchanged, when there is none.
  bool FindChild(const wchar_t* name);

  // Makes the current element the parent, so that FindChild looks at its children.
  bool EnterElement();

  // The decoded value of the current element's attribute `name` when it is quoted;
  // empty when there is no current element, no such attribute, or an unquoted value.
  std::wstring AttributeValue(const wchar_t* name) const;

  // The text of the last parse error ("End tag of b element not found").
  const std::wstring& LastError() const { return m_strLastError; }

 private:
  struct Token {
    int start = 0;  // first character (inside the quotes of a quoted token)
    int end = 0;    // last character, inclusive
    int next = 0;   // where the next token search begins
    bool quoted = false;
  };

  int Length() const { return static_cast<int>(m_strDocument.size()); }
  wchar_t At(int index) const;
  bool NextToken(Token& token) const;
  bool TokenMatches(const Token& token, const wchar_t* name) const;
  bool TokenMatches(const Token& token, int nameStart, int nameLength) const;
  bool SkipSpecialNode(Token& token) const;
  int FindChar(int from, wchar_t c) const;
  int ParseElement(int parent, int depth);
  int ParseError(const std::wstring& text);
  int ParseError(const wchar_t* format, int nameStart, int nameLength);
  std::wstring DecodeText(int left, int right) const;
  void ResetCursor();

  std::wstring m_strDocument;
  std::wstring m_strLastError;
  std::vector<ElemPos> m_positions;
  int m_parent = 0;
  int m_current = 0;
  int m_child = 0;
  int m_nextFree = 1;
  int m_nodeKind = 0;
};

}  // namespace kv::datamanager
