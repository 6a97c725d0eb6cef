// rtos, RtosMaxPrecision, SetMaxPrecision and kvc_num_round: texts at the rounding
// and range limits, and the buffer bound whatever the arguments.
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
#include "settings.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Every test starts from the initial settings (decimal units, 4 digits).
class RtosTest : public ::testing::Test {
 protected:
  void SetUp() override { kvnumber::g_settings = kvnumber::Settings{}; }
  void TearDown() override { kvnumber::g_settings = kvnumber::Settings{}; }
};

std::wstring Rtos(double value, int units, int precision) {
  std::wstring text;
  rtos(value, units, precision, text);
  return text;
}

std::wstring MaxPrecisionText(double value, int units, int precision) {
  wchar_t text[34];
  RtosMaxPrecision(value, units, precision, text);
  return text;
}

struct TextRow {
  const char* name;
  double value;
  int units;
  int precision;
  const wchar_t* expected;
};

TEST_F(RtosTest, DecimalForm) {
  const TextRow rows[] = {
      {"rounds to nearest", 1.23456, 2, 4, L"1.2346"},
      {"carry into the whole part", 1.99999, 2, 4, L"2.0000"},
      {"carry over several digits", 9.9999, 2, 3, L"10.000"},
      {"exact half goes down", 0.125, 2, 2, L"0.12"},
      {"exact half goes down (odd)", 0.375, 2, 2, L"0.37"},
      {"just above a half goes up", 0.1251, 2, 2, L"0.13"},
      {"negative", -0.5, 2, 2, L"-0.50"},
      {"negative rounding to zero keeps its sign", -0.00001, 2, 4, L"-0.0000"},
      {"negative carry", -12.99999, 2, 4, L"-13.0000"},
      {"zero", 0.0, 2, 4, L"0.0000"},
      {"negative zero", -0.0, 2, 2, L"0.00"},
      {"precision 0 cuts toward zero", 2.7, 2, 0, L"2"},
      {"precision 0 negative", -2.7, 2, 0, L"-2"},
      {"precision 0 small negative", -0.5, 2, 0, L"0"},
      {"precision 0 ignores units", 2.7, 5, 0, L"2"},
      {"units -1 takes decimal default", 1.5, -1, 2, L"1.50"},
      {"precision -1 takes 4", 1.5, 2, -1, L"1.5000"},
      {"precision below -1 counts as 0", 1.5, 2, -2, L"1"},
      {"precision INT_MIN counts as 0", -7.9, 2, INT_MIN, L"-7"},
      {"whole part beyond 32 bits", 1e10 + 0.5, 2, 2, L"10000000000.50"},
      {"negative whole part beyond 32 bits", -3000000000.25, 2, 2, L"-3000000000.25"},
      {"precision 0 beyond 32 bits", 4294967296.0, 2, 0, L"4294967296"},
      {"largest 64-bit whole part", 9223372036854774784.0, 2, 1, L"9223372036854774784.0"},
      {"precision 10", 1.5, 2, 10, L"1.5000000000"},
      {"precision 12", 0.1, 2, 12, L"0.100000000000"},
      {"precision above 12 is capped", 1.5, 2, 40, L"1.500000000000"},
      {"2^63 in exponent form", 9223372036854775808.0, 2, 2, L"9.22e+18"},
      {"huge value", -1e300, 2, 4, L"-1.0000e+300"},
      {"huge value at precision 0", 1e20, 2, 0, L"1e+20"},
      {"huge value with capped digits", DBL_MAX, 2, 99, L"1.797693134862e+308"},
      {"NaN", kNaN, 2, 4, L"nan"},
      {"infinity", kInf, 2, 4, L"inf"},
      {"negative infinity", -kInf, 2, 4, L"-inf"},
      {"NaN at precision 0", kNaN, 2, 0, L"nan"},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Rtos(row.value, row.units, row.precision), row.expected);
  }
}

