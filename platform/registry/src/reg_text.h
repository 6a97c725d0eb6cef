// `.reg` text: reading it line by line as regedit does, and writing keys and values in
// the "Windows Registry Editor Version 5.00" form (UTF-8, LF).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/registry.h"
#include "reg_tree.h"

namespace kv::detail {

inline constexpr std::string_view kRegHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kRegHeader4 = "REGEDIT4";

// Windows' limits, refused with 87 (invalid parameter): keys nest at most 512 levels
// below a hive's root; key names hold at most 255 characters, value names 16,383.
inline constexpr size_t kMaxKeyDepth = 512;
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxValueNameLength = 16383;

// The physical lines of a stretch of text: a line ends at LF, and one CR before the LF
// belongs to the line end.
class LineCursor {
 public:
  explicit LineCursor(std::string_view text, size_t begin = 0, size_t end = std::string_view::npos,
                      int firstLine = 1)
      : text_(text.substr(0, std::min(end, text.size()))), at_(begin), line_(firstLine) {}

  bool AtEnd() const { return at_ >= text_.size(); }
  // The next line without its line end (empty at the end); Next also moves past it.
  std::string_view Peek() const;
  std::string_view Next();
  size_t offset() const { return at_; }     // where the next line starts
  int lineNumber() const { return line_; }  // the next line's number

 private:
  std::string_view text_;
  size_t at_;
  int line_;
};

// Blanks around a line: spaces, tabs and stray CRs.
std::string_view TrimLine(std::string_view line);

// Well-formed UTF-8: no stray continuation bytes, no overlong forms, no surrogates,
// nothing past U+10FFFF.
bool IsValidUtf8(std::string_view s);

// A key line `[HKEY_...\a\b]` or `[-...]`, read from its UTF-8 bytes (the line trimmed
// and valid UTF-8). Components are the non-empty runs between backslashes.
struct KeyLine {
  Hive hive = Hive::kCurrentUser;
  bool remove = false;
  std::vector<std::string_view> components;  // below the hive, within the line
};
// An empty text when the line is usable (names valid, at most kMaxKeyDepth deep), else
// the reason it is not.
std::wstring ParseKeyLine(std::string_view line, KeyLine* key);

// A value line `"name"=data` or `@=data` with its continuation lines.
struct ParsedValue {
  std::wstring name;
  std::optional<RegValue> value;  // none for `"name"=-`
};
// Reads the value line `first` (trimmed, already taken from `lines`) and the
// continuation lines that follow it in `lines`. An empty text, or what is wrong with it
// (the line is then not a value).
std::wstring ParseValueLines(std::string_view first, LineCursor& lines, bool regedit4,
                             ParsedValue* parsed);
// The name of a value line (trimmed, starting with '"' or '@'), unescaped, as UTF-8;
// false when its quote does not close.
bool ValueLineName(std::string_view line, std::string* name);

// What the parser found, in file order.
class RegTextSink {
 public:
  virtual ~RegTextSink() = default;
  // A key line: `[path]` or, with `remove`, `[-path]`. Returns an empty text when the key
  // is usable, else the reason it is not (the line and the values below it are then
  // reported and passed to OnRaw).
  virtual std::wstring OnKey(Hive hive, const KeyPath& path, bool remove) = 0;
  // A value line under the last usable key; no value means `"name"=-`.
  virtual void OnValue(const std::wstring& name, const std::optional<RegValue>& value) = 0;
  // Physical lines to keep as they stand: comments, bad lines, lines under no usable key.
  virtual void OnRaw(std::string_view line) = 0;
  // A blank line.
  virtual void OnBlank() {}
};

struct RegParseResult {
  bool hasHeader = false;
  bool regedit4 = false;
  std::vector<RegImportError> errors;
};

// `.reg` text as DecodeRegFileBytes gives it.
struct RegFileText {
  std::string text;    // UTF-8, or WTF-8 for what a UTF-16 file held that is not text
  bool utf16 = false;  // it came from UTF-16
};

// The bytes of a `.reg` file as 8-bit text: a UTF-16LE or UTF-16BE file (with its BOM)
// is converted, a UTF-8 BOM dropped, anything else taken as it stands. Nothing a UTF-16
// file holds is lost or made to look like text: an unpaired surrogate becomes WTF-8, an
// odd last byte the byte 0xFF, neither of them UTF-8, so their lines are bad lines.
RegFileText DecodeRegFileBytes(std::string bytes);

// Parses `.reg` text. A missing header is reported as an error on line 1 and the text is
// read as version 5. Lines that are not text are reported (`utf16` picks the words).
RegParseResult ParseRegText(std::string_view text, RegTextSink& sink, bool utf16 = false);

// How the header of a text is read: the line after it (or the first non-blank line when
// it is missing) starts at `*bodyStart`, numbered `*bodyLine`.
RegParseResult ReadRegHeader(std::string_view text, size_t* bodyStart, int* bodyLine);

// Appends one value line (with its continuation lines) and a LF. Text that a quoted
// string cannot carry (zero, CR, LF, characters outside Unicode scalar values) is
// written as hex(1)/hex(2) UTF-16LE, as regedit does for expandable strings.
void AppendValueLine(const std::wstring& name, const RegValue& value, std::string* out);

// Appends the key line "[prefix]" and a LF.
void AppendKeyLine(std::wstring_view prefix, std::string* out);

// Appends `node` and everything below it: a key line "[prefix]" for every key (the hive
// root only when it has values), its values, then, with `withRawLines`, the lines kept
// verbatim, and a blank line.
void AppendKeyTree(const RegNode& node, const std::wstring& prefix, bool withRawLines,
                   bool isHiveRoot, std::string* out);

// The whole hive file: header, raw lines of the root, every key.
std::string FormatHive(Hive hive, const RegNode& root);

// Hive names: "HKEY_CURRENT_USER" and "HKCU" (any case) => kCurrentUser, ...
std::optional<Hive> HiveFromName(std::wstring_view name);

}  // namespace kv::detail
