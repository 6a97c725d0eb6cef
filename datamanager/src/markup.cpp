// The markup parser: one pass over the text into element records, then cursor moves
// over the records. Positions are indexes into m_strDocument; every read goes through
// At(), which gives NUL past the end, so no input can lead outside the text.
#include "markup.h"

#include <cwchar>
#include <limits>

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kWhiteSpace = L" \t\n\r";
constexpr const wchar_t* kDelimiters = L" \t\n\r<>=\\/?!";
constexpr const wchar_t* kNameFollowers = L" =/[";

bool IsOneOf(wchar_t c, const wchar_t* set) { return c != L'\0' && std::wcschr(set, c) != nullptr; }

struct Entity {
  const wchar_t* name;  // after the "&"
  wchar_t character;
};
constexpr Entity kEntities[] = {
    {L"lt;", L'<'}, {L"amp;", L'&'}, {L"gt;", L'>'}, {L"apos;", L'\''}, {L"quot;", L'"'},
};

}  // namespace

wchar_t CMarkup::At(int index) const {
  if (index < 0 || index >= Length()) return L'\0';
  return m_strDocument[static_cast<size_t>(index)];
}

void CMarkup::ResetCursor() {
  m_parent = 0;
  m_current = 0;
  m_child = 0;
  m_nodeKind = 0;
}

bool CMarkup::LoadDocument(const wchar_t* text) {
  m_nextFree = 1;
  ResetCursor();
  m_strDocument = text ? text : L"";
  // Positions are ints; a text too long for them is refused as a whole.
  if (m_strDocument.size() > static_cast<size_t>(std::numeric_limits<int>::max() / 2)) {
    m_strDocument.clear();
    m_strLastError = L"Element tag not found";
    if (!m_positions.empty()) m_positions[0] = ElemPos{};
    return false;
  }
  const size_t wanted = m_strDocument.size() / 64 + 8;
  if (m_positions.size() < wanted) m_positions.resize(wanted);
  m_positions[0] = ElemPos{};
  if (m_strDocument.empty()) return false;

  const int root = ParseElement(0, 0);
  if (root > 0) {
    m_positions[0].firstChild = root;
    ResetCursor();
    return true;
  }
  m_positions[0] = ElemPos{};
  m_nextFree = 1;
  ResetCursor();
  return false;
}

int CMarkup::FindChar(int from, wchar_t c) const {
  if (from < 0) from = 0;
  if (from >= Length()) return -1;
  const size_t found = m_strDocument.find(c, static_cast<size_t>(from));
  return found == std::wstring::npos ? -1 : static_cast<int>(found);
}

bool CMarkup::NextToken(Token& token) const {
  token.quoted = false;
  int pos = token.next;
  while (IsOneOf(At(pos), kWhiteSpace)) ++pos;
  if (pos >= Length()) {
    token.start = token.end = token.next = pos;
    return false;
  }
  const wchar_t first = At(pos);
  if (first != L'"' && first != L'\'') {
    token.start = pos;
    while (pos < Length() && !IsOneOf(At(pos), kDelimiters)) ++pos;
    if (pos == token.start) ++pos;  // a lone delimiter is a token of its own
    token.next = pos;
    token.end = pos - 1;
    return true;
  }
  token.quoted = true;
  token.start = pos + 1;
  int close = pos + 1;
  while (close < Length() && At(close) != first) ++close;
  token.end = close - 1;
  token.next = close < Length() ? close + 1 : close;
  return true;
}

// The token names `name` when its characters are the name's first characters and the
// name ends there or goes on with one of " =/[".
bool CMarkup::TokenMatches(const Token& token, const wchar_t* name) const {
  const int length = token.end - token.start + 1;
  if (length <= 0 || name == nullptr) return false;
  for (int i = 0; i < length; ++i) {
    if (name[i] == L'\0' || name[i] != At(token.start + i)) return false;
  }
  return name[length] == L'\0' || IsOneOf(name[length], kNameFollowers);
}