TEST_F(RtosTest, FractionalForm) {
  const TextRow rows[] = {
      {"half", 10.5, 5, 4, L"10 1/2"},
      {"snapped to sixteenths", 10.3, 5, 4, L"10 5/16"},
      {"tenth snaps to an eighth", 0.1, 5, 4, L"1/8"},
      {"twentieth snaps to a sixteenth", 0.05, 5, 4, L"1/16"},
      {"closer to zero than to 1/16", 0.02, 5, 4, L"0"},
      {"rounds up to the next whole", 10.98, 5, 4, L"11"},
      {"search stops at 1/1", 10.95, 5, 4, L"11"},
      {"whole number", 2.0, 5, 4, L"2"},
      {"zero", 0.0, 5, 4, L"0"},
      {"negative with whole part", -1.25, 5, 4, L"-1 1/4"},
      {"negative without whole part", -0.25, 5, 4, L"-1/4"},
      {"negative rounding to zero keeps its sign", -0.02, 5, 4, L"-0"},
      {"third snaps", 1.0 / 3.0, 5, 4, L"5/16"},
      {"units 0 is fractional", 3.75, 0, 4, L"3 3/4"},
      {"halves", 0.25, 5, 1, L"1/2"},
      {"precision 8 gives 256ths", 0.50390625, 5, 8, L"129/256"},
      {"precision 12 still 256ths", 0.50390625, 5, 12, L"129/256"},
      {"precision 12: 1/1024 rounds to zero", 1.0 / 1024.0, 5, 12, L"0"},
      {"precision 12: 0.003 is 1/256", 0.003, 5, 12, L"1/256"},
      {"precision 64", 0.5, 5, 64, L"1/2"},
      {"precision INT_MAX", 7.125, 5, INT_MAX, L"7 1/8"},
      {"whole part beyond 32 bits", 5000000000.5, 5, 4, L"5000000000 1/2"},
      {"units -1 follows the default", 0.5, -1, 4, L"0.5000"},
      {"huge value", 1e20, 5, 4, L"1e+20"},
      {"huge negative value", -1e300, 5, 4, L"-1e+300"},
      {"NaN", kNaN, 5, 4, L"nan"},
      {"infinity", -kInf, 5, 4, L"-inf"},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Rtos(row.value, row.units, row.precision), row.expected);
  }
}

TEST_F(RtosTest, OverloadsAgree) {
  wchar_t buffer[34];
  rtos(10.3, 4, buffer);
  EXPECT_STREQ(buffer, L"10.3000");
  std::wstring text;
  rtos(10.3, 4, text);
  EXPECT_EQ(text, L"10.3000");
  kvnumber::g_settings.defaultUnits = 4;
  rtos(10.3, 4, buffer);
  EXPECT_STREQ(buffer, L"10 5/16");
  rtos(10.3, 4, text);
  EXPECT_EQ(text, L"10 5/16");
  rtos(10.3, 2, 4, text);
  EXPECT_EQ(text, L"10.3000");
}

TEST_F(RtosTest, MaxPrecisionTrimsToTheRequestedDigits) {
  const TextRow rows[] = {
      {"pads to two", 1.5, 2, 2, L"1.50"},
      {"keeps max digits", 1.23456, 2, 2, L"1.2346"},
      {"whole value", 2.0, 2, 2, L"2.00"},
      {"pads beyond max", 1.5, 2, 6, L"1.500000"},
      {"precision 0 keeps the point", 2.0, 2, 0, L"2."},
      {"defaults", 10.0, -1, -1, L"10.0000"},
      {"negative trimmed", -0.5, 2, 1, L"-0.5"},
      {"rounds to zero", -0.00001, 2, 1, L"-0.0"},
      {"padding is capped", 1.5, 2, 99, L"1.500000000000"},
      {"fractional units", 1.5, 5, 4, L"1 1/2"},
      {"fractional precision -1", 1.5, 5, -1, L"1 1/2"},
      {"exponent form unchanged", 1e20, 2, 2, L"1.0000e+20"},
      {"NaN", kNaN, 2, 2, L"nan"},
  };
  for (const TextRow& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(MaxPrecisionText(row.value, row.units, row.precision), row.expected);
  }
}

TEST_F(RtosTest, MaxPrecisionFollowsTheSettings) {
  EXPECT_EQ(SetMaxPrecision(6), 4);
  EXPECT_EQ(MaxPrecisionText(1.2345678, 2, 2), L"1.234568");
  EXPECT_EQ(SetMaxPrecision(0), 6);
  EXPECT_EQ(MaxPrecisionText(2.4, 2, 2), L"2");  // no point: used as it stands
  EXPECT_EQ(SetMaxPrecision(-7), 0);
  EXPECT_EQ(MaxPrecisionText(2.4, 2, 2), L"2");
  EXPECT_EQ(SetMaxPrecision(1000), -7);
  EXPECT_EQ(MaxPrecisionText(0.1, 2, 2), L"0.10");  // 12 digits, trimmed
  EXPECT_EQ(SetMaxPrecision(4), 1000);

  // The inner text follows the default units even for decimal units.
  kvnumber::g_settings.defaultUnits = 5;
  EXPECT_EQ(MaxPrecisionText(1.5, 2, 2), L"1 1/2");
}

