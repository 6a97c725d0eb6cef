// INI files with the Windows private-profile semantics, edited in place.
//
// The file is read as lines (each keeps its own line end). A section is a line
// "[name]" (blanks around the name ignored, text after ']' ignored); a key is a line
// "name=value" inside a section; lines starting with ';' are comments; any other line
// is kept as it stands. A write changes only the bytes of the value it sets (or adds
// one line, or one section at the end) and replaces the file atomically under a lock.
#include "KVPlatform/ini.h"
#include "kvhost/host_path.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"

namespace kv {
namespace {

constexpr std::string_view kNewLine = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Line {
  size_t start = 0;       // first byte
  size_t contentEnd = 0;  // before the line end (CR LF, LF)
  size_t end = 0;         // after the line end
};

enum class LineKind { kOther, kSection, kKey };

struct ParsedLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;  // section or key name, trimmed
  size_t valueStart = 0;  // kKey: the trimmed value, as offsets in the file
  size_t valueEnd = 0;
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  // A UTF-8 byte order mark stays in the file but belongs to no line.
  size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (start < text.size()) {
    size_t newline = text.find('\n', start);
    Line line;
    line.start = start;
    if (newline == std::string_view::npos) {
      line.contentEnd = line.end = text.size();
    } else {
      line.end = newline + 1;
      line.contentEnd = newline > start && text[newline - 1] == '\r' ? newline - 1 : newline;
    }
    lines.push_back(line);
    start = line.end;
  }
  return lines;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

ParsedLine Classify(std::string_view text, const Line& line) {
  ParsedLine parsed;
  std::string_view content = text.substr(line.start, line.contentEnd - line.start);
  std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed[0] == ';') return parsed;
  if (trimmed[0] == '[') {
    size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return parsed;
    parsed.kind = LineKind::kSection;
    parsed.name = Trim(trimmed.substr(1, close - 1));
    return parsed;
  }
  size_t equals = content.find('=');
  if (equals == std::string_view::npos) return parsed;
  parsed.kind = LineKind::kKey;
  parsed.name = Trim(content.substr(0, equals));
  size_t valueStart = equals + 1;
  size_t valueEnd = content.size();
  while (valueStart < valueEnd && IsBlank(content[valueStart])) ++valueStart;
  while (valueEnd > valueStart &&
         (IsBlank(content[valueEnd - 1]) || content[valueEnd - 1] == '\r')) {
    --valueEnd;
  }
  parsed.valueStart = line.start + valueStart;
  parsed.valueEnd = line.start + valueEnd;
  return parsed;
}

bool SameName(std::string_view stored, std::wstring_view wanted) {
  return EqualsNoCase(AnsiToWide(stored), wanted);
}

std::wstring TrimWide(std::wstring_view s) {
  while (!s.empty() && (s.front() == L' ' || s.front() == L'\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return std::wstring(s);
}

// The lines of the first section named `section`: [first, last) with `first` its header.
struct SectionRange {
  size_t header = 0;
  size_t end = 0;  // index of the next section's header, or the number of lines
};

class IniText {
 public:
  explicit IniText(std::string text) : text_(std::move(text)), lines_(SplitLines(text_)) {}

  const std::string& text() const { return text_; }

  std::optional<SectionRange> FindSection(std::wstring_view section) const {
    std::optional<SectionRange> found;
    for (size_t i = 0; i < lines_.size(); ++i) {
      ParsedLine parsed = Classify(text_, lines_[i]);
      if (parsed.kind != LineKind::kSection) continue;
      if (found) {
        found->end = i;
        return found;
      }
      if (SameName(parsed.name, section)) found = SectionRange{i, lines_.size()};
    }
    return found;
  }

  // The first key line named `key` in the section, with its parsed form.
  std::optional<size_t> FindKey(const SectionRange& range, std::wstring_view key,
                                ParsedLine* parsed) const {
    for (size_t i = range.header + 1; i < range.end; ++i) {
      ParsedLine line = Classify(text_, lines_[i]);
      if (line.kind == LineKind::kKey && SameName(line.name, key)) {
        if (parsed != nullptr) *parsed = line;
        return i;
      }
    }
    return std::nullopt;
  }

  const Line& line(size_t i) const { return lines_[i]; }
  size_t LineCount() const { return lines_.size(); }

  // Where a new key of the section goes: after its last line that is neither blank nor
  // a comment (comments at a section's end usually speak of the next section).
  size_t InsertionPoint(const SectionRange& range) const {
    size_t last = range.header;
    for (size_t i = range.header + 1; i < range.end; ++i) {
      const Line& l = lines_[i];
      std::string_view content =
          Trim(std::string_view(text_).substr(l.start, l.contentEnd - l.start));
      if (!content.empty() && content[0] != ';') last = i;
    }
    return last;
  }

 private:
  std::string text_;
  std::vector<Line> lines_;
};

// A file that begins with the UTF-16LE byte order mark (a Unicode INI file written on
// Windows) is read as 8-bit text and written back in UTF-16LE. Nothing is lost on the
// way, so that a write changes no line it does not edit: unpaired surrogates travel in
// the text as WTF-8 (not UTF-8, so never mistaken for text), and an odd last byte, half
// a character, is kept aside and written back last.
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

bool IsUtf16(std::string_view bytes) { return bytes.substr(0, 2) == kUtf16Mark; }

std::string FromUtf16(std::string_view bytes, std::string* oddByte) {
  bytes.remove_prefix(2);
  if (oddByte != nullptr)
    *oddByte = bytes.size() % 2 != 0 ? std::string(bytes.substr(bytes.size() - 1)) : "";
  return WideToWtf8(Utf16LeToWide(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string ToUtf16(std::string_view text, std::string_view oddByte) {
  std::vector<uint8_t> units = WideToUtf16Le(Wtf8ToWide(text));
  return std::string(kUtf16Mark) + std::string(units.begin(), units.end()) + std::string(oddByte);
}

// The file's text; `utf16` tells that it came from UTF-16 (and is WTF-8).
bool ReadIniFile(std::wstring_view file, std::string* text, bool* utf16) {
  std::filesystem::path host;
  if (!host::ResolvePath(file, &host).ok()) return false;
  host::FileIdentity identity;
  if (!host::ReadFileContents(host, text, &identity).ok()) return false;
  *utf16 = IsUtf16(*text);
  if (*utf16) *text = FromUtf16(*text, nullptr);
  return true;
}

// The value of the key, quotes removed; nullopt when the file, section or key is missing.
std::optional<std::wstring> LookUp(std::wstring_view section, std::wstring_view key,
                                   std::wstring_view file) {
  std::string text;
  bool utf16 = false;
  if (!ReadIniFile(file, &text, &utf16)) return std::nullopt;
  IniText ini(std::move(text));
  std::optional<SectionRange> range = ini.FindSection(TrimWide(section));
  if (!range) return std::nullopt;
  ParsedLine parsed;
  if (!ini.FindKey(*range, TrimWide(key), &parsed)) return std::nullopt;
  std::string_view value =
      std::string_view(ini.text()).substr(parsed.valueStart, parsed.valueEnd - parsed.valueStart);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return utf16 ? Wtf8ToWide(value) : AnsiToWide(value);
}

bool HasLineBreak(std::wstring_view s) {
  return s.find_first_of(L"\r\n") != std::wstring_view::npos ||
         s.find(L'\0') != std::wstring_view::npos;
}

// Runs `edit` on the file's current text (empty when the file is missing) under the
// file's lock and stores the result when it changed. `edit` fills `out` and returns
// whether it changed anything.
template <typename Edit>
bool EditIniFile(std::wstring_view file, Edit edit) {
  std::filesystem::path host;
  // A file that is a link is rewritten where the link points, and the link stays.
  if (!host::ResolvePath(file, &host).ok() || !host::FollowLinks(host, &host).ok()) return false;
  host::FileLock lock;
  if (!lock.Acquire(host.string() + ".lock").ok()) return false;
  host::RemoveStaleTemporaries(host);
  std::string text;
  host::FileIdentity identity;
  Status read = host::ReadFileContents(host, &text, &identity);
  if (!read.ok() && read.code() != kErrorFileNotFound) return false;
  bool utf16 = IsUtf16(text);
  std::string oddByte;
  if (utf16) text = FromUtf16(text, &oddByte);
  std::string edited;
  if (!edit(IniText(std::move(text)), &edited)) return true;
  if (utf16) edited = ToUtf16(edited, oddByte);
  return host::ReplaceFileContents(host, edited, identity, nullptr).ok();
}

bool LastLineBlank(std::string_view text) {
  if (text.empty()) return true;
  text.remove_suffix(1);  // the last line's LF
  size_t start = text.rfind('\n');
  std::string_view last = start == std::string_view::npos ? text : text.substr(start + 1);
  return Trim(last).empty();
}

std::string TrimRightWide(std::wstring_view s) {
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return WideToAnsi(s);
}

}  // namespace

uint32_t GetPrivateProfileString(std::wstring_view section, std::wstring_view key,
                                 std::wstring_view fallback, wchar_t* buffer, uint32_t size,
                                 std::wstring_view file) {
  if (buffer == nullptr || size == 0) return 0;
  std::wstring value;
  ReadProfileString(section, key, fallback, &value, file);
  size_t count = std::min<size_t>(value.size(), size - 1);
  std::copy_n(value.begin(), count, buffer);
  buffer[count] = L'\0';
  return static_cast<uint32_t>(count);
}

bool ReadProfileString(std::wstring_view section, std::wstring_view key, std::wstring_view fallback,
                       std::wstring* value, std::wstring_view file) {
  std::optional<std::wstring> found = LookUp(section, key, file);
  if (value != nullptr) {
    // Trailing blanks of the fallback are dropped, as Windows does.
    *value = found ? *found : AnsiToWide(TrimRightWide(fallback));
  }
  return found.has_value();
}

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int fallback,
                         std::wstring_view file) {
  std::optional<std::wstring> found = LookUp(section, key, file);
  if (!found || found->empty()) return fallback;
  // The leading decimal integer; text that does not start with one counts as 0.
  const std::wstring& text = *found;
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  long long number = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    number = number * 10 + (text[i] - L'0');
    if (number > static_cast<long long>(INT_MAX) + 1) number = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) number = -number;
  return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

bool WritePrivateProfileString(std::wstring_view section, std::wstring_view key,
                               std::wstring_view value, std::wstring_view file) {
  std::wstring sectionName = TrimWide(section);
  std::wstring keyName = TrimWide(key);
  // Names and values that would change the file's structure (a line break, a ']' in a
  // section name, a '=' in a key) are refused rather than written.
  if (HasLineBreak(sectionName) || sectionName.find(L']') != std::wstring::npos) return false;
  if (keyName.empty() || HasLineBreak(keyName) || keyName.find(L'=') != std::wstring::npos ||
      keyName[0] == L'[' || keyName[0] == L';') {
    return false;
  }
  if (HasLineBreak(value)) return false;
  std::string valueText = WideToAnsi(value);
  std::string keyLine = WideToAnsi(keyName) + "=" + valueText + std::string(kNewLine);

  return EditIniFile(file, [&](const IniText& ini, std::string* out) {
    const std::string& text = ini.text();
    std::optional<SectionRange> range = ini.FindSection(sectionName);
    if (!range) {
      *out = text;
      if (!out->empty() && out->back() != '\n') *out += kNewLine;
      if (!LastLineBlank(*out)) *out += kNewLine;
      *out += "[" + WideToAnsi(sectionName) + "]" + std::string(kNewLine) + keyLine;
      return true;
    }
    ParsedLine parsed;
    if (ini.FindKey(*range, keyName, &parsed)) {
      if (text.compare(parsed.valueStart, parsed.valueEnd - parsed.valueStart, valueText) == 0) {
        return false;
      }
      *out = text.substr(0, parsed.valueStart) + valueText + text.substr(parsed.valueEnd);
      return true;
    }
    const Line& last = ini.line(ini.InsertionPoint(*range));
    *out = text.substr(0, last.end);
    if (last.end == last.contentEnd) *out += kNewLine;  // the file's last line had no end
    *out += keyLine;
    *out += text.substr(last.end);
    return true;
  });
}

bool DeleteProfileKey(std::wstring_view section, std::wstring_view key, std::wstring_view file) {
  std::wstring sectionName = TrimWide(section);
  std::wstring keyName = TrimWide(key);
  return EditIniFile(file, [&](const IniText& ini, std::string* out) {
    std::optional<SectionRange> range = ini.FindSection(sectionName);
    if (!range) return false;
    std::optional<size_t> index = ini.FindKey(*range, keyName, nullptr);
    if (!index) return false;
    const Line& line = ini.line(*index);
    *out = ini.text().substr(0, line.start) + ini.text().substr(line.end);
    return true;
  });
}

bool DeleteProfileSection(std::wstring_view section, std::wstring_view file) {
  std::wstring sectionName = TrimWide(section);
  return EditIniFile(file, [&](const IniText& ini, std::string* out) {
    std::optional<SectionRange> range = ini.FindSection(sectionName);
    if (!range) return false;
    size_t start = ini.line(range->header).start;
    size_t end = range->end < ini.LineCount() ? ini.line(range->end).start : ini.text().size();
    *out = ini.text().substr(0, start) + ini.text().substr(end);
    return true;
  });
}

}  // namespace kv
