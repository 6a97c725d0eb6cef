// rtos, RtosMaxPrecision, SetMaxPrecision, angtos and kvc_num_round: texts at the
// rounding and range limits, and the buffer bound whatever the arguments. The tests run
// on the built-in defaults (decimal units, 4 digits, angles in radians).
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVNumber/number.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kPi = 3.141592653589793;

struct TextRow {
  const char* name;
  double value;
  int units;
  int precision;
  const wchar_t* expected;
};

// Runs `format` (a buffer writer: value, units, precision, out) over the rows.
template <class Format>
void ExpectTexts(Format format, const std::vector<TextRow>& rows) {
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    wchar_t text[34];
    format(row.value, row.units, row.precision, text);
    EXPECT_STREQ(text, row.expected);
  }
}

void Rtos(double value, int units, int precision, wchar_t* out) {
  rtos(value, units, precision, out);
}

void Angtos(double value, int units, int precision, wchar_t* out) {
  angtos(value, units, precision, out);
}

TEST(RtosTest, DecimalForm) {
  ExpectTexts(Rtos, {
                        {"rounds to nearest", 1.23456, 2, 4, L"1.2346"},
                        {"carry into the whole part", 1.99999, 2, 4, L"2.0000"},
                        {"exact half goes down", 0.125, 2, 2, L"0.12"},
                        {"exact half goes down, not to even", 0.375, 2, 2, L"0.37"},
                        {"negative rounding to zero keeps its sign", -0.00001, 2, 4, L"-0.0000"},
                        {"negative carry", -12.99999, 2, 4, L"-13.0000"},
                        {"negative zero", -0.0, 2, 2, L"0.00"},
                        {"precision 0 cuts toward zero", 2.7, 2, 0, L"2"},
                        {"precision 0 negative", -2.7, 2, 0, L"-2"},
                        {"precision 0 small negative", -0.5, 2, 0, L"0"},
                        {"precision 0 ignores units", 2.7, 5, 0, L"2"},
                        {"units -1 takes the decimal default", 1.5, -1, 2, L"1.50"},
                        {"precision -1 takes 4", 1.5, 2, -1, L"1.5000"},
                        {"precision -2 counts as 0", 1.5, 2, -2, L"1"},
                        {"precision INT_MIN counts as 0", -7.9, 2, INT_MIN, L"-7"},
                        {"whole part beyond 32 bits", 1e10 + 0.5, 2, 2, L"10000000000.50"},
                        {"precision 0 beyond 32 bits", 4294967296.0, 2, 0, L"4294967296"},
                        {"largest 64-bit whole part", 9223372036854774784.0, 2, 1,
                         L"9223372036854774784.0"},
                        {"precision 12", 0.1, 2, 12, L"0.100000000000"},
                        {"precision above 12 is capped", 1.5, 2, 40, L"1.500000000000"},
                        {"2^63 in exponent form", 9223372036854775808.0, 2, 2, L"9.22e+18"},
                        {"huge value", -1e300, 2, 4, L"-1.0000e+300"},
                        {"huge value at precision 0", 1e20, 2, 0, L"1e+20"},
                        {"huge value with capped digits", DBL_MAX, 2, 99, L"1.797693134862e+308"},
                        {"NaN", kNaN, 2, 4, L"nan"},
                        {"NaN at precision 0", kNaN, 2, 0, L"nan"},
                        {"negative infinity", -kInf, 2, 4, L"-inf"},
                    });
}

TEST(RtosTest, FractionalForm) {
  ExpectTexts(Rtos, {
                        {"half", 10.5, 5, 4, L"10 1/2"},
                        {"snapped to sixteenths", 10.3, 5, 4, L"10 5/16"},
                        {"tenth snaps to an eighth", 0.1, 5, 4, L"1/8"},
                        {"closer to zero than to 1/16", 0.02, 5, 4, L"0"},
                        {"rounds up to the next whole", 10.98, 5, 4, L"11"},
                        {"search stops at 1/1", 10.95, 5, 4, L"11"},
                        {"whole number", 2.0, 5, 4, L"2"},
                        {"negative with whole part", -1.25, 5, 4, L"-1 1/4"},
                        {"negative without whole part", -0.25, 5, 4, L"-1/4"},
                        {"negative rounding to zero keeps its sign", -0.02, 5, 4, L"-0"},
                        {"third snaps", 1.0 / 3.0, 5, 4, L"5/16"},
                        {"units 0 is fractional", 3.75, 0, 4, L"3 3/4"},
                        {"halves", 0.25, 5, 1, L"1/2"},
                        {"precision 8 gives 256ths", 0.50390625, 5, 8, L"129/256"},
                        {"precision 12 still 256ths", 0.50390625, 5, 12, L"129/256"},
                        {"precision 12: 1/1024 rounds to zero", 1.0 / 1024.0, 5, 12, L"0"},
                        {"precision INT_MAX", 7.125, 5, INT_MAX, L"7 1/8"},
                        {"whole part beyond 32 bits", 5000000000.5, 5, 4, L"5000000000 1/2"},
                        {"huge value", -1e300, 5, 4, L"-1e+300"},
                        {"negative infinity", -kInf, 5, 4, L"-inf"},
                    });
}

