// verify_real, verify_integer and verify_angle: what they accept, and the exact message,
// buttons and icon of each rejection (the detail row chosen by the limits).
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "KVNumber/ddx.h"
#include "settings.h"
#include "temp_root.h"
#include "verify.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTurn = 6.283185307179586;

class VerifyTest : public kv::testing::RootTest {
 protected:
  void SetUp() override { kvnumber::g_settings = kvnumber::Settings{}; }
  void TearDown() override { kvnumber::g_settings = kvnumber::Settings{}; }
};

struct Row {
  const char* name;
  std::function<int()> call;
  int result;
  std::wstring message;  // empty: nothing shown
  unsigned icon = kv::kMbIconExclamation;
};

void Check(kv::ScriptedUi& ui, const Row& row) {
  SCOPED_TRACE(row.name);
  ui.Clear();
  EXPECT_EQ(row.call(), row.result);
  if (row.message.empty()) {
    EXPECT_TRUE(ui.Messages().empty());
    return;
  }
  ASSERT_EQ(ui.Messages().size(), 1u);
  const kv::ShownMessage& shown = ui.Messages()[0];
  EXPECT_EQ(shown.text, row.message);
  EXPECT_EQ(shown.buttons, static_cast<unsigned>(kv::kMbOk));
  EXPECT_EQ(shown.icon, row.icon);
}

const std::wstring kBadCharacters = L"Invalid characters entered into numeric field.";

