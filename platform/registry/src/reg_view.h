// How callers see keys: a key of a hive is one stored key, and a key of
// HKEY_CLASSES_ROOT is the user's classes over the machine's. Internal to the registry.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "KVPlatform/registry.h"
#include "reg_hive.h"

namespace kv::detail {

// Where a key of a hive lives: one stored hive, or for HKEY_CLASSES_ROOT the user's
// classes over the machine's.
struct Layer {
  Hive hive;
  KeyPath path;
};
std::vector<Layer> LayersOf(Hive hive, const KeyPath& path);

// A key as readers see it: the existing key of each layer, in order of precedence.
struct KeyView {
  struct Found {
    const HiveData* hive;
    HiveData::NodeId node;
    size_t layer;  // index into the layers
  };
  std::vector<std::shared_ptr<const HiveData>> hives;  // keeps the keys alive
  std::vector<Found> nodes;
  bool exists = false;
};
Status ViewKey(Hive hive, const KeyPath& path, KeyView* view);

// A value by its folded name, from the first layer that has it.
std::optional<RegValue> FindValue(const KeyView& view, std::wstring_view foldedName);
// The values of a key across its layers; a value of an earlier layer hides the same
// name in later ones.
std::vector<const RegNamedValue*> MergedValues(const KeyView& view);
// The subkeys across the layers, by name without regard to case, as Windows lists them.
std::vector<SubKey> MergedChildren(const KeyView& view);
// The index-th of them, taken straight from the hive's kept lists for a key of one hive
// (an enumeration then takes time linear in the number of entries); null past the end.
std::optional<RegNamedValue> MergedValueAt(const KeyView& view, size_t index);
std::optional<SubKey> MergedChildAt(const KeyView& view, size_t index);
// The key's subtree merged over its layers, for export.
RegNode MergedSubtree(const KeyView& view);

// Splits a caller's sub-key onto `path`; false when a component cannot be a key name
// (or the path would nest deeper than keys may).
bool SplitSubKey(std::wstring_view subKey, KeyPath* path);

// RegValue::AnsiBytes().size(), computed without building the bytes.
size_t AnsiSize(const RegValue& value);

}  // namespace kv::detail
