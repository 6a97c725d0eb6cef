// Properties kept in memory, streams over them, and the object that serves them.
#include "property_bag.h"

#include <algorithm>
#include <cstring>

#include "KVPlatform/text.h"

namespace kv::mail {

namespace {

bool IsText(uint32_t type) { return type == kPtUnicode || type == kPtString8; }

}  // namespace

bool ConvertValue(const PropValue& stored, uint32_t wanted, PropValue* out) {
  const uint32_t have = PropType(stored.tag);
  if (wanted == kPtUnspecified || wanted == have) {
    *out = stored;
    return true;
  }
  if (have == kPtUnicode && wanted == kPtString8) {
    *out = PropValue::String8(ChangePropType(stored.tag, kPtString8), WideToAnsi(stored.text));
    return true;
  }
  if (have == kPtString8 && wanted == kPtUnicode) {
    *out = PropValue::Unicode(ChangePropType(stored.tag, kPtUnicode), AnsiToWide(stored.bytes));
    return true;
  }
  return false;
}

namespace {

size_t ValueSize(const PropValue& value) {
  const uint32_t type = PropType(value.tag);
  if (type == kPtUnicode) return value.text.size() * 2;  // counted as the 16-bit text it stands for
  if (type == kPtString8 || type == kPtBinary) return value.bytes.size();
  return 0;
}

bool IsValidUtf8(const std::string& bytes) { return WideToAnsi(AnsiToWide(bytes)) == bytes; }

class BagStream : public PropStream {
 public:
  BagStream(std::weak_ptr<PropertyBag> bag, PropTag tag, bool write, std::string data)
      : bag_(std::move(bag)), tag_(tag), write_(write), data_(std::move(data)) {}

  Status Read(void* buffer, size_t size, size_t* got) override {
    *got = std::min(size, data_.size() - position_);
    if (*got > 0) std::memcpy(buffer, data_.data() + position_, *got);
    position_ += *got;
    return Status::Ok();
  }

  Status Write(const void* data, size_t size) override {
    if (!write_) return Status(kMapiENoAccess);
    data_.append(static_cast<const char*>(data), size);
    return Status::Ok();
  }

  Status Commit() override {
    if (!write_) return Status::Ok();
    std::shared_ptr<PropertyBag> bag = bag_.lock();
    if (!bag) return Status(kMapiECallFailed);
    const uint32_t type = PropType(tag_);
    if (type == kPtUnicode) {
      if (!IsValidUtf8(data_)) return Status(kMapiEInvalidParameter);
      bag->Put(PropValue::Unicode(tag_, AnsiToWide(data_)));
    } else if (type == kPtString8) {
      if (!IsValidUtf8(data_)) return Status(kMapiEInvalidParameter);
      bag->Put(PropValue::String8(tag_, data_));
    } else {
      PropValue value;
      value.tag = tag_;
      value.bytes = std::move(data_);  // large attachments: no second copy
      data_.clear();
      bag->Put(std::move(value));
    }
    return Status::Ok();
  }