TEST(RtosTest, MaxPrecisionTrimsToTheRequestedDigits) {
  ExpectTexts(RtosMaxPrecision, {
                                    {"pads to two", 1.5, 2, 2, L"1.50"},
                                    {"keeps max digits", 1.23456, 2, 2, L"1.2346"},
                                    {"pads beyond max", 1.5, 2, 6, L"1.500000"},
                                    {"precision 0 keeps the point", 2.0, 2, 0, L"2."},
                                    {"defaults", 10.0, -1, -1, L"10.0000"},
                                    {"rounds to zero", -0.00001, 2, 1, L"-0.0"},
                                    {"padding is capped", 1.5, 2, 99, L"1.500000000000"},
                                    {"fractional units", 1.5, 5, -1, L"1 1/2"},
                                    {"exponent form unchanged", 1e20, 2, 2, L"1.0000e+20"},
                                    {"NaN", kNaN, 2, 2, L"nan"},
                                });
}

TEST(RtosTest, MaxPrecisionCount) {
  wchar_t text[34];
  EXPECT_EQ(SetMaxPrecision(6), 4);
  RtosMaxPrecision(1.2345678, 2, 2, text);
  EXPECT_STREQ(text, L"1.234568");
  EXPECT_EQ(SetMaxPrecision(0), 6);
  RtosMaxPrecision(2.4, 2, 2, text);
  EXPECT_STREQ(text, L"2");  // no point: used as it stands
  EXPECT_EQ(SetMaxPrecision(-7), 0);
  RtosMaxPrecision(2.4, 2, 2, text);
  EXPECT_STREQ(text, L"2");
  EXPECT_EQ(SetMaxPrecision(1000), -7);
  RtosMaxPrecision(0.1, 2, 2, text);
  EXPECT_STREQ(text, L"0.10");  // 12 digits, trimmed
  EXPECT_EQ(SetMaxPrecision(4), 1000);
}

TEST(RtosTest, OverloadsTakeTheDefaultUnits) {
  wchar_t buffer[34];
  std::wstring text;
  rtos(10.3, 4, buffer);
  rtos(10.3, 4, text);
  EXPECT_STREQ(buffer, L"10.3000");
  EXPECT_EQ(text, L"10.3000");
  rtos(10.3, 5, 2, text);
  EXPECT_EQ(text, L"10 1/4");
  angtos(kPi, 0, 1, text);
  EXPECT_EQ(text, L"180.0");
}

TEST(AngtosTest, Texts) {
  ExpectTexts(Angtos, {
                          {"right angle", kPi / 2, 0, 4, L"90.0000"},
                          {"one radian", 1.0, 0, 4, L"57.2958"},
                          {"negative", -kPi / 4, 0, 2, L"-45.00"},
                          {"other units unconverted", 45.5, 7, 1, L"45.5"},
                          {"negative carry", -12.99999, 1, 4, L"-13.0000"},
                          {"exact half goes down", 0.125, 1, 2, L"0.12"},
                          {"precision 0 cuts", 12.9, 1, 0, L"12"},
                          {"precision 0 small negative", -0.5, 1, 0, L"0"},
                          {"precision 0 converted", kPi, 0, 0, L"180"},
                          {"defaults: radians, four digits", kPi, -1, -1, L"180.0000"},
                          {"precision below -1 counts as 0", 12.9, 1, -5, L"12"},
                          {"precision capped at 12", 1.0, 0, 20, L"57.295779513082"},
                          {"huge angle", 1e300, 0, 2, L"5.73e+301"},
                          {"overflow to infinity in conversion", 1e307, 0, 2, L"inf"},
                      });
}

