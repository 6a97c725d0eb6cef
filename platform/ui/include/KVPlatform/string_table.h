// A library's string table: its texts by resource id, kept as data in the library (the
// counterpart of a resource script's STRINGTABLE).
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>

namespace kv {

class KV_EXPORT StringTable {
 public:
  // The first row of an id wins; a null text reads as empty.
  StringTable(std::initializer_list<std::pair<const uint32_t, const wchar_t*>> rows);
  // The text of an id, empty when the table has none (as LoadString gives nothing).
  std::wstring Load(uint32_t id) const;
  bool Contains(uint32_t id) const;

 private:
  std::map<uint32_t, const wchar_t*> rows_;
};

}  // namespace kv
