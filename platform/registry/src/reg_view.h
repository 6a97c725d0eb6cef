// How callers see keys: a key of a hive is one stored node, and a key of
// HKEY_CLASSES_ROOT is the user's classes over the machine's. Internal to the registry.
#pragma once

#include <memory>
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

// A key as readers see it: the existing node of each layer, in order of precedence.
struct KeyView {
  std::vector<std::shared_ptr<const HiveData>> hives;  // keeps the nodes alive
  std::vector<const RegNode*> nodes;
  std::vector<size_t> layerOf;  // index into the layers for each node
  bool exists = false;
};
Status ViewKey(Hive hive, const KeyPath& path, KeyView* view);

// The values of a key across its layers; a value of an earlier layer hides the same
// name in later ones.
std::vector<const RegNamedValue*> MergedValues(const KeyView& view);
// The subkeys across the layers, by name without regard to case, as Windows lists them.
std::vector<const RegNode*> MergedChildren(const KeyView& view);
// A node merged over its layers, for export of HKEY_CLASSES_ROOT.
RegNode MergeNodes(const std::vector<const RegNode*>& nodes);

// Splits a caller's sub-key onto `path`; false when a component cannot be a key name.
bool SplitSubKey(std::wstring_view subKey, KeyPath* path);

// RegValue::AnsiBytes().size(), computed without building the bytes.
size_t AnsiSize(const RegValue& value);

}  // namespace kv::detail
