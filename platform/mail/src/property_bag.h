// The properties of one object, kept in memory, and the object that serves them: the
// base of every object of the messaging service.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KVPlatform/mail.h"
#include "KVPlatform/mail_props.h"

namespace kv::mail {

// A value as another type asks for it: the same value for kPtUnspecified or the same
// type, wide text and UTF-8 text into each other; false when the types do not convert.
bool ConvertValue(const PropValue& stored, uint32_t wanted, PropValue* out);

// Values by property id (one type per id). Text and binary values longer than
// kLongValue are read through streams.
class PropertyBag {
 public:
  static constexpr size_t kLongValue = 32 * 1024;

  // The value of a tag (any type when the tag's type is kPtUnspecified); null when
  // missing. Wide text is also given as kPtString8 through Get.
  const PropValue* Find(PropTag tag) const;
  // The values for GetProps (see MapiProp::GetProps).
  PropRow Get(const std::vector<PropTag>& tags) const;
  // All values, in id order.
  PropRow All() const;
  // Sets values; kMapiEInvalidParameter (nothing set) for error or unspecified types.
  Status Set(const PropRow& values);
  void Put(PropValue value);
  void Erase(PropTag tag);

  // Shorthands: the text of a kPtUnicode property, the number of a kPtLong/kPtBoolean
  // one, the bytes of a binary one; empty or `fallback` when missing.
  std::wstring Text(PropTag tag) const;
  int64_t Number(PropTag tag, int64_t fallback = 0) const;
  std::string Bytes(PropTag tag) const;
  bool Has(PropTag tag) const { return Find(tag) != nullptr; }

 private:
  std::map<uint32_t, PropValue> values_;
};

// A stream over a property of a bag: a read stream holds a copy of the value, a write
// stream collects bytes and stores them in the bag on Commit (as long as the bag lives).
Status OpenBagStream(const std::shared_ptr<PropertyBag>& bag, PropTag tag, bool write,
                     std::unique_ptr<PropStream>* stream);

// An object whose properties are a bag, serving the property calls of `Interface`
// (MapiProp or one of its refinements). Read-only objects refuse changes with
// kMapiENoAccess; SaveChanges does nothing unless a derived class says otherwise.
template <class Interface>
class PropObjectOf : public Interface {
 public:
  explicit PropObjectOf(uint32_t objectType, bool readOnly = false)
      : bag_(std::make_shared<PropertyBag>()), objectType_(objectType), readOnly_(readOnly) {}

  uint32_t ObjectType() const override { return objectType_; }
  Status GetProps(const std::vector<PropTag>& tags, PropRow* values) override;
  Status SetProps(const PropRow& values) override;
  Status DeleteProps(const std::vector<PropTag>& tags) override;
  Status OpenPropertyStream(PropTag tag, bool write, std::unique_ptr<PropStream>* stream) override;
  Status SaveChanges(uint32_t flags) override;

  PropertyBag& bag() { return *bag_; }
  const PropertyBag& bag() const { return *bag_; }

 protected:
  // False once the object is spent (a submitted message): every call then fails.
  virtual bool Usable() const { return true; }

  std::shared_ptr<PropertyBag> bag_;

 private:
  uint32_t objectType_;
  bool readOnly_;
};

using PropObject = PropObjectOf<MapiProp>;
extern template class PropObjectOf<MapiProp>;
extern template class PropObjectOf<Folder>;
extern template class PropObjectOf<Message>;
extern template class PropObjectOf<MsgStore>;

}  // namespace kv::mail
