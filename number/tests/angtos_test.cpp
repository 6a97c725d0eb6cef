// angtos: degrees from radians or as given, with the decimal form's rounding.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "KVNumber/number.h"
#include "settings.h"

namespace {

constexpr double kPi = 3.141592653589793;

class AngtosTest : public ::testing::Test {
 protected:
  void SetUp() override { kvnumber::g_settings = kvnumber::Settings{}; }
  void TearDown() override { kvnumber::g_settings = kvnumber::Settings{}; }
};

TEST_F(AngtosTest, Texts) {
  struct Row {
    const char* name;
    double value;
    int units;
    int precision;
    const wchar_t* expected;
  } rows[] = {
      {"right angle", kPi / 2, 0, 4, L"90.0000"},
      {"one radian", 1.0, 0, 4, L"57.2958"},
      {"negative", -kPi / 4, 0, 2, L"-45.00"},
      {"units 1 unconverted", 45.5, 1, 2, L"45.50"},
      {"units 7 unconverted", 45.5, 7, 1, L"45.5"},
      {"small negative", -0.5, 1, 2, L"-0.50"},
      {"negative carry", -12.99999, 1, 4, L"-13.0000"},
      {"exact half goes down", 0.125, 1, 2, L"0.12"},
      {"precision 0 cuts", 12.9, 1, 0, L"12"},
      {"precision 0 small negative", -0.5, 1, 0, L"0"},
      {"precision 0 converted", kPi, 0, 0, L"180"},
      {"defaults: radians, four digits", kPi, -1, -1, L"180.0000"},
      {"precision below -1 counts as 0", 12.9, 1, -5, L"12"},
      {"precision capped at 12", 1.0, 0, 20, L"57.295779513082"},
      {"precision INT_MAX capped", 0.5, 1, INT_MAX, L"0.500000000000"},
      {"huge angle", 1e300, 0, 2, L"5.73e+301"},
      {"overflow to infinity in conversion", 1e307, 0, 2, L"inf"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    std::wstring text;
    angtos(row.value, row.units, row.precision, text);
    EXPECT_EQ(text, row.expected);
  }
}

TEST_F(AngtosTest, DefaultsComeFromTheSettings) {
  kvnumber::g_settings.defaultAngleUnits = 1;
  kvnumber::g_settings.defaultAnglePrecision = 1;
  wchar_t text[34];
  angtos(30.0, -1, -1, text);
  EXPECT_STREQ(text, L"30.0");
  // rtos's defaults do not touch angles, nor angtos's rtos.
  kvnumber::g_settings.defaultPrecision = 0;
  angtos(30.25, -1, 2, text);
  EXPECT_STREQ(text, L"30.25");
}

}  // namespace