// The same, with the name given by its place in the document.
bool CMarkup::TokenMatches(const Token& token, int nameStart, int nameLength) const {
  const int length = token.end - token.start + 1;
  if (length <= 0 || length > nameLength) return false;
  for (int i = 0; i < length; ++i) {
    if (At(nameStart + i) != At(token.start + i)) return false;
  }
  return length == nameLength || IsOneOf(At(nameStart + length), kNameFollowers);
}

// Passes over a processing instruction, comment, CDATA section or document type
// declaration that begins at token.next (its "<"); token.next ends past the node.
bool CMarkup::SkipSpecialNode(Token& token) const {
  const int begin = token.next;
  if (At(begin + 1) == L'\0' || At(begin + 2) == L'\0') return false;
  const wchar_t first = At(begin + 1);
  const wchar_t* terminator = nullptr;
  if (first == L'?') {
    terminator = L"?>";
  } else if (first == L'!') {
    const wchar_t second = At(begin + 2);
    if (second == L'[') {
      terminator = L"]]>";
    } else if (second == L'-') {
      terminator = L"-->";
    } else {
      int depth = 0;
      token.next = begin;
      while (NextToken(token)) {
        if (token.quoted) continue;
        const wchar_t c = At(token.start);
        if (c == L'[') {
          ++depth;
        } else if (c == L']') {
          --depth;
        } else if (depth == 0 && c == L'>') {
          return true;  // token.next is already past the ">"
        }
      }
      return false;
    }
  } else {
    // White space between "<" and "?" or "!": not a node this parser knows. Calling it
    // skipped would leave the cursor where it was and loop for ever.
    return false;
  }
  const size_t found = m_strDocument.find(terminator, static_cast<size_t>(begin));
  if (found == std::wstring::npos) return false;
  token.next = static_cast<int>(found + std::wcslen(terminator));
  return true;
}

int CMarkup::ParseError(const std::wstring& text) {
  m_strLastError = text;
  --m_nextFree;
  return -1;
}

int CMarkup::ParseError(const wchar_t* format, int nameStart, int nameLength) {
  const std::wstring name =
      m_strDocument.substr(static_cast<size_t>(nameStart), static_cast<size_t>(nameLength));
  std::wstring text = format;
  const size_t at = text.find(L"%s");
  if (at != std::wstring::npos) text.replace(at, 2, name);
  return ParseError(text);
}

int CMarkup::ParseElement(int parent, int depth) {
  if (m_nextFree >= static_cast<int>(m_positions.size())) {
    m_positions.resize(m_positions.size() + m_positions.size() / 2 + 1);
  }
  const int i = m_nextFree++;
  m_positions[i] = ElemPos{};
  m_positions[i].parent = parent;

  Token token;
  token.next = m_positions[parent].endBegin;
  int nameStart = 0;
  int nameLength = 0;
  int cursor = 0;
  for (;;) {
    const int open = FindChar(token.next, L'<');
    if (open < 0) {
      // Inside an element, running out of tags means its end tag is missing: that is
      // the element's error, reported by the caller; at the top it is the document's.
      if (parent != 0) {
        --m_nextFree;
        return 0;
      }
      return ParseError(L"Element tag not found");
    }
    m_positions[i].startBegin = open;
    m_positions[parent].endBegin = open;
    token.next = open + 1;
    if (!NextToken(token)) return ParseError(L"Abrupt end within tag");
    if (token.quoted) return ParseError(L"Tag starts with quote");
    const wchar_t first = At(token.start);
    if (first == L'?' || first == L'!') {
      token.next = open;
      if (!SkipSpecialNode(token)) return ParseError(L"Invalid node");
      continue;
    }
    if (first == L'/') {
      --m_nextFree;  // an end tag: it belongs to the parent
      return 0;
    }
    nameStart = token.start;
    nameLength = token.end - token.start + 1;
    cursor = FindChar(token.next, L'>');
    if (cursor < 0) return ParseError(L"End of tag not found");
    if (depth >= kMaxDepth) return ParseError(L"Elements nested too deeply");
    break;
  }

  m_positions[i].startEnd = cursor;
  if (At(cursor - 1) == L'/') {
    m_positions[i].endBegin = cursor - 1;
    m_positions[i].endEnd = cursor;
    return i;
  }

  m_positions[i].endBegin = cursor + 1;
  int previous = 0;
  int child = ParseElement(i, depth + 1);
  while (child > 0) {
    if (previous == 0) {
      m_positions[i].firstChild = child;
    } else {
      m_positions[previous].nextSibling = child;
    }
    previous = child;
    m_positions[i].endBegin = m_positions[child].endEnd + 1;
    child = ParseElement(i, depth + 1);
  }
  if (child < 0) return -1;

  const int endTag = FindChar(m_positions[i].endBegin, L'<');
  if (endTag < 0) return ParseError(L"End tag of %s element not found", nameStart, nameLength);
  m_positions[i].endBegin = endTag;

  token.next = endTag + 1;
  int count = 0;
  while (NextToken(token)) {
    if (token.quoted) continue;
    ++count;
    const wchar_t c = At(token.start);
    if (count == 1 && c != L'/') {
      return ParseError(L"Expecting end tag of element %s", nameStart, nameLength);
    }
    if (count == 2 && !TokenMatches(token, nameStart, nameLength)) {
      return ParseError(L"End tag does not correspond to %s", nameStart, nameLength);
    }
    if (c == L'>') {
      if (count < 2) break;
      m_positions[i].endEnd = token.start;
      return i;
    }
  }
  return ParseError(L"End tag not completed for element %s", nameStart, nameLength);
}

