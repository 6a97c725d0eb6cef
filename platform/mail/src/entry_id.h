// Entry ids of the messaging service: opaque to callers, made and read only here.
//
// Layout: four zero flag bytes, "KVMS", one kind byte, then the kind's fields in UTF-8
// separated by zero bytes:
//   store    'S'  profile
//   folder   'F'  profile, folder name
//   message  'M'  profile, folder name, Maildir unique name
//   identity 'U'  profile
//   one-off  'O'  address type, address, display name
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/mail_props.h"

namespace kv::mail {

enum class EntryKind : char {
  kStore = 'S',
  kFolder = 'F',
  kMessage = 'M',
  kUser = 'U',
  kOneOff = 'O',
};

// Fields must not hold zero bytes (callers check; a zero would split a field).
EntryId MakeEntryId(EntryKind kind, const std::vector<std::string>& fields);

// False for an id the service did not make, or one of another kind or field count.
bool ParseEntryId(const EntryId& id, EntryKind kind, size_t fieldCount,
                  std::vector<std::string>* fields);

// The one-off entry id of (name, address type, address); every field is UTF-8 without
// zero characters (callers check).
EntryId OneOffEntryId(std::wstring_view name, std::wstring_view addressType,
                      std::wstring_view address);

}  // namespace kv::mail