 private:
  std::weak_ptr<PropertyBag> bag_;
  PropTag tag_;
  bool write_;
  std::string data_;
  size_t position_ = 0;
};

}  // namespace

const PropValue* PropertyBag::Find(PropTag tag) const {
  auto it = values_.find(PropId(tag));
  if (it == values_.end()) return nullptr;
  if (PropType(tag) != kPtUnspecified && PropType(tag) != PropType(it->second.tag)) return nullptr;
  return &it->second;
}

PropRow PropertyBag::Get(const std::vector<PropTag>& tags) const {
  PropRow row;
  row.reserve(tags.size());
  for (PropTag tag : tags) {
    auto it = values_.find(PropId(tag));
    PropValue value;
    if (it == values_.end() || !ConvertValue(it->second, PropType(tag), &value)) {
      row.push_back(PropValue::Error(tag, kMapiENotFound));
    } else if (ValueSize(value) > kLongValue) {
      row.push_back(PropValue::Error(tag, kMapiENotEnoughMemory));
    } else {
      row.push_back(std::move(value));
    }
  }
  return row;
}

PropRow PropertyBag::All() const {
  PropRow row;
  for (const auto& [id, value] : values_) row.push_back(value);
  return row;
}

Status PropertyBag::Set(const PropRow& values) {
  for (const PropValue& value : values) {
    const uint32_t type = PropType(value.tag);
    if (type == kPtError || type == kPtUnspecified) return Status(kMapiEInvalidParameter);
  }
  for (const PropValue& value : values) Put(value);
  return Status::Ok();
}

void PropertyBag::Put(PropValue value) {
  const uint32_t id = PropId(value.tag);
  values_[id] = std::move(value);
}

void PropertyBag::Erase(PropTag tag) { values_.erase(PropId(tag)); }

std::wstring PropertyBag::Text(PropTag tag) const {
  const PropValue* value = Find(ChangePropType(tag, kPtUnspecified));
  if (value == nullptr) return {};
  if (PropType(value->tag) == kPtUnicode) return value->text;
  if (PropType(value->tag) == kPtString8) return AnsiToWide(value->bytes);
  return {};
}

int64_t PropertyBag::Number(PropTag tag, int64_t fallback) const {
  const PropValue* value = Find(tag);
  return value == nullptr ? fallback : value->number;
}

std::string PropertyBag::Bytes(PropTag tag) const {
  const PropValue* value = Find(tag);
  return value == nullptr ? std::string() : value->bytes;
}

Status OpenBagStream(const std::shared_ptr<PropertyBag>& bag, PropTag tag, bool write,
                     std::unique_ptr<PropStream>* stream) {
  const uint32_t type = PropType(tag);
  if (!IsText(type) && type != kPtBinary) return Status(kMapiENoSupport);
  std::string data;
  if (!write) {
    const PropValue* value = bag->Find(ChangePropType(tag, kPtUnspecified));
    if (value == nullptr) return Status(kMapiENotFound);
    PropValue converted;
    if (IsText(type) && ConvertValue(*value, kPtString8, &converted)) {
      data = converted.bytes;
    } else if (PropType(value->tag) == type) {
      data = value->bytes;
    } else {
      return Status(kMapiENotFound);
    }
  }
  *stream = std::make_unique<BagStream>(bag, tag, write, std::move(data));
  return Status::Ok();
}

template <class Interface>
Status PropObjectOf<Interface>::GetProps(const std::vector<PropTag>& tags, PropRow* values) {
  if (!Usable()) return Status(kMapiECallFailed);
  *values = bag_->Get(tags);
  return Status::Ok();
}

template <class Interface>
Status PropObjectOf<Interface>::SetProps(const PropRow& values) {
  if (!Usable()) return Status(kMapiECallFailed);
  if (readOnly_) return Status(kMapiENoAccess);
  return bag_->Set(values);
}

template <class Interface>
Status PropObjectOf<Interface>::DeleteProps(const std::vector<PropTag>& tags) {
  if (!Usable()) return Status(kMapiECallFailed);
  if (readOnly_) return Status(kMapiENoAccess);
  for (PropTag tag : tags) bag_->Erase(tag);
  return Status::Ok();
}

template <class Interface>
Status PropObjectOf<Interface>::OpenPropertyStream(PropTag tag, bool write,
                                                   std::unique_ptr<PropStream>* stream) {
  if (!Usable()) return Status(kMapiECallFailed);
  if (write && readOnly_) return Status(kMapiENoAccess);
  return OpenBagStream(bag_, tag, write, stream);
}

template <class Interface>
Status PropObjectOf<Interface>::SaveChanges(uint32_t) {
  if (!Usable()) return Status(kMapiECallFailed);
  return Status::Ok();
}

template class PropObjectOf<MapiProp>;
template class PropObjectOf<Folder>;
template class PropObjectOf<Message>;
template class PropObjectOf<MsgStore>;

}  // namespace kv::mail
