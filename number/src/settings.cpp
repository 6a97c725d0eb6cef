// The settings and the library's application object, which loads the registry
// defaults when the library is loaded.
#include "settings.h"

#include <cstdint>
#include <string_view>

#include "KVPlatform/registry.h"

namespace kv::number {

Settings g_settings;

namespace {

constexpr std::wstring_view kSettingsKey = L"Software\\Kestrel";

// Reads one REG_DWORD under HKCU\Software\Kestrel into *setting; anything else (no
// key, no value, another type) leaves it as it is.
void ReadDwordSetting(std::wstring_view name, int* setting) {
  kv::RegKey key;
  if (!kv::RegKey::Open(kv::Hive::kCurrentUser, kSettingsKey,
                        kv::kKeyQueryValue | kv::kKeyWow64_64Key, &key)) {
    return;
  }
  kv::RegValue value;
  if (!key.QueryValue(name, &value) || value.type != kv::kRegDword) return;
  *setting = static_cast<int32_t>(static_cast<uint32_t>(value.number));
}

// Reads the four defaults; never throws.
void LoadDefaultSettings() {
  try {
    ReadDwordSetting(L"DefaultPrecision", &g_settings.defaultPrecision);
    ReadDwordSetting(L"DefaultUnits", &g_settings.defaultUnits);
    ReadDwordSetting(L"DefaultAnglePrecision", &g_settings.defaultAnglePrecision);
    ReadDwordSetting(L"DefaultAngleUnits", &g_settings.defaultAngleUnits);
  } catch (...) {
    // Out of memory while loading: the library starts with what it has.
  }
}

// The application object: created when the library is loaded.
class CKVNumberApp {
 public:
  CKVNumberApp() { InitInstance(); }
  bool InitInstance() {
    LoadDefaultSettings();
    return true;
  }
};

CKVNumberApp theApp;

}  // namespace

}  // namespace kv::number
