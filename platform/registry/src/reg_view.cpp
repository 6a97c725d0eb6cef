// The HKEY_CLASSES_ROOT view and the merged reading of keys across hive layers.
#include "reg_view.h"

#include <algorithm>

#include "KVPlatform/text.h"

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
    if (const RegNode* node = FindNode(data->root, layers[i].path)) {
      view->nodes.push_back(node);
      view->layerOf.push_back(i);
    }
    view->hives.push_back(std::move(data));
  }
  // A hive's root always exists, even with nothing in it.
  view->exists = !view->nodes.empty() || path.empty();
  return Status::Ok();
}

std::vector<const RegNamedValue*> MergedValues(const KeyView& view) {
  std::vector<const RegNamedValue*> merged;
  for (size_t layer = 0; layer < view.nodes.size(); ++layer) {
    for (const auto& value : view.nodes[layer]->values) {
      bool hidden = false;
      for (size_t earlier = 0; earlier < layer && !hidden; ++earlier) {
        hidden = view.nodes[earlier]->FindValue(value.folded) != nullptr;
      }
      if (!hidden) merged.push_back(&value);
    }
  }
  return merged;
}

std::vector<const RegNode*> MergedChildren(const KeyView& view) {
  std::vector<const RegNode*> merged;
  for (size_t layer = 0; layer < view.nodes.size(); ++layer) {
    for (const auto& child : view.nodes[layer]->children) {
      bool hidden = false;
      for (size_t earlier = 0; earlier < layer && !hidden; ++earlier) {
        hidden = view.nodes[earlier]->FindChild(child->folded) != nullptr;
      }
      if (!hidden) merged.push_back(child.get());
    }
  }
  // Subkeys enumerate as Windows lists them: by name, without regard to case.
  std::sort(merged.begin(), merged.end(),
            [](const RegNode* a, const RegNode* b) { return a->folded < b->folded; });
  return merged;
}

RegNode MergeNodes(const std::vector<const RegNode*>& nodes) {
  RegNode merged = *nodes.front();
  for (size_t i = 1; i < nodes.size(); ++i) {
    for (const auto& value : nodes[i]->values) {
      if (merged.FindValue(value.folded) == nullptr) merged.values.push_back(value);
    }
    for (const auto& child : nodes[i]->children) {
      if (RegNode* same = merged.FindChild(child->folded)) {
        *same = MergeNodes({same, child.get()});
      } else {
        merged.children.push_back(std::make_unique<RegNode>(*child));
      }
    }
  }
  return merged;
}

bool SplitSubKey(std::wstring_view subKey, KeyPath* path) {
  KeyPath parts = SplitKeyPath(subKey);
  for (const auto& part : parts) {
    if (!IsValidKeyName(part)) return false;
  }
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
