// `.reg` import: a whole text applied as one change per hive, the check of hive files,
// and the parsing of key paths as callers spell them.
#include <optional>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "reg_hive.h"
#include "reg_text.h"
#include "reg_view.h"

namespace kv {

using detail::HiveData;
using detail::KeyPath;
using detail::Layer;
using detail::LayersOf;
using detail::RegNamedValue;
using detail::RegNode;
using detail::SplitSubKey;

namespace {

// Collects the operations of an imported text, one list per stored hive.
class ImportSink : public detail::RegTextSink {
 public:
  struct Op {
    enum Kind { kKey, kDeleteKey, kSet, kDeleteValue } kind;
    KeyPath path;
    std::wstring name;
    RegValue value;
  };

  std::wstring OnKey(Hive hive, const KeyPath& path, bool remove) override {
    if (path.empty() && remove) return L"a whole hive cannot be deleted";
    std::vector<Layer> layers = LayersOf(hive, path);
    if (layers.back().path.size() > detail::kMaxKeyDepth) {
      return L"the key lies " + std::to_wstring(layers.back().path.size()) +
             L" levels below its hive; keys nest at most 512 levels deep";
    }
    if (remove) {
      for (const auto& layer : layers)
        ops_[Index(layer.hive)].push_back(Op{Op::kDeleteKey, layer.path, {}, {}});
      current_.reset();
      return {};
    }
    // Classes go where the user's classes already have the key, else to the machine's.
    Layer target = layers.back();
    if (layers.size() > 1) {
      std::shared_ptr<const HiveData> user;
      if (detail::ReadHive(Hive::kCurrentUser, &user).ok() && user->Find(layers.front().path)) {
        target = layers.front();
      }
    }
    ops_[Index(target.hive)].push_back(Op{Op::kKey, target.path, {}, {}});
    current_ = target;
    return {};
  }

  void OnValue(const std::wstring& name, const std::optional<RegValue>& value) override {
    if (!current_) return;
    if (value) {
      ops_[Index(current_->hive)].push_back(
          Op{Op::kSet, current_->path, name, *value});  // as read, never reinterpreted
    } else {
      ops_[Index(current_->hive)].push_back(Op{Op::kDeleteValue, current_->path, name, {}});
    }
  }

  void OnRaw(std::string_view) override {}

  Status Apply() const {
    for (size_t i = 0; i < 4; ++i) {
      if (ops_[i].empty()) continue;
      const std::vector<Op>& ops = ops_[i];
      Status s = detail::UpdateHiveTree(static_cast<Hive>(i), [&ops](RegNode& root, bool*) {
        for (const Op& op : ops) {
          switch (op.kind) {
            case Op::kKey: detail::CreateNode(root, op.path, nullptr); break;
            case Op::kDeleteKey: detail::RemoveNode(root, op.path); break;
            case Op::kSet:
              detail::CreateNode(root, op.path, nullptr)->SetValue(op.name, op.value);
              break;
            case Op::kDeleteValue:
              if (RegNode* node = detail::FindNode(root, op.path))
                node->RemoveValue(FoldCase(op.name));
              break;
          }
        }
        return Status::Ok();
      });
      if (!s.ok()) return s;
    }
    return Status::Ok();
  }

 private:
  static size_t Index(Hive hive) { return static_cast<size_t>(hive); }
  std::vector<Op> ops_[4];
  std::optional<Layer> current_;
};

}  // namespace

Status ImportRegText(std::string_view text, std::vector<RegImportError>* errors) {
  detail::RegFileText decoded = detail::DecodeRegFileBytes(std::string(text));
  ImportSink sink;
  detail::RegParseResult parsed = detail::ParseRegText(decoded.text, sink, decoded.utf16);
  if (errors != nullptr) *errors = parsed.errors;
  if (!parsed.hasHeader) return Status(kErrorInvalidData);
  return sink.Apply();
}

Status ImportRegFile(std::wstring_view path, std::vector<RegImportError>* errors) {
  if (errors != nullptr) errors->clear();
  std::string bytes;
  if (Status s = ReadFile(path, &bytes, kMaxRegFileBytes); !s.ok()) return s;
  return ImportRegText(bytes, errors);
}

bool ParseKeyPath(std::wstring_view path, Hive* hive, std::wstring* subKey) {
  size_t separator = path.find(L'\\');
  std::optional<Hive> found = detail::HiveFromName(path.substr(0, separator));
  if (!found) return false;
  KeyPath parts;
  if (separator != std::wstring_view::npos && !SplitSubKey(path.substr(separator + 1), &parts)) {
    return false;
  }
  if (hive != nullptr) *hive = *found;
  if (subKey != nullptr) *subKey = detail::JoinKeyPath(parts);
  return true;
}

Status CheckHiveFile(Hive hive, std::vector<RegImportError>* problems) {
  if (problems == nullptr) return Status(kErrorInvalidParameter);
  problems->clear();
  for (const Layer& layer : LayersOf(hive, {})) {
    std::shared_ptr<const HiveData> data;
    if (Status s = detail::ReadHive(layer.hive, &data); !s.ok()) return s;
    std::vector<RegImportError> found = data->Problems();
    problems->insert(problems->end(), found.begin(), found.end());
  }
  return Status::Ok();
}

void ResetRegistryCache() { detail::ForgetHives(); }

}  // namespace kv