TEST_F(RtosTest, NumRound) {
  struct Row {
    const char* name;
    double value, increment;
    int mode;
    double expected;
  } rows[] = {
      {"nearest: half goes down", 7.0, 2.0, 3, 6.0},
      {"nearest: above half goes up", 7.1, 2.0, 3, 8.0},
      {"nearest: below half goes down", 6.9, 2.0, 3, 6.0},
      {"nearest: negative half goes down", -7.0, 2.0, 3, -8.0},
      {"nearest: unit increment", 2.5, 1.0, 3, 2.0},
      {"up", 7.0, 2.0, 1, 8.0},
      {"up on a multiple", 6.0, 2.0, 1, 6.0},
      {"down", 7.9, 2.0, 2, 6.0},
      {"next above", 6.0, 2.0, 4, 8.0},
      {"next below", 6.0, 2.0, 5, 4.0},
      {"tiny increment unchanged", 7.3, 0.0000005, 1, 7.3},
      {"increment of exactly 1e-6 unchanged", 7.3, 1e-6, 2, 7.3},
      {"negative tiny increment unchanged", 7.3, -1e-7, 2, 7.3},
      {"unknown mode unchanged", 7.3, 2.0, 0, 7.3},
      {"unknown mode 6 unchanged", 7.3, 2.0, 6, 7.3},
      {"fine increment", 1.234, 0.01, 2, 1.23},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_DOUBLE_EQ(kvc_num_round(row.value, row.increment, row.mode), row.expected);
  }
}

// Whatever the arguments and settings, the buffer functions write a terminated text of
// at most 34 characters, terminator included.
TEST_F(RtosTest, NeverWritesBeyondThirtyFourCharacters) {
  std::vector<double> values = {kNaN, kInf, -kInf, DBL_MAX, -DBL_MAX, DBL_MIN,
                                -DBL_MIN, std::numeric_limits<double>::denorm_min(), 0.0, -0.0,
                                9223372036854775808.0, -9223372036854775808.0,
                                9223372036854774784.0, -9223372036854774784.0,
                                -9223372036854774784.5e-3, 0.99999999999999989,
                                -0.99999999999999989, 255.999999, 1e-15, 10000000.0};
  std::mt19937_64 random(20240611);
  std::uniform_real_distribution<double> exponent(-20.0, 20.0);
  for (int i = 0; i < 200; ++i) {
    values.push_back((i % 2 ? -1.0 : 1.0) * std::pow(10.0, exponent(random)));
  }
  const int units[] = {INT_MIN, -2, -1, 0, 2, 5, INT_MAX};
  const int precisions[] = {INT_MIN, -2, -1, 0, 1, 8, 9, 10, 12, 13, 31, 64, INT_MAX};
  const int settings[] = {INT_MIN, -1, 0, 4, 12, 40, INT_MAX};

  constexpr wchar_t kGuard = 0x5A5A;
  auto check = [&](const char* what, auto call) {
    wchar_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), kGuard);
    call(buffer);
    const size_t length = std::wcslen(buffer);
    ASSERT_LE(length, 33u) << what;
    for (size_t at = 34; at < 64; ++at) ASSERT_EQ(buffer[at], kGuard) << what;
  };
  for (int setting : settings) {
    kvnumber::g_settings.defaultPrecision = setting;
    kvnumber::g_settings.defaultAnglePrecision = setting;
    kvnumber::g_settings.maxPrecision = setting;
    kvnumber::g_settings.defaultUnits = setting == 4 ? 2 : setting;
    for (double value : values) {
      for (int unit : units) {
        for (int precision : precisions) {
          SCOPED_TRACE(testing::Message() << "value " << value << " units " << unit
                                          << " precision " << precision << " settings "
                                          << setting);
          check("rtos", [&](wchar_t* out) { rtos(value, unit, precision, out); });
          check("RtosMaxPrecision",
                [&](wchar_t* out) { RtosMaxPrecision(value, unit, precision, out); });
          check("angtos", [&](wchar_t* out) { angtos(value, unit, precision, out); });
        }
      }
    }
  }
}

// Decimal texts read back within half a unit of their last digit.
TEST_F(RtosTest, DecimalTextReadsBack) {
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
