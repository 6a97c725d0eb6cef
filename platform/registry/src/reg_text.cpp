// Reading and writing `.reg` text.
//
// Reading follows regedit: a header line, key lines `[HKEY_...\path]` and `[-...]`,
// value lines `"name"=data` or `@=data` where data is "text", dword:, hex:, hex(N): with
// `,\` continuation lines, or - to delete; `;` starts a comment line. A line that cannot
// be read is reported with its number and handed back verbatim; it never stops the lines
// after it.
#include "reg_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "KVPlatform/text.h"

namespace kv::detail {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  }
  return true;
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithNoCase(a, b);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "1" .. "ffffffff" => value; false for anything else (empty, too long, not hex).
bool ParseHexNumber(std::string_view digits, uint32_t* value) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t n = 0;
  for (char c : digits) {
    int d = HexDigit(c);
    if (d < 0) return false;
    n = (n << 4) | static_cast<uint32_t>(d);
  }
  *value = n;
  return true;
}

}  // namespace

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    // Eight ASCII bytes at a time: most text is ASCII.
    uint64_t eight;
    if (i + 8 <= s.size() &&
        (std::memcpy(&eight, s.data() + i, 8), (eight & 0x8080808080808080ull) == 0)) {
      i += 8;
      continue;
    }
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t length;
    uint32_t value;
    uint32_t minimum;
    if ((c & 0xE0) == 0xC0) {
      length = 2, value = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, value = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, value = c & 0x07, minimum = 0x10000;
    } else {
      return false;
    }
    if (i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(s[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

std::string_view LineCursor::Peek() const {
  if (AtEnd()) return {};
  size_t end = text_.find('\n', at_);
  if (end == std::string_view::npos) end = text_.size();
  std::string_view line = text_.substr(at_, end - at_);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view LineCursor::Next() {
  if (AtEnd()) return {};
  size_t end = text_.find('\n', at_);
  if (end == std::string_view::npos) end = text_.size();
  std::string_view line = text_.substr(at_, end - at_);
  at_ = end < text_.size() ? end + 1 : text_.size();
  ++line_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

std::string_view TrimLine(std::string_view line) { return Trim(line); }

namespace {

// Reads a quoted string starting at s[*pos] == '"'; only \\ and \" are escapes, any other
// backslash stands for itself. False when the closing quote is missing.
bool ReadQuoted(std::string_view s, size_t* pos, std::string* out) {
  size_t i = *pos + 1;
  while (i < s.size()) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
      out->push_back(s[i + 1]);
      i += 2;
    } else if (c == '"') {
      *pos = i + 1;
      return true;
    } else {
      out->push_back(c);
      ++i;
    }
  }
  return false;
}

bool IsContinuationLine(std::string_view line) {
  line = Trim(line);
  if (line.empty()) return false;
  return std::all_of(line.begin(), line.end(), [](char c) {
    return HexDigit(c) >= 0 || c == ',' || c == ' ' || c == '\t' || c == '\\';
  });
}

// "01,ff, 2" => {1, 255, 2}; a trailing comma is allowed.
bool ParseHexBytes(std::string_view payload, std::vector<uint8_t>* bytes, std::wstring* problem) {
  payload = Trim(payload);
  if (payload.empty()) return true;
  size_t start = 0;
  while (start <= payload.size()) {
    size_t end = payload.find(',', start);
    if (end == std::string_view::npos) end = payload.size();
    std::string_view token = Trim(payload.substr(start, end - start));
    bool last = end == payload.size();
    if (token.empty()) {
      if (last && start > 0) break;  // "01,02," ends with a comma
      *problem = L"an empty byte in the hex data";
      return false;
    }
    uint32_t value = 0;
    if (token.size() > 2 || !ParseHexNumber(token, &value)) {
      *problem = L"\"" + AnsiToWide(token) + L"\" is not a hex byte (00 to ff)";
      return false;
    }
    bytes->push_back(static_cast<uint8_t>(value));
    if (last) break;
    start = end + 1;
  }
  return true;
}

// Splits zero-terminated strings; the final terminator of the list is optional.
template <typename Unit>
std::vector<std::basic_string<Unit>> SplitMulti(std::basic_string<Unit> all) {
  std::vector<std::basic_string<Unit>> strings;
  if (!all.empty() && all.back() == Unit(0)) all.pop_back();
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find(Unit(0), start);
    if (end == std::basic_string<Unit>::npos) {
      strings.push_back(all.substr(start));
      break;
    }
    strings.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

uint64_t LittleEndian(const std::vector<uint8_t>& bytes) {
  uint64_t n = 0;
  for (size_t i = bytes.size(); i-- > 0;) n = (n << 8) | bytes[i];
  return n;
}

// The value that hex(type) bytes stand for. Version 5 files carry text as UTF-16LE,
// REGEDIT4 files as 8-bit text; bytes that do not form the type's layout stay as bytes.
RegValue DecodeHexValue(uint32_t type, std::vector<uint8_t> bytes, bool regedit4) {
  RegValue value;
  value.type = type;
  auto text = [&]() {
    if (regedit4) {
      std::string s(bytes.begin(), bytes.end());
      return AnsiToWide(s);
    }
    return Utf16LeToWide(bytes.data(), bytes.size());
  };
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      if (!regedit4 && bytes.size() % 2 != 0) break;
      value.text = text();
      if (!value.text.empty() && value.text.back() == 0) value.text.pop_back();
      return value;
    case kRegMultiSz:
      if (!regedit4 && bytes.size() % 2 != 0) break;
      value.strings = SplitMulti(text());
      return value;
    case kRegDword:
      if (bytes.size() != 4) break;
      value.number = LittleEndian(bytes);
      return value;
    case kRegQword:
      if (bytes.size() != 8) break;
      value.number = LittleEndian(bytes);
      return value;
    default: break;
  }
  value.data = std::move(bytes);
  return value;
}

std::string EscapeQuoted(std::wstring_view text) {
  std::string utf8 = WideToAnsi(text);
  std::string out;
  out.reserve(utf8.size() + 2);
  out += '"';
  for (char c : utf8) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

bool CanQuote(std::wstring_view text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) {
    auto u = static_cast<uint32_t>(c);
    return c != 0 && c != L'\r' && c != L'\n' && u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
  });
}

void AppendHex(std::string line, const std::vector<uint8_t>& bytes, std::string* out) {
  static const char kDigits[] = "0123456789abcdef";
  for (size_t i = 0; i < bytes.size(); ++i) {
    char byte[4] = {kDigits[bytes[i] >> 4], kDigits[bytes[i] & 15], ',', 0};
    size_t width = i + 1 < bytes.size() ? 3 : 2;
    // regedit's layout: lines of at most 80 characters, continued with "\" and two blanks.
    if (line.size() + width > 77) {
      *out += line;
      *out += "\\\n";
      line = "  ";
    }
    line.append(byte, width);
  }
  *out += line;
  *out += '\n';
}

std::string HexTypePrefix(uint32_t type) {
  if (type == kRegBinary) return "hex:";
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "hex(%x):", type);
  return buffer;
}

std::vector<uint8_t> TerminatedUtf16(std::wstring_view text) {
  std::vector<uint8_t> bytes = WideToUtf16Le(text);
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// A kept line and its line end. A line that itself ends in CR (it ended in CR CR LF)
// gets CR LF, so that reading it again gives the same line, both CRs kept.
void AppendRawLine(std::string_view line, std::string* out) {
  *out += line;
  *out += !line.empty() && line.back() == '\r' ? "\r\n" : "\n";
}

// A key name component as UTF-8 (valid UTF-8, no backslash): at most
// kMaxKeyNameLength characters, none of them a zero, CR or LF.
bool IsValidKeyNameBytes(std::string_view name) {
  size_t characters = 0;
  for (char c : name) {
    if (c == '\0' || c == '\r' || c == '\n') return false;
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
  }
  return characters <= kMaxKeyNameLength;
}

std::optional<Hive> HiveFromBytes(std::string_view name) {
  static const struct {
    std::string_view full, shortName;
    Hive hive;
  } kHives[] = {
      {"HKEY_CLASSES_ROOT", "HKCR", Hive::kClassesRoot},
      {"HKEY_CURRENT_USER", "HKCU", Hive::kCurrentUser},
      {"HKEY_LOCAL_MACHINE", "HKLM", Hive::kLocalMachine},
      {"HKEY_USERS", "HKU", Hive::kUsers},
  };
  for (const auto& h : kHives) {
    if (name == h.full) return h.hive;  // as hive files spell it
  }
  for (const auto& h : kHives) {
    if (EqualsNoCaseAscii(name, h.full) || EqualsNoCaseAscii(name, h.shortName)) return h.hive;
  }
  return std::nullopt;
}

// Whether a line that is not UTF-8 holds a surrogate in WTF-8 (ED A0..BF ..).
bool HoldsSurrogate(std::string_view line) {
  for (size_t i = 0; i + 1 < line.size(); ++i) {
    if (static_cast<unsigned char>(line[i]) == 0xED &&
        (static_cast<unsigned char>(line[i + 1]) & 0xE0) == 0xA0) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool ValueLineName(std::string_view line, std::string* name) {
  name->clear();
  if (line.empty()) return false;
  if (line[0] == '@') return true;
  size_t pos = 0;
  return line[0] == '"' && ReadQuoted(line, &pos, name);
}

std::wstring ParseValueLines(std::string_view first, LineCursor& lines, bool regedit4,
                             ParsedValue* parsed) {
  std::string_view line = first;
  size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else if (line[0] == '"') {
    std::string name;
    if (!ReadQuoted(line, &pos, &name)) return L"the value name has no closing quote";
    parsed->name = AnsiToWide(name);
  } else {
    return L"expected a key line [...], a value line \"name\"=... or @=..., or a ; comment";
  }
  std::wstring who =
      line[0] == '@' ? std::wstring(L"the default value") : L"value \"" + parsed->name + L"\"";
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  if (pos >= line.size() || line[pos] != '=') return L"expected = after the name of " + who;
  std::string_view data = TrimLeft(line.substr(pos + 1));

  if (data == "-") {
    parsed->value.reset();
    return {};
  }
  if (!data.empty() && data[0] == '"') {
    size_t end = 0;
    std::string text;
    if (!ReadQuoted(data, &end, &text)) return L"the text of " + who + L" has no closing quote";
    if (!Trim(data.substr(end)).empty()) {
      return L"unexpected text after the closing quote of " + who +
             L" (quotes inside text are written \\\")";
    }
    parsed->value = RegValue::String(AnsiToWide(text));
    return {};
  }
  if (StartsWithNoCase(data, "dword:")) {
    uint32_t number = 0;
    std::string_view digits = data.substr(6);
    size_t comment = digits.find(';');
    if (comment != std::string_view::npos) digits = digits.substr(0, comment);
    if (!ParseHexNumber(Trim(digits), &number)) {
      return L"the dword of " + who + L" must be 1 to 8 hex digits";
    }
    parsed->value = RegValue::Dword(number);
    return {};
  }
  if (StartsWithNoCase(data, "hex")) {
    uint32_t type = kRegBinary;
    std::string_view rest = data.substr(3);
    if (!rest.empty() && rest[0] == '(') {
      size_t close = rest.find(')');
      if (close == std::string_view::npos || !ParseHexNumber(rest.substr(1, close - 1), &type)) {
        return L"the type of " + who + L" must be hex(N): with N in hex";
      }
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest[0] != ':') return L"expected : after hex in " + who;
    std::string payload(rest.substr(1));
    for (;;) {
      std::string_view trimmed = TrimRight(payload);
      if (trimmed.empty() || trimmed.back() != '\\') break;
      payload.resize(trimmed.size() - 1);
      if (lines.AtEnd() || !IsContinuationLine(lines.Peek())) {
        return L"the hex data of " + who + L" ends with \\ but no continuation line follows";
      }
      std::string_view next = Trim(lines.Next());
      std::string_view before = TrimRight(payload);
      if (!before.empty() && before.back() != ',' && next.front() != ',') payload += ',';
      payload += next;
    }
    std::vector<uint8_t> bytes;
    std::wstring problem;
    if (!ParseHexBytes(payload, &bytes, &problem)) return problem + L" in " + who;
    parsed->value = DecodeHexValue(type, std::move(bytes), regedit4);
    return {};
  }
  return L"the data of " + who + L" must be \"text\", dword:, hex:, hex(N): or -";
}

std::wstring ParseKeyLine(std::string_view line, KeyLine* key) {
  key->components.clear();
  size_t close = line.rfind(']');
  if (close == std::string_view::npos) return L"the key line has no closing ]";
  if (!Trim(line.substr(close + 1)).empty()) return L"unexpected text after ] of the key line";
  std::string_view inner = line.substr(1, close - 1);
  key->remove = !inner.empty() && inner[0] == '-';
  if (key->remove) inner.remove_prefix(1);
  std::string_view hiveName;
  std::string_view badName;  // the first name that is not valid
  // Names are looked at closely only when the line holds a character no name may hold,
  // or when one may be too long.
  const bool clean =
      inner.find('\0') == std::string_view::npos && inner.find('\r') == std::string_view::npos;
  size_t start = 0;
  while (start <= inner.size()) {
    size_t end = inner.find('\\', start);
    if (end == std::string_view::npos) end = inner.size();
    if (end > start) {
      std::string_view part = inner.substr(start, end - start);
      if (hiveName.empty()) {
        hiveName = part;
      } else {
        if (badName.empty() && (!clean || part.size() > kMaxKeyNameLength) &&
            !IsValidKeyNameBytes(part)) {
          badName = part;
        }
        key->components.push_back(part);
      }
    }
    start = end + 1;
  }
  if (hiveName.empty()) return L"the key line names no key";
  std::optional<Hive> found = HiveFromBytes(hiveName);
  if (!found) return L"unknown hive \"" + AnsiToWide(hiveName) + L"\" in the key line";
  key->hive = *found;
  if (key->components.size() > kMaxKeyDepth) {
    return L"the key lies " + std::to_wstring(key->components.size()) +
           L" levels below its hive; keys nest at most 512 levels deep";
  }
  if (!badName.empty()) {
    return L"the key name \"" + AnsiToWide(badName) + L"\" is not valid (at most 255 characters)";
  }
  return {};
}

std::optional<Hive> HiveFromName(std::wstring_view name) {
  static const struct {
    std::wstring_view full, shortName;
    Hive hive;
  } kHives[] = {
      {L"HKEY_CLASSES_ROOT", L"HKCR", Hive::kClassesRoot},
      {L"HKEY_CURRENT_USER", L"HKCU", Hive::kCurrentUser},
      {L"HKEY_LOCAL_MACHINE", L"HKLM", Hive::kLocalMachine},
      {L"HKEY_USERS", L"HKU", Hive::kUsers},
  };
  for (const auto& h : kHives) {
    if (EqualsNoCase(name, h.full) || EqualsNoCase(name, h.shortName)) return h.hive;
  }
  return std::nullopt;
}

RegFileText DecodeRegFileBytes(std::string bytes) {
  auto utf16 = [&](bool little) {
    std::vector<uint8_t> units(bytes.begin() + 2, bytes.end());
    if (!little) {
      for (size_t i = 0; i + 1 < units.size(); i += 2) std::swap(units[i], units[i + 1]);
    }
    RegFileText decoded{WideToWtf8(Utf16LeToWide(units.data(), units.size())), true};
    if (units.size() % 2 != 0) decoded.text += '\xFF';  // half a character: never text
    return decoded;
  };
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    return utf16(true);
  }
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFE &&
      static_cast<uint8_t>(bytes[1]) == 0xFF) {
    return utf16(false);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  return RegFileText{std::move(bytes), false};
}

RegParseResult ReadRegHeader(std::string_view text, size_t* bodyStart, int* bodyLine) {
  RegParseResult result;
  LineCursor lines(text);
  while (!lines.AtEnd() && Trim(lines.Peek()).empty()) lines.Next();
  std::string_view first = Trim(lines.Peek());
  if (!lines.AtEnd() && EqualsNoCaseAscii(first, kRegHeader5)) {
    result.hasHeader = true;
  } else if (!lines.AtEnd() && EqualsNoCaseAscii(first, kRegHeader4)) {
    result.hasHeader = result.regedit4 = true;
  } else {
    result.errors.push_back(RegImportError{
        lines.AtEnd() ? 1 : lines.lineNumber(),
        L"the text does not begin with \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""});
  }
  if (result.hasHeader) lines.Next();
  *bodyStart = lines.offset();
  *bodyLine = lines.lineNumber();
  return result;
}

RegParseResult ParseRegText(std::string_view text, RegTextSink& sink, bool utf16) {
  size_t bodyStart = 0;
  int bodyLine = 1;
  RegParseResult result = ReadRegHeader(text, &bodyStart, &bodyLine);
  auto report = [&](int line, std::wstring message) {
    result.errors.push_back(RegImportError{line, std::move(message)});
  };

  LineCursor lines(text, bodyStart, std::string_view::npos, bodyLine);
  KeyLine key;
  bool haveKey = false;
  while (!lines.AtEnd()) {
    const int number = lines.lineNumber();
    const size_t start = lines.offset();
    std::string_view raw = lines.Next();
    std::string_view line = Trim(raw);
    if (line.empty()) {
      sink.OnBlank();
      continue;
    }
    if (line[0] == ';') {
      sink.OnRaw(raw);
      continue;
    }
    // Text in another 8-bit encoding would come out altered; the line is kept as it
    // stands instead.
    if (!IsValidUtf8(line)) {
      if (utf16 || HoldsSurrogate(line)) {
        report(number,
               L"the line holds what UTF-16 text cannot hold (an unpaired surrogate, or "
               L"half a character at the end of the file); skipped");
      } else {
        report(number,
               L"the line is not UTF-8 text (save the file as UTF-8, or as UTF-16 with "
               L"a byte order mark); skipped");
      }
      sink.OnRaw(raw);
      continue;
    }
    if (line[0] == '[') {
      std::wstring problem = ParseKeyLine(line, &key);
      if (problem.empty()) {
        KeyPath path;
        path.reserve(key.components.size());
        for (std::string_view component : key.components) path.push_back(AnsiToWide(component));
        problem = sink.OnKey(key.hive, path, key.remove);
      }
      if (!problem.empty()) {
        report(number, problem + L"; the values below it up to the next key line are skipped");
        sink.OnRaw(raw);
        haveKey = false;
      } else {
        haveKey = !key.remove;
      }
      continue;
    }
    ParsedValue parsed;
    std::wstring problem = ParseValueLines(line, lines, result.regedit4, &parsed);
    if (problem.empty() && !haveKey) {
      problem = L"a value line outside a usable key";
    } else if (problem.empty() && parsed.value && !IsValidValueName(parsed.name)) {
      problem = parsed.name.size() > kMaxValueNameLength
                    ? L"the value name holds more than 16,383 characters"
                    : L"the value name holds a character no name may hold (a zero or a CR)";
    }
    if (!problem.empty()) {
      report(number, problem);
      LineCursor consumed(text, start, lines.offset());
      while (!consumed.AtEnd()) sink.OnRaw(consumed.Next());
      continue;
    }
    sink.OnValue(parsed.name, parsed.value);
  }
  return result;
}

void AppendValueLine(const std::wstring& name, const RegValue& value, std::string* out) {
  std::string line = name.empty() ? std::string("@=") : EscapeQuoted(name) + "=";
  const bool raw = !value.data.empty();
  switch (value.type) {
    case kRegSz:
      if (raw) {
        AppendHex(line + HexTypePrefix(kRegSz), value.data, out);
      } else if (CanQuote(value.text)) {
        *out += line;
        *out += EscapeQuoted(value.text);
        *out += '\n';
      } else {
        AppendHex(line + HexTypePrefix(kRegSz), TerminatedUtf16(value.text), out);
      }
      return;
    case kRegExpandSz:
      AppendHex(line + HexTypePrefix(kRegExpandSz), raw ? value.data : TerminatedUtf16(value.text),
                out);
      return;
    case kRegMultiSz: {
      std::vector<uint8_t> bytes = value.data;
      if (!raw) {
        for (const auto& s : value.strings) {
          std::vector<uint8_t> one = TerminatedUtf16(s);
          bytes.insert(bytes.end(), one.begin(), one.end());
        }
        bytes.push_back(0);
        bytes.push_back(0);
      }
      AppendHex(line + HexTypePrefix(kRegMultiSz), bytes, out);
      return;
    }
    case kRegDword:
      if (!raw) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<uint32_t>(value.number));
        *out += line;
        *out += buffer;
        *out += '\n';
        return;
      }
      break;
    case kRegQword:
      if (!raw) {
        std::vector<uint8_t> bytes(8);
        for (int k = 0; k < 8; ++k) bytes[k] = static_cast<uint8_t>(value.number >> (8 * k));
        AppendHex(line + HexTypePrefix(kRegQword), bytes, out);
        return;
      }
      break;
    default: break;
  }
  AppendHex(line + HexTypePrefix(value.type), value.data, out);
}

void AppendKeyLine(std::wstring_view prefix, std::string* out) {
  *out += '[';
  *out += WideToAnsi(prefix);
  *out += "]\n";
}

void AppendKeyTree(const RegNode& node, const std::wstring& prefix, bool withRawLines,
                   bool isHiveRoot, std::string* out) {
  bool emit = !isHiveRoot || !node.values().empty();
  if (emit) {
    AppendKeyLine(prefix, out);
    for (const auto& value : node.values()) AppendValueLine(value.name, value.value, out);
    if (withRawLines && !isHiveRoot) {
      for (const auto& raw : node.rawLines) AppendRawLine(raw, out);
    }
    *out += '\n';
  }
  for (const auto& child : node.children()) {
    AppendKeyTree(*child, prefix + L"\\" + child->name, withRawLines, false, out);
  }
}

std::string FormatHive(Hive hive, const RegNode& root) {
  std::string out;
  out += kRegHeader5;
  out += "\n\n";
  // Lines kept from above the first key line go back there.
  for (const auto& raw : root.rawLines) AppendRawLine(raw, &out);
  if (!root.rawLines.empty()) out += '\n';
  AppendKeyTree(root, std::wstring(HiveName(hive)), true, true, &out);
  return out;
}

}  // namespace kv::detail
