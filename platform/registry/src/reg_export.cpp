// `.reg` export: a key and everything below it, names spelt as stored.
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "reg_text.h"
#include "reg_view.h"

namespace kv {

using detail::KeyPath;
using detail::KeyView;
using detail::RegNode;
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
    KeyPath stored = view.nodes.front().hive->StoredPath(view.nodes.front().node);
    for (size_t i = stored.size() - path.size(); i < stored.size(); ++i)
      prefix += L"\\" + stored[i];
  }
  RegNode merged = detail::MergedSubtree(view);
  std::string out(detail::kRegHeader5);
  out += "\n\n";
  detail::AppendKeyTree(merged, prefix, false, path.empty(), &out);
  *text = std::move(out);
  return Status::Ok();
}

}  // namespace kv
