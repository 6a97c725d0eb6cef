// Reading and writing one text value, as the system's 8-bit registry reads do.
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"

namespace kv {

Status ReadRegistryText(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                        std::wstring* text) {
  RegKey key;
  if (Status s = RegKey::Open(hive, subKey, kKeyQueryValue | kKeyWow64_64Key, &key); !s.ok()) {
    return s;
  }
  // A buffer as large as the value, plus room for a terminator. (Sizing it from the
  // key's longest value would read every value of the key.)
  uint32_t type = kRegNone;
  uint32_t size = 0;
  if (Status s = key.QueryValueAnsi(valueName, &type, nullptr, &size); !s.ok()) return s;
  std::vector<uint8_t> buffer(size + 1u, 0);
  if (Status s = key.QueryValueAnsi(valueName, &type, buffer.data(), &size); !s.ok()) return s;
  if (type != kRegSz && type != kRegExpandSz) return Status(kErrorInvalidData);
  // The text ends at its first zero, as the 8-bit string does.
  size_t length = 0;
  while (length < size && buffer[length] != 0) ++length;
  *text = AnsiToWide(std::string_view(reinterpret_cast<const char*>(buffer.data()), length));
  return Status::Ok();
}

Status WriteRegistryText(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                         std::wstring_view text) {
  RegKey key;
  if (Status s = RegKey::Create(hive, subKey, kKeySetValue | kKeyWow64_64Key, &key); !s.ok()) {
    return s;
  }
  return key.SetValue(valueName, RegValue::String(std::wstring(text)));
}

}  // namespace kv