TEST(RtosTest, NumRound) {
  struct Row {
    const char* name;
    double value, increment;
    int mode;
    double expected;
  } rows[] = {
      {"nearest: half goes down", 7.0, 2.0, 3, 6.0},
      {"nearest: above half goes up", 7.1, 2.0, 3, 8.0},
      {"nearest: negative half goes down", -7.0, 2.0, 3, -8.0},
      {"up", 7.0, 2.0, 1, 8.0},
      {"up on a multiple", 6.0, 2.0, 1, 6.0},
      {"down", 7.9, 2.0, 2, 6.0},
      {"next above", 6.0, 2.0, 4, 8.0},
      {"next below", 6.0, 2.0, 5, 4.0},
      {"increment of exactly 1e-6 unchanged", 7.3, 1e-6, 2, 7.3},
      {"negative tiny increment unchanged", 7.3, -1e-7, 2, 7.3},
      {"unknown mode 0 unchanged", 7.3, 2.0, 0, 7.3},
      {"unknown mode 6 unchanged", 7.3, 2.0, 6, 7.3},
      {"fine increment", 1.234, 0.01, 2, 1.23},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_DOUBLE_EQ(kvc_num_round(row.value, row.increment, row.mode), row.expected);
  }
}

// Whatever the arguments and the digit count, the buffer functions write a terminated
// text of at most 34 characters, terminator included. (Extreme registry defaults are
// covered by the defaults tests.)
TEST(RtosTest, NeverWritesBeyondThirtyFourCharacters) {
  std::vector<double> values = {kNaN,
                                kInf,
                                -kInf,
                                DBL_MAX,
                                -DBL_MAX,
                                DBL_MIN,
                                -DBL_MIN,
                                std::numeric_limits<double>::denorm_min(),
                                0.0,
                                -0.0,
                                9223372036854775808.0,
                                -9223372036854775808.0,
                                9223372036854774784.0,
                                -9223372036854774784.0,
                                -9223372036854774784.5e-3,
                                0.99999999999999989,
                                -0.99999999999999989,
                                255.999999,
                                1e-15,
                                10000000.0};
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> exponent(-20.0, 20.0);
  for (int i = 0; i < 200; ++i) {
    values.push_back((i % 2 ? -1.0 : 1.0) * std::pow(10.0, exponent(random)));
  }
  const int units[] = {INT_MIN, -2, -1, 0, 2, 5, INT_MAX};
  const int precisions[] = {INT_MIN, -2, -1, 0, 1, 8, 9, 10, 12, 13, 31, 64, INT_MAX};
  const int maxPrecisions[] = {INT_MIN, -1, 0, 4, 12, 40, INT_MAX};

  constexpr wchar_t kGuard = 0x5A5A;
  auto check = [&](const char* what, auto call) {
    wchar_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), kGuard);
    call(buffer);
    ASSERT_LE(std::wcslen(buffer), 33u) << what;
    for (size_t at = 34; at < 64; ++at) ASSERT_EQ(buffer[at], kGuard) << what;
  };
  for (int maxPrecision : maxPrecisions) {
    SetMaxPrecision(maxPrecision);
    for (double value : values) {
      for (int unit : units) {
        for (int precision : precisions) {
          SCOPED_TRACE(testing::Message() << "value " << value << " units " << unit << " precision "
                                          << precision << " max " << maxPrecision);
          check("rtos", [&](wchar_t* out) { rtos(value, unit, precision, out); });
          check("RtosMaxPrecision",
                [&](wchar_t* out) { RtosMaxPrecision(value, unit, precision, out); });
          check("angtos", [&](wchar_t* out) { angtos(value, unit, precision, out); });
        }
      }
    }
  }
  SetMaxPrecision(4);
}

// Decimal texts read back within half a unit of their last digit.
TEST(RtosTest, DecimalTextReadsBack) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> values(-10000000.0, 10000000.0);
  for (int precision = 1; precision <= 6; ++precision) {
    for (int i = 0; i < 500; ++i) {
      const double value = values(random);
      wchar_t text[34];
      rtos(value, 2, precision, text);
      double back = 0.0;
      distof(text, &back);
      SCOPED_TRACE(testing::Message() << "value " << value << " text " << text);
      EXPECT_LE(std::fabs(back - value), 0.5 * std::pow(10.0, -precision) * (1 + 1e-6));
    }
  }
}

}  // namespace
