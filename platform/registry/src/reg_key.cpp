// Open keys: the Win32 key calls (open, create, query, set, enumerate, delete) over the
// hive files and the HKEY_CLASSES_ROOT view.
#include <algorithm>
#include <cstring>
#include <optional>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "reg_hive.h"
#include "reg_text.h"
#include "reg_view.h"

namespace kv {

using detail::AnsiSize;
using detail::HiveData;
using detail::KeyPath;
using detail::KeyView;
using detail::Layer;
using detail::LayersOf;
using detail::MergedChildren;
using detail::MergedValues;
using detail::RegNamedValue;
using detail::RegNode;
using detail::SplitSubKey;
using detail::ViewKey;
using Next = std::shared_ptr<const HiveData>;

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
    if (target.path.size() > detail::kMaxKeyDepth) return Status(kErrorInvalidParameter);
    Status s =
        detail::UpdateHive(target.hive, [&](const HiveData& current, Next* next, bool* modified) {
          made = !current.Find(target.path);
          *modified = made;
          if (!made) return Status::Ok();
          if (current.Editable()) {
            *next = current.WithKey(target.path);
            return Status::Ok();
          }
          return detail::RewriteTree(
              current,
              [&](RegNode& root, bool*) {
                detail::CreateNode(root, target.path, nullptr);
                return Status::Ok();
              },
              next, modified);
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
  std::optional<RegValue> found = detail::FindValue(view, FoldCase(name));
  if (!found) return Status(kErrorFileNotFound);
  if (value != nullptr) *value = std::move(*found);
  return Status::Ok();
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
  Layer target = view.nodes.empty() ? layers.front() : layers[view.nodes.front().layer];
  RegValue normalized = detail::NormalizedValue(value);
  std::wstring folded = FoldCase(name);
  return detail::UpdateHive(target.hive, [&](const HiveData& current, Next* next, bool* modified) {
    std::optional<HiveData::NodeId> node = current.Find(target.path);
    if (!node && !state_->path.empty()) return Status(kErrorKeyDeleted);
    if (node && current.Editable()) {
      *next = current.WithValue(*node, name, normalized);
      *modified = *next != nullptr;  // nothing to write when the value already is so
      return Status::Ok();
    }
    return detail::RewriteTree(
        current,
        [&](RegNode& root, bool* changed) {
          RegNode* key = detail::CreateNode(root, target.path, nullptr);
          const RegNamedValue* existing = key->FindValue(folded);
          *changed = existing == nullptr || !(existing->value == normalized);
          if (*changed) key->SetValue(name, normalized);
          return Status::Ok();
        },
        next, modified);
  });
}

Status RegKey::DeleteValue(std::wstring_view name) {
  if (!state_) return Status(kErrorInvalidHandle);
  KeyView view;
  if (Status s = state_->View(kKeySetValue, &view); !s.ok()) return s;
  std::wstring folded = FoldCase(name);
  std::vector<Layer> layers = LayersOf(state_->hive, state_->path);
  for (const auto& found : view.nodes) {
    if (!found.hive->FindValue(found.node, folded)) continue;
    const Layer& target = layers[found.layer];
    return detail::UpdateHive(
        target.hive, [&](const HiveData& current, Next* next, bool* modified) {
          std::optional<HiveData::NodeId> node = current.Find(target.path);
          if (!node) return Status(kErrorFileNotFound);
          if (current.Editable()) {
            *next = current.WithoutValue(*node, folded);
            return *next ? Status::Ok() : Status(kErrorFileNotFound);
          }
          return detail::RewriteTree(
              current,
              [&](RegNode& root, bool*) {
                RegNode* key = detail::FindNode(root, target.path);
                return key != nullptr && key->RemoveValue(folded) ? Status::Ok()
                                                                  : Status(kErrorFileNotFound);
              },
              next, modified);
        });
  }
  return Status(kErrorFileNotFound);
}

Status RegKey::EnumValue(uint32_t index, std::wstring* name, RegValue* value) const {
  if (!state_) return Status(kErrorInvalidHandle);
  if (name == nullptr) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeyQueryValue, &view); !s.ok()) return s;
  std::optional<RegNamedValue> found = detail::MergedValueAt(view, index);
  if (!found) return Status(kErrorNoMoreItems);
  *name = std::move(found->name);
  if (value != nullptr) *value = std::move(found->value);
  return Status::Ok();
}

Status RegKey::EnumKey(uint32_t index, std::wstring* name) const {
  if (!state_) return Status(kErrorInvalidHandle);
  if (name == nullptr) return Status(kErrorInvalidParameter);
  KeyView view;
  if (Status s = state_->View(kKeyEnumerateSubKeys, &view); !s.ok()) return s;
  std::optional<detail::SubKey> child = detail::MergedChildAt(view, index);
  if (!child) return Status(kErrorNoMoreItems);
  *name = std::move(child->name);
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
  for (const auto& found : view.nodes) {
    if (found.hive->HasChildren(found.node)) return Status(kErrorAccessDenied);
  }
  std::vector<Layer> layers = LayersOf(state_->hive, path);
  for (const auto& found : view.nodes) {
    const Layer& target = layers[found.layer];
    Status s = detail::UpdateHiveTree(target.hive, [&](RegNode& root, bool* modified) {
      RegNode* node = detail::FindNode(root, target.path);
      if (node == nullptr) {
        *modified = false;
        return Status::Ok();
      }
      // Another process may have added a subkey since the look above.
      if (!node->children().empty()) return Status(kErrorAccessDenied);
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
  for (const auto& found : view.nodes) {
    const Layer& target = layers[found.layer];
    Status s = detail::UpdateHiveTree(target.hive, [&](RegNode& root, bool* modified) {
      RegNode* node = detail::FindNode(root, target.path);
      if (node == nullptr) {
        *modified = false;
      } else if (emptyOnly) {
        node->Clear();
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
  for (const detail::SubKey& child : MergedChildren(view)) {
    ++result.subKeys;
    result.maxSubKeyLength =
        std::max(result.maxSubKeyLength, static_cast<uint32_t>(child.name.size()));
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
}  // namespace kv
