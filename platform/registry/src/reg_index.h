// A stored hive as the text of its file with an index of its keys.
//
// Reading a hive must cost little more than reading its file: building the index is one
// pass over the lines that looks closely only at key lines, and a value is found by
// reading the lines of its key alone. What needs the whole key (enumeration) parses its
// values once and keeps them. A write edits the text: it replaces or removes the lines
// of one value or adds lines, and leaves every other byte of the file as it was.
//
// Which lines count follows the parser exactly (reg_text.h): a key's lines are those
// below each usable key line of it, up to the next key line; a line that cannot be read
// is passed over here and reported by Problems.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "KVPlatform/registry.h"
#include "reg_text.h"
#include "reg_tree.h"

namespace kv::detail {

class HiveData {
 public:
  using NodeId = uint32_t;
  static constexpr NodeId kRoot = 0;

  // Indexes the text of a hive file (as DecodeRegFileBytes gives it): one pass.
  HiveData(Hive hive, RegFileText file);
  HiveData(const HiveData&) = delete;
  HiveData& operator=(const HiveData&) = delete;

  Hive hive() const { return hive_; }
  const std::string& text() const { return text_; }

  // The key at `path` below the hive's root (a key exists when it has a key line or a
  // subkey has one).
  std::optional<NodeId> Find(const KeyPath& path) const;
  // Its name as first spelt in the file, and its subkeys in order of first appearance.
  std::wstring Name(NodeId node) const;
  std::vector<NodeId> Children(NodeId node) const;
  bool HasChildren(NodeId node) const;
  // The names from the hive's root down to the key, as stored.
  KeyPath StoredPath(NodeId node) const;
  // "HKEY_...\A\B", the names as stored.
  std::wstring PathText(NodeId node) const;

  // A value of the key by its folded name (FoldCase), read from the key's lines alone.
  std::optional<RegValue> FindValue(NodeId node, std::wstring_view foldedName) const;
  // Every value of the key in stored order; parsed once, then kept with the data.
  const std::vector<RegNamedValue>& Values(NodeId node) const;

  // The key and everything below it as a tree (values and keys; export).
  RegNode Subtree(NodeId node) const;
  // The whole hive as a tree with the lines kept verbatim (a write that rewrites all).
  RegNode Tree() const;
  // The lines that cannot be read, with their numbers.
  std::vector<RegImportError> Problems() const;

  // Whether the text can be edited line by line: a version-5 file (a REGEDIT4 file or
  // one without a header is rewritten whole).
  bool Editable() const { return editable_; }
  // The text with one change each (Editable only):
  // the value set: its line (with its continuation lines) replaced, keeping the stored
  // spelling of its name; a new value after the last line of the key's last key line;
  // for a key without a key line of its own, a key line with the value at the end;
  std::string WithValue(NodeId node, std::wstring_view name, const RegValue& value) const;
  // every line that sets or deletes the value removed;
  std::string WithoutValue(NodeId node, std::wstring_view foldedName) const;
  // key lines added at the end for each level of `path` that does not exist.
  std::string WithKey(const KeyPath& path) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Node {
    uint32_t parent = kNone;
    uint32_t firstChild = kNone, lastChild = kNone, nextSibling = kNone;
    uint32_t firstBlock = kNone, lastBlock = kNone;
    size_t nameStart = 0, nameLength = 0;  // the name's bytes in text_
    uint64_t hash = 0;                     // of the folded name
  };
  // The lines below one usable key line, up to the next key line.
  struct Block {
    size_t start = 0, end = 0;
    uint32_t next = kNone;
  };
  // One value line of a key that reads well: where it lies, and what it says.
  struct ValueLine {
    size_t start = 0, end = 0;
    ParsedValue parsed;
  };

  std::string_view NameBytes(NodeId node) const;
  std::optional<NodeId> FindChild(NodeId parent, std::wstring_view foldedName) const;
  NodeId AddChild(NodeId parent, std::string_view name);
  void Grow();
  // Calls `each` for every value line of the key that reads well and names `folded`
  // (every one when `folded` is null), in file order.
  template <typename Each>
  void ForEachValueLine(NodeId node, const std::wstring* folded, Each each) const;
  std::vector<RegNamedValue> ParseValues(NodeId node) const;

  Hive hive_;
  std::string text_;
  bool utf16_ = false;
  bool regedit4_ = false;
  bool editable_ = false;
  std::vector<Node> nodes_;
  std::vector<Block> blocks_;
  std::vector<uint32_t> slots_;  // (parent, folded name) => child: open addressing

  mutable std::mutex valuesMutex_;
  mutable std::unordered_map<NodeId, std::unique_ptr<const std::vector<RegNamedValue>>> values_;
};

}  // namespace kv::detail
