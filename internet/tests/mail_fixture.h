// Test support for the mail tests: a fresh root with a mail profile pointing at a real
// SMTP server on 127.0.0.1, and a look into the profile's Maildir folders.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "KVPlatform/mail.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "smtp_test_server.h"
#include "temp_root.h"

namespace kv::internet::testing {

class MailTest : public kv::testing::RootTest {
 protected:
  static constexpr const wchar_t* kProfileKey = L"Software\\Kestrel\\Mail\\Profiles\\Work";

  // The profile "Work" (the only one, so the default) with the user's address.
  void AddProfile(const std::string& url, const std::wstring& address = L"ann@example.com") {
    SetValue(L"SMTP URL", AnsiToWide(url));
    SetValue(L"Display Name", L"Ann's mail");
    if (!address.empty()) SetValue(L"Email Address", address);
    kv::testing::TempRoot::WriteFile(root_.path() / "netrc", "");
    SetValue(L"Netrc File", AnsiToWide((root_.path() / "netrc").string()));
  }
  void SetValue(const wchar_t* name, const std::wstring& value) {
    ASSERT_TRUE(WriteRegistryText(Hive::kCurrentUser, kProfileKey, name, value).ok());
  }
  void RequireTls() {
    RegKey key;
    ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, kProfileKey, kKeyAllAccess, &key).ok());
    ASSERT_TRUE(key.SetValue(L"Require TLS", RegValue::Dword(1)).ok());
  }

  // How many messages a folder of the profile's store holds.
  size_t CountIn(const char* folder) const {
    size_t count = 0;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(
             root_.path() / "mail/Work" / folder / "cur", ignored)) {
      if (entry.path().filename().string()[0] != '.') ++count;
    }
    return count;
  }

  // A file of `size` bytes of every value, on drive C:.
  std::filesystem::path MakeFile(const std::string& name, size_t size) {
    std::string data(size, '\0');
    uint32_t x = 2463534242u;
    for (char& c : data) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      c = static_cast<char>(x);
    }
    const auto file = root_.Drive(L'c') / name;
    kv::testing::TempRoot::WriteFile(file, data);
    return file;
  }
};

}  // namespace kv::internet::testing