TEST_F(VerifyTest, Real) {
  auto real = [](double low, double high, const wchar_t* text) {
    return [=] { return verify_real(low, high, text); };
  };
  const std::wstring head = L"Invalid Value Entered: ";
  const Row rows[] = {
      {"within tolerance above high", real(0, 10, L"10.00000000001"), 1, L""},
      {"within tolerance below low", real(1, 2, L"0.99999999999"), 1, L""},
      {"fraction in range", real(0, 1, L"3/4"), 1, L""},
      {"empty text reads as zero", real(-10000000, 10000000, L""), 1, L""},
      {"mixed fraction as the fractional units write it",
       real(-10000000, 10000000, L"1 1/2"), 1, L""},
      {"past tolerance: row 6",
       real(0, 10, L"10.001"), 0,
       head + L"10.001\nValue entered must be greater than or equal to zero\n"
              L"but less than 10.0000"},
      {"row 1: both limits open", real(-10000000, 10000000, L"12345678"), 0,
       head + L"12345678\nValue entered must be a valid Number."},
      {"row 2", real(0, 10000000, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than or equal to zero."},
      {"row 3", real(-10000000, 0, L"1"), 0,
       head + L"1\nValue entered must be a number less than or equal to zero."},
      {"row 4: low just above zero", real(1e-8, 10000000, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than zero."},
      {"row 4: low 2e-8 still just above zero", real(2e-8, 20000000, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than zero."},
      {"row 5", real(-10000000, -1e-8, L"1"), 0,
       head + L"1\nValue entered must be a number less than zero."},
      {"row 7", real(1e-8, 5, L"6"), 0,
       head + L"6\nValue entered must be greater than zero\nbut less than 5.0000"},
      {"row 8", real(-5, 0, L"1"), 0,
       head + L"1\nValue entered must be less than or equal to zero\nbut greater than -5.0000"},
      {"row 9", real(-5, -1e-8, L"1"), 0,
       head + L"1\nValue entered must be less than zero\nbut greater than -5.0000"},
      {"row 10", real(1.5, 2.25, L"3"), 0,
       head + L"3\nValue entered must be a number greater than 1.5000\nbut less than 2.2500"},
      {"row 10: low 3e-8 is not just above zero", real(3e-8, 1, L"2"), 0,
       head + L"2\nValue entered must be a number greater than 0.0000\nbut less than 1.0000"},
      {"blank outside a mixed fraction", real(-10000000, 10000000, L" 1/2"), 0, kBadCharacters,
       kv::kMbIconNone},
      {"whole part with decimals and a fraction", real(-10000000, 10000000, L"1.5 1/2"), 0,
       kBadCharacters, kv::kMbIconNone},
      {"exponent", real(-10000000, 10000000, L"2e3"), 0, kBadCharacters, kv::kMbIconNone},
      {"fullwidth digit", real(-10000000, 10000000, L"\uFF11"), 0, kBadCharacters,
       kv::kMbIconNone},
      {"null text reads as empty", real(0, 1, nullptr), 1, L""},
      {"reversed limits", real(5, 1, L"3"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Real", kv::kMbIconNone},
  };
  for (const Row& row : rows) Check(ui_, row);
}

TEST_F(VerifyTest, RealLimitsFollowTheDefaults) {
  kvnumber::g_settings.defaultPrecision = 2;
  Row row{"two digits", [] { return verify_real(0, 10, L"11"); }, 0,
          L"Invalid Value Entered: 11\nValue entered must be greater than or equal to zero\n"
          L"but less than 10.00"};
  Check(ui_, row);
}

TEST_F(VerifyTest, Integer) {
  auto integer = [](int low, int high, const wchar_t* text) {
    return [=] { return verify_integer(low, high, text); };
  };
  const std::wstring head = L"Invalid Value Entered: ";
  const Row rows[] = {
      {"in range", integer(-5, 5, L"-5"), 1, L""},
      {"lone minus reads as zero", integer(-5, 5, L"-"), 1, L""},
      {"empty reads as zero", integer(-5, 5, L""), 1, L""},
      {"letters fail the screen", integer(0, 100, L"12a"), 0,
       head + L"12a\nValue entered must be greater than or equal to zero\nbut less than 100"},
      {"decimals fail the screen", integer(-10000000, 10000000, L"1.5"), 0,
       head + L"1.5\nValue entered must be a valid Integer."},
      {"plus sign fails the screen", integer(1, 9, L"+5"), 0,
       head + L"+5\nValue entered must be a number less than 9\nbut greater than 1"},
      {"leading blank fails the screen", integer(1, 9, L" 5"), 0,
       head + L" 5\nValue entered must be a number less than 9\nbut greater than 1"},
      {"overflow saturates", integer(-10000000, 10000000, L"99999999999"), 0,
       head + L"99999999999\nValue entered must be a valid Integer."},
      {"not negative", integer(0, 10000000, L"-3"), 0,
       head + L"-3\nValue entered must be a number greater than or equal to zero."},
      {"not positive", integer(-10000000, 0, L"3"), 0,
       head + L"3\nValue entered must be a number less than or equal to zero."},
      {"above a low of zero", integer(0, 50, L"51"), 0,
       head + L"51\nValue entered must be greater than or equal to zero\nbut less than 50"},
      {"below a high of zero", integer(-50, 0, L"3"), 0,
       head + L"3\nValue entered must be less than or equal to zero\nbut greater than -50"},
      {"between: high first", integer(1, 9, L"10"), 0,
       head + L"10\nValue entered must be a number less than 9\nbut greater than 1"},
      {"reversed limits", integer(5, 1, L"3"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Int", kv::kMbIconNone},
  };
  for (const Row& row : rows) Check(ui_, row);
}

TEST_F(VerifyTest, Angle) {
  auto angle = [](double low, double high, const wchar_t* text) {
    return [=] { return verify_angle(low, high, text); };
  };
  const std::wstring head = L" Invalid Angle Entered: ";
  const Row rows[] = {
      {"at the high limit", angle(0, kPi / 2, L"90"), 1, L""},
      {"no character screen", angle(-kTurn, kTurn, L"abc"), 1, L""},
      {"no tolerance", angle(0, kPi / 2, L"90.0000001"), 0,
       head + L"90.0000001\nValue entered must be greater than or equal to zero\n"
              L"but less than 90.0000"},
      {"row 6", angle(0, kPi / 2, L"91"), 0,
       head + L"91\nValue entered must be greater than or equal to zero\nbut less than 90.0000"},
      {"row 1", angle(-kTurn, kTurn, L"361"), 0,
       head + L"361\nValue entered must be a valid angle."},
      {"row 2", angle(0, kTurn, L"-1"), 0,
       head + L"-1\nValue entered must be an angle greater than or equal to zero."},
      {"row 3", angle(-kTurn, 0, L"1"), 0,
       head + L"1\nValue entered must be an angle less than or equal to zero."},
      {"row 4", angle(1e-8, kTurn, L"-1"), 0,
       head + L"-1\nValue entered must be an angle greater than zero."},
      {"row 5", angle(-kTurn, -1e-8, L"10"), 0,
       head + L"10\nValue entered must be an angle less than zero."},
      {"row 7", angle(1e-8, 1.0, L"-1"), 0,
       head + L"-1\nValue entered must be greater than zero\nbut less than 57.2958"},
      {"row 8", angle(-1.0, 0, L"1"), 0,
       head + L"1\nValue entered must be less than or equal to zero\nbut greater than -57.2958"},
      {"row 9", angle(-1.0, -1e-8, L"10"), 0,
       head + L"10\nValue entered must be less than zero\nbut greater than -57.2958"},
      {"row 10: high first", angle(0.5, 1.0, L"10"), 0,
       head + L"10\nValue entered must be a angle\nless than 57.2958 but greater than 28.6479"},
      {"reversed limits", angle(1, 0, L"0"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Angle", kv::kMbIconNone},
  };
  for (const Row& row : rows) Check(ui_, row);
}

TEST(NumberScreenTest, RealIntegerAndAngleScreens) {
  struct ScreenRow {
    const wchar_t* text;
    bool real, integer, angle;
  } rows[] = {
      {L"", true, true, true},
      {L"-", true, true, true},
      {L"123", true, true, true},
      {L"-12.5", true, false, true},
      {L"+1/2\\", true, false, true},
      {L"1 1/2", true, false, false},
      {L"-10 5/16", true, false, false},
      {L"1 1", false, false, false},
      {L"1 1/2 ", false, false, false},
      {L"1  1/2", false, false, false},
      {L"1 /2", false, false, false},
      {L"1.5 1/2", false, false, false},
      {L"--1", true, false, true},
      {L"1-", true, false, true},
      {L"1e3", false, false, false},
      {L"\u0661", false, false, false},  // Arabic-Indic one: not an ASCII digit
  };
  for (const ScreenRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "text '" << row.text << "'");
    EXPECT_EQ(kvnumber::IsRealText(row.text), row.real);
    EXPECT_EQ(kvnumber::IsIntegerText(row.text), row.integer);
    EXPECT_EQ(kvnumber::IsAngleText(row.text), row.angle);
  }
}

}  // namespace
