// The in-memory tree of a registry hive (or of one key's subtree): keys and values in
// stored order, with case-preserving names found through their folded form. Imports and
// the writes that rewrite a whole hive work on it; reads of a stored hive go through its
// indexed text instead (reg_index.h).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/status.h"

namespace kv::detail {

struct RegNamedValue {
  std::wstring name;
  std::wstring folded;
  RegValue value;
};

// One key. Lookups by name take constant time (a node with many entries keeps an index
// of them), so building a key of n values or subkeys takes time linear in n.
class RegNode {
 public:
  std::wstring name;
  std::wstring folded;
  // Lines of the hive file kept verbatim under this key: comments, and lines that could
  // not be read (so that rewriting the hive never drops what a person wrote).
  std::vector<std::string> rawLines;

  RegNode() = default;
  RegNode(const RegNode& other);
  RegNode& operator=(const RegNode& other);
  RegNode(RegNode&&) noexcept = default;
  RegNode& operator=(RegNode&&) noexcept = default;

  const std::vector<RegNamedValue>& values() const { return values_; }
  const std::vector<std::unique_ptr<RegNode>>& children() const { return children_; }

  RegNode* FindChild(std::wstring_view foldedName) const;
  RegNode* Child(std::wstring_view name, bool* created);  // finds or appends
  // Appends a child whose name this node does not have yet.
  RegNode* AddChild(std::unique_ptr<RegNode> child);
  bool RemoveChild(std::wstring_view foldedName);
  const RegNamedValue* FindValue(std::wstring_view foldedName) const;
  // Sets a value; an existing one keeps its place and the spelling of its name.
  void SetValue(std::wstring_view name, RegValue value);
  // Appends a value whose name this node does not have yet.
  void AddValue(RegNamedValue value);
  bool RemoveValue(std::wstring_view foldedName);
  // Removes every value, subkey and kept line.
  void Clear();

 private:
  static constexpr size_t kIndexFrom = 16;  // entries from which lookups go through an index
  void IndexValues();
  void IndexChildren();

  std::vector<RegNamedValue> values_;
  std::vector<std::unique_ptr<RegNode>> children_;
  std::unordered_map<std::wstring, size_t> valueIndex_;  // folded name => position
  std::unordered_map<std::wstring, size_t> childIndex_;
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
// Unicode scalar values, at most 255 characters for a key name (and no backslash) and
// 16,383 for a value name. A value name may be empty (the default value).
bool IsValidKeyName(std::wstring_view name);
bool IsValidValueName(std::wstring_view name);

// The value a caller asks to store, with the fields of its type only, so that equal
// values compare equal. Bytes given for a text type are 8-bit text (as RegSetValueExA
// reads them): "abc\0" with kRegSz stores the text "abc"; bytes for a number type
// become the number when they have its size.
RegValue NormalizedValue(const RegValue& value);

}  // namespace kv::detail
