// A library's string table: texts by resource id.
#include "KVPlatform/string_table.h"

namespace kv {

StringTable::StringTable(std::initializer_list<std::pair<const uint32_t, const wchar_t*>> rows) {
  // The first row of an id wins; a null text reads as empty.
  for (const auto& [id, text] : rows) rows_.emplace(id, text != nullptr ? text : L"");
}

std::wstring StringTable::Load(uint32_t id) const {
  auto row = rows_.find(id);
  return row != rows_.end() ? std::wstring(row->second) : std::wstring();
}

bool StringTable::Contains(uint32_t id) const { return rows_.count(id) != 0; }

}  // namespace kv
