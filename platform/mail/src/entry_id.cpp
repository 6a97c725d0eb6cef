// Entry ids: making them and reading them back.
#include "entry_id.h"

#include "KVPlatform/text.h"

namespace kv::mail {

namespace {
constexpr std::string_view kPrefix("\0\0\0\0KVMS", 8);
}

EntryId MakeEntryId(EntryKind kind, const std::vector<std::string>& fields) {
  EntryId id(kPrefix);
  id.push_back(static_cast<char>(kind));
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) id.push_back('\0');
    id += fields[i];
  }
  return id;
}

bool ParseEntryId(const EntryId& id, EntryKind kind, size_t fieldCount,
                  std::vector<std::string>* fields) {
  if (id.size() <= kPrefix.size() || std::string_view(id).substr(0, kPrefix.size()) != kPrefix)
    return false;
  if (id[kPrefix.size()] != static_cast<char>(kind)) return false;
  fields->clear();
  std::string_view rest = std::string_view(id).substr(kPrefix.size() + 1);
  while (true) {
    const size_t zero = rest.find('\0');
    fields->emplace_back(rest.substr(0, zero));
    if (zero == std::string_view::npos) break;
    rest.remove_prefix(zero + 1);
  }
  return fields->size() == fieldCount;
}

EntryId OneOffEntryId(std::wstring_view name, std::wstring_view addressType,
                      std::wstring_view address) {
  return MakeEntryId(EntryKind::kOneOff,
                     {WideToAnsi(addressType), WideToAnsi(address), WideToAnsi(name)});
}

}  // namespace kv::mail
