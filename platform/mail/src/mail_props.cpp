// Tagged values: their constructors and the search of a row by tag; the destructors of
// the service's interfaces.
#include "KVPlatform/mail_props.h"

#include "KVPlatform/mail.h"

namespace kv::mail {

PropValue PropValue::Long(PropTag tag, int32_t value) {
  PropValue v;
  v.tag = tag;
  v.number = value;
  return v;
}

PropValue PropValue::Bool(PropTag tag, bool value) {
  PropValue v;
  v.tag = tag;
  v.number = value ? 1 : 0;
  return v;
}

PropValue PropValue::Time(PropTag tag, int64_t secondsSince1970) {
  PropValue v;
  v.tag = tag;
  v.number = secondsSince1970;
  return v;
}

PropValue PropValue::Unicode(PropTag tag, std::wstring_view value) {
  PropValue v;
  v.tag = tag;
  v.text = value;
  return v;
}

PropValue PropValue::String8(PropTag tag, std::string_view value) {
  PropValue v;
  v.tag = tag;
  v.bytes = value;
  return v;
}

PropValue PropValue::Binary(PropTag tag, std::string_view value) { return String8(tag, value); }

PropValue PropValue::Error(PropTag tag, uint32_t code) {
  PropValue v;
  v.tag = ChangePropType(tag, kPtError);
  v.number = code;
  return v;
}

const PropValue* FindProp(const PropRow& row, PropTag tag) {
  for (const PropValue& value : row) {
    if (PropId(value.tag) != PropId(tag)) continue;
    if (PropType(tag) == kPtUnspecified || PropType(tag) == PropType(value.tag)) return &value;
  }
  return nullptr;
}

// The interfaces' destructors, defined once so that their type information lives in
// this library alone.
PropStream::~PropStream() = default;
Table::~Table() = default;
MapiProp::~MapiProp() = default;
Folder::~Folder() = default;
Message::~Message() = default;
MsgStore::~MsgStore() = default;
AddrBook::~AddrBook() = default;
Session::~Session() = default;

}  // namespace kv::mail
