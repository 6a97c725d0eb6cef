// Reading and writing one text value, as the system's 8-bit registry reads do, and
// reading a folder path value.
#include <utility>
#include <vector>

#include "KVPlatform/path.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"

namespace kv {

Status ReadRegistryText(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                        std::wstring* text) {
  RegKey key;
  if (Status s = RegKey::Open(hive, subKey, kKeyQueryValue | kKeyWow64_64Key, &key); !s.ok()) {
    return s;
  }
  // The value's bytes as the 8-bit query returns them, into a buffer of their size.
  // (Sizing the buffer from the key's longest value would read every value of the key.)
  RegValue value;
  if (Status s = key.QueryValue(valueName, &value); !s.ok()) return s;
  if (value.type != kRegSz && value.type != kRegExpandSz) return Status(kErrorInvalidData);
  std::vector<uint8_t> bytes = value.AnsiBytes();
  // The text ends at its first zero, as the 8-bit string does.
  size_t length = 0;
  while (length < bytes.size() && bytes[length] != 0) ++length;
  *text = AnsiToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()), length));
  return Status::Ok();
}

Status ReadRegistryPath(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                        std::wstring* path) {
  std::wstring text;
  if (Status s = ReadRegistryText(hive, subKey, valueName, &text); !s.ok()) return s;
  if (!IsAbsolutePath(text)) return Status(kErrorFileNotFound);
  *path = std::move(text);
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
