// The configuration: the user's values over the machine's over the defaults.
#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "inet_config.h"
#include "temp_root.h"

namespace kv::internet {
namespace {

class ConfigTest : public kv::testing::RootTest {
 protected:
  void Set(Hive hive, const wchar_t* name, const RegValue& value) {
    RegKey key;
    ASSERT_TRUE(RegKey::Create(hive, kConfigKey, kKeyAllAccess, &key).ok());
    ASSERT_TRUE(key.SetValue(name, value).ok());
  }
};

TEST_F(ConfigTest, UserOverMachineOverDefaults) {
  InternetConfig config = ReadInternetConfig();
  EXPECT_EQ(config.webHost, L"www.kestrel.example");
  EXPECT_EQ(config.ftpHost, L"ftp.kestrel.example");
  EXPECT_EQ(config.program.user, L"ktlftpprogramaccess");
  EXPECT_EQ(config.program.password, L"qT7mwz46!");
  EXPECT_EQ(config.update.user, L"KestrelUpdateClient");
  EXPECT_EQ(config.update.password, L"patches56788765");
  EXPECT_EQ(config.tls, FtpTls::kTry);
  EXPECT_EQ(config.connectSeconds, 20);
  EXPECT_EQ(config.transferSeconds, 60);

  Set(Hive::kLocalMachine, L"Web Host", RegValue::String(L"machine:8080"));
  Set(Hive::kLocalMachine, L"FTP Host", RegValue::String(L"machine-ftp"));
  Set(Hive::kCurrentUser, L"FTP Host", RegValue::String(L"user-ftp:2121"));
  Set(Hive::kCurrentUser, L"Update User", RegValue::String(L""));  // empty: absent
  Set(Hive::kCurrentUser, L"FTP TLS", RegValue::Dword(2));
  Set(Hive::kCurrentUser, L"Connect Timeout", RegValue::String(L"5"));  // wrong type
  Set(Hive::kLocalMachine, L"Transfer Timeout", RegValue::Dword(999999));
  config = ReadInternetConfig();
  EXPECT_EQ(config.webHost, L"machine:8080");
  EXPECT_EQ(config.ftpHost, L"user-ftp:2121");
  EXPECT_EQ(config.update.user, L"KestrelUpdateClient");
  EXPECT_EQ(config.tls, FtpTls::kRequire);
  EXPECT_EQ(config.connectSeconds, 20);
  EXPECT_EQ(config.transferSeconds, 3600);
}

}  // namespace
}  // namespace kv::internet
