// Mail profiles read from the registry.
#include "mail_profile.h"

#include <filesystem>

#include "KVPlatform/mail.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "kvhost/host_path.h"

namespace kv::mail {

namespace {

std::wstring ProfilesKey() { return std::wstring(kMailKey) + L"\\Profiles"; }

// The default profile's name: "Default Profile", else the only profile there is.
bool DefaultProfileName(std::wstring* name) {
  if (ReadRegistryText(Hive::kCurrentUser, kMailKey, L"Default Profile", name).ok() &&
      !name->empty()) {
    return true;
  }
  RegKey profiles;
  if (!RegKey::Open(Hive::kCurrentUser, ProfilesKey(), kKeyRead, &profiles).ok()) return false;
  std::wstring first, second;
  if (!profiles.EnumKey(0, &first).ok()) return false;
  if (profiles.EnumKey(1, &second).ok()) return false;  // several: none is the default
  *name = first;
  return true;
}

}  // namespace

bool IsUsableProfileName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  return name.find_first_of(std::wstring_view(L"/\0", 2)) == std::wstring_view::npos;
}

Status LoadProfile(std::wstring_view name, Profile* profile) {
  Profile loaded;
  loaded.name = name;
  if (loaded.name.empty() && !DefaultProfileName(&loaded.name)) return Status(kMapiELogonFailed);
  if (!IsUsableProfileName(loaded.name)) return Status(kMapiELogonFailed);
  RegKey key;
  if (!RegKey::Open(Hive::kCurrentUser, ProfilesKey() + L"\\" + loaded.name, kKeyRead, &key).ok()) {
    return Status(kMapiELogonFailed);
  }
  RegValue value;
  auto text = [&](const wchar_t* valueName) -> std::wstring {
    if (!key.QueryValue(valueName, &value).ok()) return {};
    if (value.type != kRegSz && value.type != kRegExpandSz) return {};
    return value.text;
  };
  loaded.smtpUrl = WideToAnsi(text(L"SMTP URL"));
  if (!ParseSmtpUrl(loaded.smtpUrl, &loaded.url)) return Status(kMapiELogonFailed);
  loaded.displayName = text(L"Display Name");
  if (loaded.displayName.empty()) loaded.displayName = loaded.name;
  const std::string address = WideToAnsi(text(L"Email Address"));
  if (IsSmtpAddress(address)) loaded.address = address;
  const std::wstring netrc = text(L"Netrc File");
  if (!netrc.empty()) {
    std::filesystem::path host;
    // A name the platform cannot resolve stays as written; the submit then says so.
    loaded.netrcFile = host::ResolvePath(netrc, &host).ok() ? host.string() : WideToAnsi(netrc);
  }
  if (key.QueryValue(L"Require TLS", &value).ok() && value.type == kRegDword) {
    loaded.requireTls = value.number != 0;
  }
  *profile = std::move(loaded);
  return Status::Ok();
}

}  // namespace kv::mail
