// The HKEY_CLASSES_ROOT view and the merged reading of keys across hive layers.
#include "reg_view.h"

#include <algorithm>
#include <unordered_set>

#include "KVPlatform/text.h"
#include "reg_text.h"

namespace kv::detail {

std::vector<Layer> LayersOf(Hive hive, const KeyPath& path) {
  if (hive != Hive::kClassesRoot) return {Layer{hive, path}};
  KeyPath classes = {L"Software", L"Classes"};
  classes.insert(classes.end(), path.begin(), path.end());
  return {Layer{Hive::kCurrentUser, classes}, Layer{Hive::kLocalMachine, classes}};
}

Status ViewKey(Hive hive, const KeyPath& path, KeyView* view) {
  std::vector<Layer> layers = LayersOf(hive, path);
  for (size_t i = 0; i < layers.size(); ++i) {
    std::shared_ptr<const HiveData> data;
    if (Status s = ReadHive(layers[i].hive, &data); !s.ok()) return s;
    if (std::optional<HiveData::NodeId> node = data->Find(layers[i].path)) {
      view->nodes.push_back(KeyView::Found{data.get(), *node, i});
    }
    view->hives.push_back(std::move(data));
  }
  // A hive's root always exists, even with nothing in it.
  view->exists = !view->nodes.empty() || path.empty();
  return Status::Ok();
}

std::optional<RegValue> FindValue(const KeyView& view, std::wstring_view foldedName) {
  for (const auto& found : view.nodes) {
    if (std::optional<RegValue> value = found.hive->FindValue(found.node, foldedName)) return value;
  }
  return std::nullopt;
}

std::vector<const RegNamedValue*> MergedValues(const KeyView& view) {
  std::vector<const RegNamedValue*> merged;
  std::unordered_set<std::wstring_view> seen;
  for (size_t layer = 0; layer < view.nodes.size(); ++layer) {
    const auto& values = view.nodes[layer].hive->Values(view.nodes[layer].node);
    for (const auto& value : values) {
      if (layer == 0 || !seen.count(value.folded)) merged.push_back(&value);
    }
    if (layer + 1 < view.nodes.size()) {
      for (const auto& value : values) seen.insert(value.folded);
    }
  }
  return merged;
}

std::vector<SubKey> MergedChildren(const KeyView& view) {
  if (view.nodes.size() == 1) return view.nodes[0].hive->SortedChildren(view.nodes[0].node);
  std::vector<SubKey> merged;
  std::unordered_set<std::wstring_view> seen;
  for (const auto& found : view.nodes) {
    for (const SubKey& key : found.hive->SortedChildren(found.node)) {
      if (seen.insert(key.folded).second) merged.push_back(key);
    }
  }
  // Subkeys enumerate as Windows lists them: by name, without regard to case.
  std::sort(merged.begin(), merged.end(),
            [](const SubKey& a, const SubKey& b) { return a.folded < b.folded; });
  return merged;
}

std::optional<RegNamedValue> MergedValueAt(const KeyView& view, size_t index) {
  if (view.nodes.size() == 1) {
    const auto& values = view.nodes[0].hive->Values(view.nodes[0].node);
    if (index < values.size()) return values[index];
    return std::nullopt;
  }
  std::vector<const RegNamedValue*> values = MergedValues(view);
  if (index < values.size()) return *values[index];
  return std::nullopt;
}

std::optional<SubKey> MergedChildAt(const KeyView& view, size_t index) {
  if (view.nodes.size() == 1) {
    const auto& children = view.nodes[0].hive->SortedChildren(view.nodes[0].node);
    if (index < children.size()) return children[index];
    return std::nullopt;
  }
  std::vector<SubKey> children = MergedChildren(view);
  if (index < children.size()) return children[index];
  return std::nullopt;
}

namespace {

// `into` with what `other` adds: values and subkeys it does not have.
void Merge(RegNode& into, const RegNode& other) {
  for (const auto& value : other.values()) {
    if (into.FindValue(value.folded) == nullptr) into.AddValue(value);
  }
  for (const auto& child : other.children()) {
    if (RegNode* same = into.FindChild(child->folded)) {
      Merge(*same, *child);
    } else {
      into.AddChild(std::make_unique<RegNode>(*child));
    }
  }
}

}  // namespace

RegNode MergedSubtree(const KeyView& view) {
  if (view.nodes.empty()) return RegNode();
  RegNode merged = view.nodes.front().hive->Subtree(view.nodes.front().node);
  for (size_t i = 1; i < view.nodes.size(); ++i) {
    Merge(merged, view.nodes[i].hive->Subtree(view.nodes[i].node));
  }
  return merged;
}

bool SplitSubKey(std::wstring_view subKey, KeyPath* path) {
  KeyPath parts = SplitKeyPath(subKey);
  for (const auto& part : parts) {
    if (!IsValidKeyName(part)) return false;
  }
  if (path->size() + parts.size() > kMaxKeyDepth) return false;
  path->insert(path->end(), parts.begin(), parts.end());
  return true;
}

namespace {

// The UTF-8 length of wide text as WideToAnsi converts it (U+FFFD for what is not a
// Unicode scalar value), without converting it.
size_t AnsiLength(std::wstring_view text) {
  size_t length = 0;
  for (wchar_t c : text) {
    auto u = static_cast<uint32_t>(c);
    if (u < 0x80) {
      length += 1;
    } else if (u < 0x800) {
      length += 2;
    } else if (u < 0x10000 || u > 0x10FFFF) {
      length += 3;  // surrogates and values past Unicode become U+FFFD
    } else {
      length += 4;
    }
  }
  return length;
}

}  // namespace

size_t AnsiSize(const RegValue& value) {
  if (!value.data.empty()) return value.data.size();
  switch (value.type) {
    case kRegSz:
    case kRegExpandSz: return AnsiLength(value.text) + 1;
    case kRegMultiSz: {
      size_t size = value.strings.empty() ? 2 : 1;
      for (const auto& s : value.strings) size += AnsiLength(s) + 1;
      return size;
    }
    case kRegDword: return 4;
    case kRegQword: return 8;
    default: return 0;
  }
}

}  // namespace kv::detail
