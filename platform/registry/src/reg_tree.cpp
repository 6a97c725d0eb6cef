// The registry hive tree: keys and values with case-insensitive, case-preserving names.
#include "reg_tree.h"

#include <algorithm>

#include "KVPlatform/text.h"

namespace kv::detail {

RegNode::RegNode(const RegNode& other)
    : name(other.name),
      folded(other.folded),
      rawLines(other.rawLines),
      values_(other.values_),
      valueIndex_(other.valueIndex_),
      childIndex_(other.childIndex_) {
  children_.reserve(other.children_.size());
  for (const auto& child : other.children_) children_.push_back(std::make_unique<RegNode>(*child));
}

RegNode& RegNode::operator=(const RegNode& other) {
  if (this != &other) *this = RegNode(other);
  return *this;
}

void RegNode::IndexValues() {
  if (values_.size() < kIndexFrom) return;
  valueIndex_.clear();
  for (size_t i = 0; i < values_.size(); ++i) valueIndex_.emplace(values_[i].folded, i);
}

void RegNode::IndexChildren() {
  if (children_.size() < kIndexFrom) return;
  childIndex_.clear();
  for (size_t i = 0; i < children_.size(); ++i) childIndex_.emplace(children_[i]->folded, i);
}

RegNode* RegNode::FindChild(std::wstring_view foldedName) const {
  if (!childIndex_.empty()) {
    auto it = childIndex_.find(std::wstring(foldedName));
    return it == childIndex_.end() ? nullptr : children_[it->second].get();
  }
  for (const auto& child : children_) {
    if (child->folded == foldedName) return child.get();
  }
  return nullptr;
}

RegNode* RegNode::Child(std::wstring_view childName, bool* created) {
  std::wstring key = FoldCase(childName);
  if (RegNode* found = FindChild(key)) {
    if (created != nullptr) *created = false;
    return found;
  }
  auto node = std::make_unique<RegNode>();
  node->name = std::wstring(childName);
  node->folded = std::move(key);
  if (created != nullptr) *created = true;
  return AddChild(std::move(node));
}

RegNode* RegNode::AddChild(std::unique_ptr<RegNode> child) {
  children_.push_back(std::move(child));
  if (!childIndex_.empty()) {
    childIndex_.emplace(children_.back()->folded, children_.size() - 1);
  } else if (children_.size() == kIndexFrom) {
    IndexChildren();
  }
  return children_.back().get();
}

bool RegNode::RemoveChild(std::wstring_view foldedName) {
  auto it = std::find_if(children_.begin(), children_.end(),
                         [&](const auto& child) { return child->folded == foldedName; });
  if (it == children_.end()) return false;
  children_.erase(it);
  childIndex_.clear();
  IndexChildren();
  return true;
}

const RegNamedValue* RegNode::FindValue(std::wstring_view foldedName) const {
  if (!valueIndex_.empty()) {
    auto it = valueIndex_.find(std::wstring(foldedName));
    return it == valueIndex_.end() ? nullptr : &values_[it->second];
  }
  for (const auto& value : values_) {
    if (value.folded == foldedName) return &value;
  }
  return nullptr;
}

void RegNode::SetValue(std::wstring_view valueName, RegValue value) {
  std::wstring key = FoldCase(valueName);
  if (const RegNamedValue* existing = FindValue(key)) {
    // The stored spelling of the name stays, as Windows keeps it.
    values_[static_cast<size_t>(existing - values_.data())].value = std::move(value);
    return;
  }
  AddValue(RegNamedValue{std::wstring(valueName), std::move(key), std::move(value)});
}

void RegNode::AddValue(RegNamedValue value) {
  values_.push_back(std::move(value));
  if (!valueIndex_.empty()) {
    valueIndex_.emplace(values_.back().folded, values_.size() - 1);
  } else if (values_.size() == kIndexFrom) {
    IndexValues();
  }
}

bool RegNode::RemoveValue(std::wstring_view foldedName) {
  const RegNamedValue* found = FindValue(foldedName);
  if (found == nullptr) return false;
  values_.erase(values_.begin() + (found - values_.data()));
  valueIndex_.clear();
  IndexValues();
  return true;
}

void RegNode::Clear() {
  values_.clear();
  children_.clear();
  rawLines.clear();
  valueIndex_.clear();
  childIndex_.clear();
}

const RegNode* FindNode(const RegNode& root, const KeyPath& path) {
  const RegNode* node = &root;
  for (const auto& component : path) {
    node = node->FindChild(FoldCase(component));
    if (node == nullptr) return nullptr;
  }
  return node;
}

RegNode* FindNode(RegNode& root, const KeyPath& path) {
  return const_cast<RegNode*>(FindNode(static_cast<const RegNode&>(root), path));
}

RegNode* CreateNode(RegNode& root, const KeyPath& path, bool* created) {
  RegNode* node = &root;
  bool last = false;
  for (const auto& component : path) node = node->Child(component, &last);
  if (created != nullptr) *created = last;
  return node;
}

bool RemoveNode(RegNode& root, const KeyPath& path) {
  if (path.empty()) return false;
  KeyPath parentPath(path.begin(), path.end() - 1);
  RegNode* parent = FindNode(root, parentPath);
  return parent != nullptr && parent->RemoveChild(FoldCase(path.back()));
}

KeyPath SplitKeyPath(std::wstring_view path) {
  KeyPath parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::wstring JoinKeyPath(const KeyPath& path) {
  std::wstring joined;
  for (const auto& component : path) {
    if (!joined.empty()) joined += L'\\';
    joined += component;
  }
  return joined;
}

namespace {

bool IsStorableChar(wchar_t c) {
  if (c == 0 || c == L'\r' || c == L'\n') return false;
  auto u = static_cast<uint32_t>(c);
  return u <= 0x10FFFF && (u < 0xD800 || u > 0xDFFF);
}

uint64_t LittleEndian(const std::vector<uint8_t>& bytes) {
  uint64_t number = 0;
  for (size_t i = bytes.size(); i-- > 0;) number = (number << 8) | bytes[i];
  return number;
}

}  // namespace

bool IsValidKeyName(std::wstring_view name) {
  if (name.empty() || name.size() > 255) return false;  // kMaxKeyNameLength
  return std::all_of(name.begin(), name.end(),
                     [](wchar_t c) { return c != L'\\' && IsStorableChar(c); });
}

bool IsValidValueName(std::wstring_view name) {
  if (name.size() > 16383) return false;  // kMaxValueNameLength
  return std::all_of(name.begin(), name.end(), IsStorableChar);
}

RegValue NormalizedValue(const RegValue& value) {
  RegValue out;
  out.type = value.type;
  switch (value.type) {
    case kRegSz:
    case kRegExpandSz:
      if (value.text.empty() && !value.data.empty()) {
        // Bytes given for text are 8-bit (ANSI) text, as RegSetValueExA takes them.
        std::string ansi(value.data.begin(), value.data.end());
        if (ansi.back() == '\0') ansi.pop_back();
        out.text = AnsiToWide(ansi);
      } else {
        out.text = value.text;
      }
      break;
    case kRegMultiSz:
      if (value.strings.empty() && !value.data.empty()) {
        std::string ansi(value.data.begin(), value.data.end());
        if (ansi.back() == '\0') ansi.pop_back();  // the list's terminator
        size_t start = 0;
        while (start < ansi.size()) {
          size_t end = ansi.find('\0', start);
          if (end == std::string::npos) end = ansi.size();
          out.strings.push_back(AnsiToWide(ansi.substr(start, end - start)));
          start = end + 1;
        }
      } else {
        out.strings = value.strings;
      }
      break;
    case kRegDword:
      if (value.number == 0 && value.data.size() == 4) {
        out.number = LittleEndian(value.data);
      } else if (value.number == 0 && !value.data.empty()) {
        out.data = value.data;
      } else {
        out.number = value.number & 0xFFFFFFFFu;
      }
      break;
    case kRegQword:
      if (value.number == 0 && value.data.size() == 8) {
        out.number = LittleEndian(value.data);
      } else if (value.number == 0 && !value.data.empty()) {
        out.data = value.data;
      } else {
        out.number = value.number;
      }
      break;
    default: out.data = value.data; break;
  }
  return out;
}

}  // namespace kv::detail