bool CMarkup::FindChild(const wchar_t* name) {
  if (m_positions.empty()) return false;
  int j = m_current ? m_positions[m_current].nextSibling : m_positions[m_parent].firstChild;
  if (name != nullptr && name[0] != L'\0') {
    for (; j != 0; j = m_positions[j].nextSibling) {
      Token token;
      token.next = m_positions[j].startBegin + 1;
      if (NextToken(token) && !token.quoted && TokenMatches(token, name)) break;
    }
  }
  if (j == 0) return false;
  m_parent = m_positions[j].parent;
  m_current = j;
  m_child = 0;
  m_nodeKind = 1;
  return true;
}

bool CMarkup::EnterElement() {
  if (m_current == 0 || m_nodeKind != 1) return false;
  m_parent = m_current;
  m_current = m_child;
  m_child = 0;
  m_nodeKind = m_current != 0 ? 1 : 0;
  return true;
}

std::wstring CMarkup::AttributeValue(const wchar_t* name) const {
  if (m_current == 0 || m_nodeKind != 1 || name == nullptr) return {};
  Token token;
  token.next = m_positions[m_current].startBegin + 1;
  int number = -1;
  int match = -1;
  while (NextToken(token)) {
    ++number;
    if (!token.quoted) {
      const wchar_t c = At(token.start);
      if (c == L'>' || c == L'/' || c == L'?') return {};
      if (match < 0 && number > 0 && c != L'=' && TokenMatches(token, name)) match = number;
    } else if (match >= 0 && number == match + 2) {
      int end = token.end;
      if (end >= Length()) end = Length() - 1;
      return DecodeText(token.start, end);
    }
  }
  return {};
}

std::wstring CMarkup::DecodeText(int left, int right) const {
  std::wstring out;
  if (left < 0) left = 0;
  if (right >= Length()) right = Length() - 1;
  if (right >= left) out.reserve(static_cast<size_t>(right - left + 1));
  for (int pos = left; pos <= right; ++pos) {
    const wchar_t c = At(pos);
    if (c == L'&') {
      bool replaced = false;
      for (const Entity& entity : kEntities) {
        const int length = static_cast<int>(std::wcslen(entity.name));
        if (pos > right - length) continue;
        if (m_strDocument.compare(static_cast<size_t>(pos + 1), static_cast<size_t>(length),
                                  entity.name) == 0) {
          out += entity.character;
          pos += length;
          replaced = true;
          break;
        }
      }
      if (replaced) continue;
    }
    out += c;
  }
  return out;
}

}  // namespace kv::datamanager
