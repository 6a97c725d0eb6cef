// The unit and precision defaults read from HKEY_CURRENT_USER\Software\Kestrel: taken
// only when they are REG_DWORD values, and in force for rtos and angtos.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVNumber/number.h"
#include "KVPlatform/registry.h"
#include "settings.h"
#include "temp_root.h"

namespace {

class NumberSettingsTest : public kv::testing::RootTest {
 protected:
  void SetUp() override { kvnumber::LoadDefaultSettings(); }
  void TearDown() override { kvnumber::g_settings = kvnumber::Settings{}; }

  static void Write(const wchar_t* name, const kv::RegValue& value) {
    kv::RegKey key;
    ASSERT_TRUE(kv::RegKey::Create(kv::Hive::kCurrentUser, L"Software\\Kestrel", kv::kKeyAllAccess,
                                   &key));
    ASSERT_TRUE(key.SetValue(name, value));
  }
};

TEST_F(NumberSettingsTest, OnlyDwordValuesAreTaken) {
  struct Row {
    const char* name;
    const wchar_t* valueName;
    kv::RegValue value;
    int kvnumber::Settings::*setting;
    int expected;
  };
  const std::vector<Row> rows = {
      {"precision", L"DefaultPrecision", kv::RegValue::Dword(2),
       &kvnumber::Settings::defaultPrecision, 2},
      {"units", L"DefaultUnits", kv::RegValue::Dword(5), &kvnumber::Settings::defaultUnits, 5},
      {"angle precision", L"DefaultAnglePrecision", kv::RegValue::Dword(1),
       &kvnumber::Settings::defaultAnglePrecision, 1},
      {"angle units", L"DefaultAngleUnits", kv::RegValue::Dword(1),
       &kvnumber::Settings::defaultAngleUnits, 1},
      {"name without regard to case", L"defaultprecision", kv::RegValue::Dword(3),
       &kvnumber::Settings::defaultPrecision, 3},
      {"negative dword", L"DefaultPrecision", kv::RegValue::Dword(0xFFFFFFFEu),
       &kvnumber::Settings::defaultPrecision, -2},
      {"string ignored", L"DefaultUnits", kv::RegValue::String(L"5"),
       &kvnumber::Settings::defaultUnits, 2},
      {"qword ignored", L"DefaultPrecision", kv::RegValue::Qword(2),
       &kvnumber::Settings::defaultPrecision, 4},
      {"four binary bytes ignored", L"DefaultAngleUnits", kv::RegValue::Binary({1, 0, 0, 0}),
       &kvnumber::Settings::defaultAngleUnits, 0},
      {"expandable string ignored", L"DefaultAnglePrecision",
       kv::RegValue::String(L"2", kv::kRegExpandSz), &kvnumber::Settings::defaultAnglePrecision,
       4},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    kv::RegKey key;
    if (kv::RegKey::Open(kv::Hive::kCurrentUser, L"Software", kv::kKeyAllAccess, &key)) {
      (void)key.DeleteTree(L"Kestrel");
    }
    Write(row.valueName, row.value);
    kvnumber::LoadDefaultSettings();
    EXPECT_EQ(kvnumber::g_settings.*row.setting, row.expected);
  }
}

TEST_F(NumberSettingsTest, DefaultsDriveTheFormatters) {
  Write(L"DefaultPrecision", kv::RegValue::Dword(2));
  Write(L"DefaultUnits", kv::RegValue::Dword(5));
  Write(L"DefaultAnglePrecision", kv::RegValue::Dword(1));
  Write(L"DefaultAngleUnits", kv::RegValue::Dword(1));
  Write(L"MaxPrecision", kv::RegValue::Dword(9));  // never read
  SetMaxPrecision(7);
  kvnumber::LoadDefaultSettings();

  std::wstring text;
  rtos(10.3, -1, -1, text);
  EXPECT_EQ(text, L"10 1/4");  // quarters: precision 2
  rtos(10.3, 2, -1, text);
  EXPECT_EQ(text, L"10.30");
  angtos(30.0, -1, -1, text);
  EXPECT_EQ(text, L"30.0");
  EXPECT_EQ(SetMaxPrecision(4), 4);  // a reload starts from 4 again

  // A precision below -1 from the registry counts as 0.
  Write(L"DefaultPrecision", kv::RegValue::Dword(0xFFFFFFF0u));
  kvnumber::LoadDefaultSettings();
  rtos(2.7, 2, -1, text);
  EXPECT_EQ(text, L"2");
}

}  // namespace
