// distof and angtof: decimal and fraction text, the blank and "/" rules, the sign of
// the whole part, and saturation instead of overflow.
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "KVNumber/number.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kInf = std::numeric_limits<double>::infinity();

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

TEST(DistofTest, ReadsDecimalsAndFractions) {
  struct Row {
    const char* name;
    std::string text;
    double expected;
  } rows[] = {
      {"decimal", "12.5", 12.5},
      {"exponent", "1e3", 1000.0},
      {"trailing letters", "12abc", 12.0},
      {"no number", "abc", 0.0},
      {"lone sign", "-", 0.0},
      {"lone point", ".", 0.0},
      {"leading white space and plus", " \t\n+7.25", 7.25},
      {"point last", "5.", 5.0},
      {"negative exponent form", "-.5e1", -5.0},
      {"exponent sign without digits", "2e+", 2.0},
      {"infinity is no number", "inf", 0.0},
      {"hexadecimal is no number beyond 0", "0x10", 0.0},
      {"overflow gives infinity", "1e999", kInf},
      {"negative overflow", "-1e999", -kInf},
      {"long digit run overflows", std::string(400, '9'), kInf},
      {"underflow gives zero", "1e-999", 0.0},
      {"long fraction underflows", "0." + std::string(400, '0') + "1", 0.0},
      {"long fraction lifted by its exponent", "0." + std::string(400, '0') + "1e401", 1.0},
      {"huge exponent digits", "1e99999999999999999999", kInf},
      {"fraction", "3/4", 0.75},
      {"negative fraction", "-3/4", -0.75},
      {"mixed fraction", "1 1/2", 1.5},
      {"negative mixed fraction", "-1 1/2", -1.5},
      {"denominator stops at the blank", "2 3/4 in", 2.75},
      {"zero whole part is positive", "0 1/2", 0.5},
      {"empty whole part is positive", " 1/2", 0.5},
      {"negative zero whole part", "-0 1/2", -0.5},
      {"whole part loses its decimals", "1.5 1/2", 1.5},
      {"two blanks", "1  1/2", 1.5},
      {"zero denominator", "1/0", 0.0},
      {"no blank: numerator stops at the minus", "1-1/2", 0.5},
      {"second slash ends the denominator", "1 1/2/3", 1.5},
      {"negative denominator", "1/-4", -0.25},
      {"numerator saturates", "99999999999999999999/1", 9223372036854775807.0},
      {"whole part saturates", "-99999999999999999999 1/2", -9223372036854775808.0 - 0.5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    double narrow = -1.0;
    distof(row.text.c_str(), &narrow);
    double wide = -1.0;
    distof(Widen(row.text).c_str(), &wide);
    EXPECT_EQ(narrow, row.expected);
    EXPECT_EQ(wide, row.expected);
  }
}

TEST(DistofTest, WideTextOutsideAsciiStopsTheReading) {
  double value = -1.0;
  distof(L"\uFF11\uFF12", &value);  // fullwidth digits are not digits here
  EXPECT_EQ(value, 0.0);
  distof(L"12\u00A0/4", &value);
  EXPECT_EQ(value, 3.0);
  distof(L"3\U0001F600", &value);
  EXPECT_EQ(value, 3.0);
  distof(static_cast<const wchar_t*>(nullptr), &value);
  EXPECT_EQ(value, 0.0);
  value = -1.0;
  distof(static_cast<const char*>(nullptr), &value);
  EXPECT_EQ(value, 0.0);
  distof("1", nullptr);  // nothing to write to: nothing happens
}

TEST(DistofTest, Angtof) {
  struct Row {
    const char* name;
    const wchar_t* text;
    int units;
    double expected;
  } rows[] = {
      {"degrees to radians", L"90", 0, kPi / 2},  {"negative", L"-45", 0, -kPi / 4},
      {"units 1 unchanged", L"90", 1, 90.0},      {"units -1 is not the default", L"90", -1, 90.0},
      {"trailing text", L"  -45.5xyz", 1, -45.5}, {"no number", L"abc", 0, 0.0},
      {"fractions are not read", L"1/2", 1, 1.0}, {"overflow", L"1e400", 0, kInf},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    double value = -1.0;
    angtof(row.text, row.units, &value);
    EXPECT_DOUBLE_EQ(value, row.expected);
  }
  double value = -1.0;
  angtof(nullptr, 0, &value);
  EXPECT_EQ(value, 0.0);
}

}  // namespace
