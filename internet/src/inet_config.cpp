// The configuration of the internet services, read from the registry with defaults.
#include "inet_config.h"

#include <algorithm>

#include "KVPlatform/registry.h"

namespace kv::internet {
namespace {

// The maker's hosts are set by the installation; the defaults are reserved names that
// never reach anyone else's server.
constexpr wchar_t kDefaultWebHost[] = L"www.kestrel.example";
constexpr wchar_t kDefaultFtpHost[] = L"ftp.kestrel.example";
constexpr wchar_t kProgramUser[] = L"ktlftpprogramaccess";
constexpr wchar_t kProgramPassword[] = L"qT7mwz46!";
constexpr wchar_t kUpdateUser[] = L"KestrelUpdateClient";
constexpr wchar_t kUpdatePassword[] = L"patches56788765";
constexpr long kMaxSeconds = 3600;

// The value from HKCU, else HKLM; false when neither holds it.
bool Query(std::wstring_view name, RegValue* value) {
  for (Hive hive : {Hive::kCurrentUser, Hive::kLocalMachine}) {
    RegKey key;
    if (!RegKey::Open(hive, kConfigKey, kKeyQueryValue, &key).ok()) continue;
    if (key.QueryValue(name, value).ok()) return true;
  }
  return false;
}

std::wstring Text(std::wstring_view name, std::wstring_view fallback) {
  RegValue value;
  if (Query(name, &value) && (value.type == kRegSz || value.type == kRegExpandSz) &&
      !value.text.empty()) {
    return value.text;
  }
  return std::wstring(fallback);
}

long Number(std::wstring_view name, long fallback) {
  RegValue value;
  if (Query(name, &value) && (value.type == kRegDword || value.type == kRegQword)) {
    return static_cast<long>(std::min<uint64_t>(value.number, kMaxSeconds));
  }
  return fallback;
}

}  // namespace

InternetConfig ReadInternetConfig() {
  InternetConfig config;
  config.webHost = Text(L"Web Host", kDefaultWebHost);
  config.ftpHost = Text(L"FTP Host", kDefaultFtpHost);
  config.program = {Text(L"FTP User", kProgramUser), Text(L"FTP Password", kProgramPassword)};
  config.update = {Text(L"Update User", kUpdateUser), Text(L"Update Password", kUpdatePassword)};
  const long tls = Number(L"FTP TLS", static_cast<long>(FtpTls::kTry));
  config.tls = tls == 0 ? FtpTls::kNever : tls == 2 ? FtpTls::kRequire : FtpTls::kTry;
  const long connect = Number(L"Connect Timeout", 0);
  if (connect > 0) config.connectSeconds = connect;
  const long transfer = Number(L"Transfer Timeout", 0);
  if (transfer > 0) config.transferSeconds = transfer;
  return config;
}

}  // namespace kv::internet
