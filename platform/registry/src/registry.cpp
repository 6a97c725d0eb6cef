// The registry calls over the hive files: keys, values, enumeration, deletion, the
// HKEY_CLASSES_ROOT view, and `.reg` import and export.
#include "KVPlatform/registry.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"
#include "reg_hive.h"
#include "reg_text.h"

namespace kv {

using detail::HiveData;
using detail::KeyPath;
using detail::RegNamedValue;
using detail::RegNode;

std::wstring_view HiveName(Hive hive) {
  switch (hive) {
    case Hive::kClassesRoot: return L"HKEY_CLASSES_ROOT";
    case Hive::kCurrentUser: return L"HKEY_CURRENT_USER";
    case Hive::kLocalMachine: return L"HKEY_LOCAL_MACHINE";
    case Hive::kUsers: return L"HKEY_USERS";
  }
  return L"";
}

RegValue RegValue::String(std::wstring text, uint32_t type) {
  RegValue value;
  value.type = type;
  value.text = std::move(text);
  return value;
}

RegValue RegValue::MultiString(std::vector<std::wstring> strings) {
  RegValue value;
  value.type = kRegMultiSz;
  value.strings = std::move(strings);
  return value;
}

RegValue RegValue::Dword(uint32_t number) {
  RegValue value;
  value.type = kRegDword;
  value.number = number;
  return value;
}

RegValue RegValue::Qword(uint64_t number) {
  RegValue value;
  value.type = kRegQword;
  value.number = number;
  return value;
}

RegValue RegValue::Binary(std::vector<uint8_t> bytes, uint32_t type) {
  RegValue value;
  value.type = type;
  value.data = std::move(bytes);
  return value;
}

std::vector<uint8_t> RegValue::AnsiBytes() const {
  auto append = [](std::vector<uint8_t>* out, std::wstring_view s) {
    std::string ansi = WideToAnsi(s);
    out->insert(out->end(), ansi.begin(), ansi.end());
    out->push_back(0);
  };
  auto littleEndian = [](uint64_t n, int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
    return bytes;
  };
  std::vector<uint8_t> out;
  if (!data.empty()) return data;
  switch (type) {
    case kRegSz:
    case kRegExpandSz:
      append(&out, text);
      return out;
    case kRegMultiSz:
      for (const auto& one : strings) append(&out, one);
      if (strings.empty()) out.push_back(0);
      out.push_back(0);
      return out;
    case kRegDword: return littleEndian(number, 4);
    case kRegQword: return littleEndian(number, 8);
    default: return out;
  }
}

namespace {

// Where a key of a hive lives: one stored hive, or for HKEY_CLASSES_ROOT the user's
// classes over the machine's.
struct Layer {
  Hive hive;
  KeyPath path;
};

std::vector<Layer> LayersOf(Hive hive, const KeyPath& path) {
  if (hive != Hive::kClassesRoot) return {Layer{hive, path}};
  KeyPath classes = {L"Software", L"Classes"};
  classes.insert(classes.end(), path.begin(), path.end());
  return {Layer{Hive::kCurrentUser, classes}, Layer{Hive::kLocalMachine, classes}};
}

// A key as readers see it: the existing node of each layer, in order of precedence.
struct KeyView {
  std::vector<std::shared_ptr<const HiveData>> hives;  // keeps the nodes alive
  std::vector<const RegNode*> nodes;
  std::vector<size_t> layerOf;  // index into the layers for each node
  bool exists = false;
};

Status ViewKey(Hive hive, const KeyPath& path, KeyView* view) {
  std::vector<Layer> layers = LayersOf(hive, path);
  for (size_t i = 0; i < layers.size(); ++i) {
    std::shared_ptr<const HiveData> data;
    if (Status s = detail::ReadHive(layers[i].hive, &data); !s.ok()) return s;
    if (const RegNode* node = detail::FindNode(data->root, layers[i].path)) {
      view->nodes.push_back(node);
      view->layerOf.push_back(i);
    }
    view->hives.push_back(std::move(data));
  }
  // A hive's root always exists, even with nothing in it.
  view->exists = !view->nodes.empty() || path.empty();
  return Status::Ok();
}

// The values of a key across its layers; a value of an earlier layer hides the same
// name in later ones.
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

// RegValue::AnsiBytes().size(), computed without building the bytes.
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

// Splits a caller's sub-key; false when a component cannot be a key name.
bool SplitSubKey(std::wstring_view subKey, KeyPath* path) {
  KeyPath parts = detail::SplitKeyPath(subKey);
  for (const auto& part : parts) {
    if (!detail::IsValidKeyName(part)) return false;
  }
  path->insert(path->end(), parts.begin(), parts.end());
  return true;
}

// A node merged over its layers, for export of HKEY_CLASSES_ROOT.
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
    if (remove) {
      for (const auto& layer : layers) ops_[Index(layer.hive)].push_back(Op{Op::kDeleteKey, layer.path, {}, {}});
      current_.reset();
      return {};
    }
    // Classes go where the user's classes already have the key, else to the machine's.
    Layer target = layers.back();
    if (layers.size() > 1) {
      std::shared_ptr<const HiveData> user;
      if (detail::ReadHive(Hive::kCurrentUser, &user).ok() &&
          detail::FindNode(user->root, layers.front().path) != nullptr) {
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
      Status s = detail::UpdateHive(static_cast<Hive>(i), [&ops](RegNode& root, bool*) {
        for (const Op& op : ops) {
          switch (op.kind) {
            case Op::kKey: detail::CreateNode(root, op.path, nullptr); break;
            case Op::kDeleteKey: detail::RemoveNode(root, op.path); break;
            case Op::kSet: detail::CreateNode(root, op.path, nullptr)->SetValue(op.name, op.value); break;
            case Op::kDeleteValue:
              if (RegNode* node = detail::FindNode(root, op.path)) node->RemoveValue(FoldCase(op.name));
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

struct RegKey::State {
  Hive hive;
  KeyPath path;
  uint32_t access;

  // The key as it stands now, after the checks every call on an open key makes: the
  // access right the call needs (5), and a key not deleted meanwhile (1018).
  Status View(uint32_t right, KeyView* view) const {
    if ((access & right) == 0) return Status(kErrorAccessDenied);
    if (Status s = ViewKey(hive, path, view); !s.ok()) return s;
    return view->exists ? Status::Ok() : Status(kErrorKeyDeleted);
  }
};

RegKey::RegKey() = default;
RegKey::~RegKey() = default;
RegKey::RegKey(RegKey&&) noexcept = default;
RegKey& RegKey::operator=(RegKey&&) noexcept = default;

bool RegKey::IsOpen() const { return state_ != nullptr; }
void RegKey::Close() { state_.reset(); }

Status RegKey::Open(Hive hive, std::wstring_view subKey, uint32_t access, RegKey* key) {
  if (key == nullptr) return Status(kErrorInvalidParameter);
  key->Close();
  KeyPath path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorFileNotFound);
  KeyView view;
  if (Status s = ViewKey(hive, path, &view); !s.ok()) return s;
  if (!view.exists) return Status(kErrorFileNotFound);
  key->state_ = std::make_unique<State>(State{hive, std::move(path), access});
  return Status::Ok();
}

Status RegKey::Create(Hive hive, std::wstring_view subKey, uint32_t access, RegKey* key,
                      bool* created) {
  if (key == nullptr) return Status(kErrorInvalidParameter);
  key->Close();
  KeyPath path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = ViewKey(hive, path, &view); !s.ok()) return s;
  bool made = false;
  if (!view.exists) {
    // A new key of HKEY_CLASSES_ROOT goes to the machine's classes, as on Windows.
    Layer target = LayersOf(hive, path).back();
    Status s = detail::UpdateHive(target.hive, [&](RegNode& root, bool* modified) {
      detail::CreateNode(root, target.path, &made);
      *modified = made;
      return Status::Ok();
    });
    if (!s.ok()) return s;
  }
  if (created != nullptr) *created = made;
  key->state_ = std::make_unique<State>(State{hive, std::move(path), access});
  return Status::Ok();
}

Status RegKey::OpenSubKey(std::wstring_view subKey, uint32_t access, RegKey* key) const {
  if (!state_ || key == nullptr) return Status(kErrorInvalidHandle);
  KeyPath path = state_->path;
  if (!SplitSubKey(subKey, &path)) {
    key->Close();
    return Status(kErrorFileNotFound);
  }
  return RegKey::Open(state_->hive, detail::JoinKeyPath(path), access, key);
}

Status RegKey::CreateSubKey(std::wstring_view subKey, uint32_t access, RegKey* key,
                            bool* created) const {
  if (!state_ || key == nullptr) return Status(kErrorInvalidHandle);
  if ((state_->access & kKeyCreateSubKey) == 0) return Status(kErrorAccessDenied);
  KeyPath path = state_->path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorInvalidParameter);
  return RegKey::Create(state_->hive, detail::JoinKeyPath(path), access, key, created);
}

Status RegKey::QueryValue(std::wstring_view name, RegValue* value) const {
  if (!state_) return Status(kErrorInvalidHandle);
  KeyView view;
  if (Status s = state_->View(kKeyQueryValue, &view); !s.ok()) return s;
  std::wstring folded = FoldCase(name);
  for (const RegNode* node : view.nodes) {
    if (const RegNamedValue* found = node->FindValue(folded)) {
      if (value != nullptr) *value = found->value;
      return Status::Ok();
    }
  }
  return Status(kErrorFileNotFound);
}

Status RegKey::QueryValueAnsi(std::wstring_view name, uint32_t* type, uint8_t* buffer,
                              uint32_t* size) const {
  if (buffer != nullptr && size == nullptr) return Status(kErrorInvalidParameter);
  RegValue value;
  if (Status s = QueryValue(name, &value); !s.ok()) return s;
  std::vector<uint8_t> bytes = value.AnsiBytes();
  auto needed = static_cast<uint32_t>(bytes.size());
  if (type != nullptr) *type = value.type;
  if (buffer == nullptr) {
    if (size != nullptr) *size = needed;
    return Status::Ok();
  }
  if (*size < needed) {
    *size = needed;
    return Status(kErrorMoreData);
  }
  if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
  *size = needed;
  return Status::Ok();
}

Status RegKey::SetValue(std::wstring_view name, const RegValue& value) {
  if (!state_) return Status(kErrorInvalidHandle);
  if ((state_->access & kKeySetValue) == 0) return Status(kErrorAccessDenied);
  if (!detail::IsValidValueName(name)) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeySetValue, &view); !s.ok()) return s;
  std::vector<Layer> layers = LayersOf(state_->hive, state_->path);
  // The first layer that has the key takes the value (for a hive's root, the first).
  Layer target = view.nodes.empty() ? layers.front() : layers[view.layerOf.front()];
  RegValue normalized = detail::NormalizedValue(value);
  std::wstring folded = FoldCase(name);
  return detail::UpdateHive(target.hive, [&](RegNode& root, bool* modified) {
    RegNode* node = detail::FindNode(root, target.path);
    if (node == nullptr) {
      if (!state_->path.empty()) return Status(kErrorKeyDeleted);
      node = detail::CreateNode(root, target.path, nullptr);
    }
    const RegNamedValue* existing = node->FindValue(folded);
    if (existing != nullptr && existing->value == normalized) {
      *modified = false;  // nothing to write
      return Status::Ok();
    }
    node->SetValue(name, normalized);
    return Status::Ok();
  });
}

Status RegKey::DeleteValue(std::wstring_view name) {
  if (!state_) return Status(kErrorInvalidHandle);
  KeyView view;
  if (Status s = state_->View(kKeySetValue, &view); !s.ok()) return s;
  std::wstring folded = FoldCase(name);
  std::vector<Layer> layers = LayersOf(state_->hive, state_->path);
  for (size_t i = 0; i < view.nodes.size(); ++i) {
    if (view.nodes[i]->FindValue(folded) == nullptr) continue;
    const Layer& target = layers[view.layerOf[i]];
    return detail::UpdateHive(target.hive, [&](RegNode& root, bool*) {
      RegNode* node = detail::FindNode(root, target.path);
      if (node == nullptr || !node->RemoveValue(folded)) return Status(kErrorFileNotFound);
      return Status::Ok();
    });
  }
  return Status(kErrorFileNotFound);
}

Status RegKey::EnumValue(uint32_t index, std::wstring* name, RegValue* value) const {
  if (!state_) return Status(kErrorInvalidHandle);
  if (name == nullptr) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeyQueryValue, &view); !s.ok()) return s;
  std::vector<const RegNamedValue*> values = MergedValues(view);
  if (index >= values.size()) return Status(kErrorNoMoreItems);
  *name = values[index]->name;
  if (value != nullptr) *value = values[index]->value;
  return Status::Ok();
}

Status RegKey::EnumKey(uint32_t index, std::wstring* name) const {
  if (!state_) return Status(kErrorInvalidHandle);
  if (name == nullptr) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeyEnumerateSubKeys, &view); !s.ok()) return s;
  std::vector<const RegNode*> children = MergedChildren(view);
  if (index >= children.size()) return Status(kErrorNoMoreItems);
  *name = children[index]->name;
  return Status::Ok();
}

