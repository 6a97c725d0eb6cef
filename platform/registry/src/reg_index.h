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

// A subkey as enumerations list it.
struct SubKey {
  std::wstring name;
  std::wstring folded;
};

class HiveData {
 public:
  using NodeId = uint32_t;
  static constexpr NodeId kRoot = 0;

  // Indexes the text of a hive file (as DecodeRegFileBytes gives it): one pass. The
  // text is at most kMaxHiveBytes long (offsets into it are 32 bits).
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
  // The subkeys by name without regard to case, as Windows lists them; made once, then
  // kept with the data.
  const std::vector<SubKey>& SortedChildren(NodeId node) const;
  // The names from the hive's root down to the key, as stored.
  KeyPath StoredPath(NodeId node) const;
  // "HKEY_...\A\B", the names as stored.
  std::wstring PathText(NodeId node) const;

  // A value of the key by its folded name (FoldCase): the first time read from the key's
  // lines alone; a key asked again has all its values parsed once and kept by name.
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
  // The hive after one change to its text (Editable only), which touches only the lines
  // it is about; where no key line changes, the index is carried over, not built again.
  // The value set: its line (with its continuation lines) replaced, keeping the stored
  // spelling of its name; a new value after the last line of the key's last key line;
  // for a key without a key line of its own, a key line with the value at the end. Null
  // when the value already is so.
  std::shared_ptr<const HiveData> WithValue(NodeId node, std::wstring_view name,
                                            const RegValue& value) const;
  // Every line that sets or deletes the value removed. Null when the key has no such
  // value.
  std::shared_ptr<const HiveData> WithoutValue(NodeId node, std::wstring_view foldedName) const;
  // Key lines added at the end for each level of `path` that does not exist. Null when
  // the key exists.
  std::shared_ptr<const HiveData> WithKey(const KeyPath& path) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Node {
    uint32_t parent = kNone;
    uint32_t firstChild = kNone, lastChild = kNone, nextSibling = kNone;
    uint32_t firstBlock = kNone, lastBlock = kNone;
    // The name's bytes in the key line that first spelt it, which ends where the block
    // `keyBlock` starts: `nameBack` bytes before that.
    uint32_t keyBlock = 0, nameBack = 0, nameLength = 0;
    uint64_t path = 0;  // hash of the folded path from the root
  };
  // The lines below one usable key line, up to the next key line.
  struct Block {
    uint32_t start = 0, end = 0;
    uint32_t next = kNone;
  };
  // One value line of a key that reads well: where it lies, and what it says.
  struct ValueLine {
    size_t start = 0, end = 0;
    ParsedValue parsed;
  };

  // A change of the text: `removed` bytes at `at` replaced by `added`.
  struct Splice {
    size_t at = 0, removed = 0;
    std::string added;
  };
  // The hive with the splices made (in order, apart) and the index carried over.
  std::shared_ptr<const HiveData> Spliced(std::vector<Splice> splices) const;
  HiveData(const HiveData& from, std::string text, const std::vector<Splice>& splices);

  std::string_view NameBytes(NodeId node) const;
  std::optional<NodeId> FindChild(NodeId parent, std::wstring_view foldedName) const;
  NodeId AddChild(NodeId parent, std::string_view name, uint64_t path, uint32_t block,
                  uint32_t blockStart);
  void Place(NodeId id);
  void Grow();
  // The child of `parent` at the path hash `path` for which `same` holds.
  template <typename Same>
  std::optional<NodeId> Probe(NodeId parent, uint64_t path, Same same) const;
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
  // The keys, and the table that finds them (by open addressing on the path hash): the
  // same for every version of the text whose key lines did not change.
  struct Slot {
    uint32_t node = kNone;
    uint32_t tag = 0;  // the high half of the path hash
  };
  struct Keys {
    std::vector<Node> nodes;
    std::vector<Slot> slots;
  };
  std::shared_ptr<Keys> keys_;
  std::vector<Block> blocks_;

  // The values of the keys parsed so far, and how often the others were asked for.
  struct KeptValues {
    std::vector<RegNamedValue> values;
    std::unordered_map<std::wstring_view, size_t> byName;  // folded name => position
  };
  const KeptValues& Kept(NodeId node) const;  // with valuesMutex_ held
  mutable std::mutex valuesMutex_;
  mutable std::unordered_map<NodeId, std::unique_ptr<const KeptValues>> values_;
  mutable std::unordered_map<NodeId, int> asked_;
  mutable std::unordered_map<NodeId, std::unique_ptr<const std::vector<SubKey>>> children_;
};

}  // namespace kv::detail
