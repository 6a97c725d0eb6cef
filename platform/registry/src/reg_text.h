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

// Parses `.reg` text (UTF-8; see DecodeRegFileBytes for other encodings). A missing
// header is reported as an error on line 1 and the text is read as version 5.
RegParseResult ParseRegText(std::string_view text, RegTextSink& sink);

// The bytes of a `.reg` file as UTF-8 text: a UTF-16LE or UTF-16BE file (with its BOM)
// is converted, a UTF-8 BOM dropped, anything else taken as it stands.
std::string DecodeRegFileBytes(std::string_view bytes);

// Appends one value line (with its continuation lines) and a LF. Text that a quoted
// string cannot carry (zero, CR, LF, characters outside Unicode scalar values) is
// written as hex(1)/hex(2) UTF-16LE, as regedit does for expandable strings.
void AppendValueLine(const std::wstring& name, const RegValue& value, std::string* out);

// Appends `node` and everything below it: a key line "[prefix]" for every key (the node
// itself only when it has values, raw lines or no children), its values, then, with
// `withRawLines`, the lines kept verbatim, and a blank line.
void AppendKeyTree(const RegNode& node, const std::wstring& prefix, bool withRawLines,
                   bool isHiveRoot, std::string* out);

// The whole hive file: header, raw lines of the root, every key.
std::string FormatHive(Hive hive, const RegNode& root);

// Hive names: "HKEY_CURRENT_USER" and "HKCU" (any case) => kCurrentUser, ...
std::optional<Hive> HiveFromName(std::wstring_view name);


}  // namespace kv::detail