Status RegKey::DeleteSubKey(std::wstring_view subKey) {
  if (!state_) return Status(kErrorInvalidHandle);
  KeyPath path = state_->path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorFileNotFound);
  if (path.empty()) return Status(kErrorAccessDenied);  // a hive's root stays
  KeyView view;
  if (Status s = ViewKey(state_->hive, path, &view); !s.ok()) return s;
  if (!view.exists) return Status(kErrorFileNotFound);
  if (!MergedChildren(view).empty()) return Status(kErrorAccessDenied);
  std::vector<Layer> layers = LayersOf(state_->hive, path);
  for (size_t i : view.layerOf) {
    const Layer& target = layers[i];
    Status s = detail::UpdateHive(target.hive, [&](RegNode& root, bool* modified) {
      RegNode* node = detail::FindNode(root, target.path);
      if (node == nullptr) {
        *modified = false;
        return Status::Ok();
      }
      // Another process may have added a subkey since the look above.
      if (!node->children.empty()) return Status(kErrorAccessDenied);
      detail::RemoveNode(root, target.path);
      return Status::Ok();
    });
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status RegKey::DeleteTree(std::wstring_view subKey) {
  if (!state_) return Status(kErrorInvalidHandle);
  KeyPath path = state_->path;
  if (!SplitSubKey(subKey, &path)) return Status(kErrorFileNotFound);
  bool emptyOnly = path.size() == state_->path.size();
  KeyView view;
  if (Status s = ViewKey(state_->hive, path, &view); !s.ok()) return s;
  if (!view.exists) return Status(emptyOnly ? kErrorKeyDeleted : kErrorFileNotFound);
  std::vector<Layer> layers = LayersOf(state_->hive, path);
  for (size_t i : view.layerOf) {
    const Layer& target = layers[i];
    Status s = detail::UpdateHive(target.hive, [&](RegNode& root, bool* modified) {
      RegNode* node = detail::FindNode(root, target.path);
      if (node == nullptr) {
        *modified = false;
      } else if (emptyOnly) {
        node->values.clear();
        node->children.clear();
        node->rawLines.clear();
      } else {
        detail::RemoveNode(root, target.path);
      }
      return Status::Ok();
    });
    if (!s.ok()) return s;
  }
  return Status::Ok();
}

Status RegKey::QueryInfo(RegKeyInfo* info) const {
  if (!state_) return Status(kErrorInvalidHandle);
  if (info == nullptr) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeyQueryValue, &view); !s.ok()) return s;
  RegKeyInfo result;
  for (const RegNode* child : MergedChildren(view)) {
    ++result.subKeys;
    result.maxSubKeyLength = std::max(result.maxSubKeyLength, static_cast<uint32_t>(child->name.size()));
  }
  for (const RegNamedValue* value : MergedValues(view)) {
    ++result.values;
    result.maxValueNameLength =
        std::max(result.maxValueNameLength, static_cast<uint32_t>(value->name.size()));
    result.maxValueDataLength =
        std::max(result.maxValueDataLength, static_cast<uint32_t>(AnsiSize(value->value)));
  }
  *info = result;
  return Status::Ok();
}

Status ImportRegText(std::string_view text, std::vector<RegImportError>* errors) {
  std::string decoded = detail::DecodeRegFileBytes(text);
  ImportSink sink;
  detail::RegParseResult parsed = detail::ParseRegText(decoded, sink);
  if (errors != nullptr) *errors = parsed.errors;
  if (!parsed.hasHeader) return Status(kErrorInvalidData);
  return sink.Apply();
}

Status ImportRegFile(std::wstring_view path, std::vector<RegImportError>* errors) {
  if (errors != nullptr) errors->clear();
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  std::string bytes;
  host::FileIdentity identity;
  if (Status s = host::ReadFileContents(host, &bytes, &identity); !s.ok()) return s;
  return ImportRegText(bytes, errors);
}

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
    problems->insert(problems->end(), data->problems.begin(), data->problems.end());
  }
  return Status::Ok();
}

void ResetRegistryCache() { detail::ForgetHives(); }

}  // namespace kv
