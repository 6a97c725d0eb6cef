// `.reg` export: a key and everything below it, names spelt as stored.
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "reg_text.h"
#include "reg_view.h"

namespace kv {

using detail::HiveData;
using detail::KeyPath;
using detail::RegNamedValue;
using detail::RegNode;
using detail::KeyView;
using detail::LayersOf;
using detail::MergeNodes;
using detail::SplitSubKey;
using detail::ViewKey;

Status ExportRegText(Hive hive, std::wstring_view subKey, std::string* text) {
  if (text == nullptr) return Status(kErrorInvalidParameter);
  KeyPath path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorFileNotFound);
  KeyView view;
  if (Status s = ViewKey(hive, path, &view); !s.ok()) return s;
  if (!view.exists) return Status(kErrorFileNotFound);

  // Key lines spell the names as stored.
  std::wstring prefix(HiveName(hive));
  if (!view.nodes.empty()) {
    const RegNode* node = &view.hives[view.layerOf.front()]->root;
    KeyPath stored = LayersOf(hive, path)[view.layerOf.front()].path;
    size_t skip = stored.size() - path.size();
    for (size_t i = 0; i < stored.size(); ++i) {
      node = node->FindChild(FoldCase(stored[i]));
      if (i >= skip) prefix += L"\\" + node->name;
    }
  }
  RegNode merged = view.nodes.empty() ? RegNode() : MergeNodes(view.nodes);
  std::string out(detail::kRegHeader5);
  out += "\n\n";
  detail::AppendKeyTree(merged, prefix, false, path.empty(), &out);
  *text = std::move(out);
  return Status::Ok();
}

}  // namespace kv
