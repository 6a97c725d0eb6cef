// The in-memory form of a registry hive: a tree of keys, each with its values in stored
// order. Names are case-preserving and compared through their folded form.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/status.h"

namespace kv::detail {

struct RegNamedValue {
  std::wstring name;
  std::wstring folded;
  RegValue value;
};

struct RegNode {
  std::wstring name;
  std::wstring folded;
  std::vector<RegNamedValue> values;
  std::vector<std::unique_ptr<RegNode>> children;
  // Lines of the hive file kept verbatim under this key: comments, and lines that could
  // not be read (so that rewriting the hive never drops what a person wrote).
  std::vector<std::string> rawLines;

  RegNode() = default;
  RegNode(const RegNode& other);
  RegNode& operator=(const RegNode& other);

  RegNode* FindChild(std::wstring_view foldedName) const;
  RegNode* Child(std::wstring_view name, bool* created);  // finds or appends
  bool RemoveChild(std::wstring_view foldedName);
  const RegNamedValue* FindValue(std::wstring_view foldedName) const;
  void SetValue(std::wstring_view name, RegValue value);
  bool RemoveValue(std::wstring_view foldedName);
};

using KeyPath = std::vector<std::wstring>;

// The node at `path` below `root`, or null.
const RegNode* FindNode(const RegNode& root, const KeyPath& path);
RegNode* FindNode(RegNode& root, const KeyPath& path);
// The node at `path`, created with its missing parents; `created` tells whether the last
// one was new.
RegNode* CreateNode(RegNode& root, const KeyPath& path, bool* created);
// Removes the node at `path` (not the root) with everything below it; false when missing.
bool RemoveNode(RegNode& root, const KeyPath& path);

// Splits "a\b\\c\" into {"a", "b", "c"}: empty components are skipped.
KeyPath SplitKeyPath(std::wstring_view path);
// Joins components with backslashes.
std::wstring JoinKeyPath(const KeyPath& path);

// A key name component or a value name the hive files can hold: no zero, CR or LF, only
// Unicode scalar values; key names also no backslash and at most 255 characters. A
// value name may be empty (the default value).
bool IsValidKeyName(std::wstring_view name);
bool IsValidValueName(std::wstring_view name);

// The value a caller asks to store, with the fields of its type only, so that equal
// values compare equal. Bytes given for a text type are 8-bit text (as RegSetValueExA
// reads them): "abc\0" with kRegSz stores the text "abc"; bytes for a number type
// become the number when they have its size.
RegValue NormalizedValue(const RegValue& value);

}  // namespace kv::detail
