// The checks (verify_), the exchange routines (DDX_, DDV_) inside a live dialog model
// and the "Invalid Value Entered" dialog, driven through the scripted UI: what each
// accepts, texts written and read (31 characters at most), the exact message, buttons
// and icon of each rejection, and variables left alone on failure.
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVNumber/ddx.h"
#include "KVNumber/number.h"
#include "temp_root.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTurn = 6.283185307179586;
constexpr int kOpen = 10000000;  // limits at or beyond +-kOpen are open-ended
constexpr int kField = 101;

// The "Invalid Value Entered" dialog: template 12000 and its controls.
constexpr int kInvalidValueDialog = 12000;
constexpr int kValueEdit = 12000;
constexpr int kMessageText = 12001;
constexpr int kMinimumText = 12002;
constexpr int kMaximumText = 12003;

const std::wstring kBadCharacters = L"Invalid characters entered into numeric field.";
const std::wstring kInvalidValue = L"Invalid Value Entered: ";
const std::wstring kInvalidAngle = L" Invalid Angle Entered: ";
const std::wstring kNotMultiple = L"The value entered must be a multiple of 0.2500.";

const kv::DialogTemplate& FieldTemplate() {
  static const kv::DialogTemplate dialog{
      .id = 900,
      .caption = L"Numbers",
      .cx = 100,
      .cy = 40,
      .controls = {{kField, kv::ControlKind::kEdit, 5, 5, 60, 14, L"",
                    kv::kStyleBorder | kv::kStyleTabStop}},
  };
  return dialog;
}

using Exchange = std::function<void(kv::CDataExchange*)>;

// A dialog with one edit field whose exchange is the test's.
class FieldDialog : public kv::CDialog {
 public:
  explicit FieldDialog(kv::CWnd* parent) : kv::CDialog(FieldTemplate(), parent) { Start(); }
  Exchange exchange;
  void DoDataExchange(kv::CDataExchange* pDX) override {
    if (exchange) exchange(pDX);
  }
  std::wstring Field() const { return GetDlgItemText(kField); }
  void SetField(const std::wstring& text) { SetDlgItemText(kField, text); }
};

// One call, its result and what it shows: nothing when `message` is empty, else
// exactly one OK box with that text and icon.
struct Row {
  const char* name;
  std::function<int()> call;
  int result;
  std::wstring message;
  unsigned icon = kv::kMbIconExclamation;
};

class ExchangeTest : public kv::testing::RootTest {
 protected:
  void ExpectShown(const std::wstring& message, unsigned icon) {
    if (message.empty()) {
      EXPECT_TRUE(ui_.Messages().empty());
      return;
    }
    ASSERT_EQ(ui_.Messages().size(), 1u);
    const kv::ShownMessage& shown = ui_.Messages()[0];
    EXPECT_EQ(shown.text, message);
    EXPECT_EQ(shown.buttons, static_cast<unsigned>(kv::kMbOk));
    EXPECT_EQ(shown.icon, icon);
  }

  void Check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.name);
      ui_.Clear();
      EXPECT_EQ(row.call(), row.result);
      ExpectShown(row.message, row.icon);
    }
  }

  // The dialog's exchange, saving: 1 when it passed.
  std::function<int()> Save(Exchange exchange) {
    return [this, exchange] {
      dialog_.exchange = exchange;
      return static_cast<int>(dialog_.UpdateData(true));
    };
  }

  kv::CWnd owner_;
  FieldDialog dialog_{&owner_};
};

TEST_F(ExchangeTest, VerifyReal) {
  auto real = [](double low, double high, const wchar_t* text) {
    return [=] { return verify_real(low, high, text); };
  };
  const std::wstring& head = kInvalidValue;
  Check({
      {"within tolerance above high", real(0, 10, L"10.00000000001"), 1, L""},
      {"within tolerance below low", real(1, 2, L"0.99999999999"), 1, L""},
      {"fraction in range", real(0, 1, L"3/4"), 1, L""},
      {"empty text reads as zero", real(-kOpen, kOpen, L""), 1, L""},
      {"null text reads as empty", real(0, 1, nullptr), 1, L""},
      {"past tolerance: row 6", real(0, 10, L"10.001"), 0,
       head + L"10.001\nValue entered must be greater than or equal to zero\n"
              L"but less than 10.0000"},
      {"row 1: both limits open", real(-kOpen, kOpen, L"12345678"), 0,
       head + L"12345678\nValue entered must be a valid Number."},
      {"row 2", real(0, kOpen, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than or equal to zero."},
      {"row 3", real(-kOpen, 0, L"1"), 0,
       head + L"1\nValue entered must be a number less than or equal to zero."},
      {"row 4: low just above zero", real(1e-8, kOpen, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than zero."},
      {"row 4: low 2e-8 still just above zero", real(2e-8, 2 * kOpen, L"-1"), 0,
       head + L"-1\nValue entered must be a number greater than zero."},
      {"row 5", real(-kOpen, -1e-8, L"1"), 0,
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
      {"limits as RtosMaxPrecision writes them",
       [] {
         SetMaxPrecision(6);
         const int result = verify_real(0, 1.234567, L"2");
         SetMaxPrecision(4);
         return result;
       },
       0, head + L"2\nValue entered must be greater than or equal to zero\nbut less than 1.234567"},
      {"characters", real(-kOpen, kOpen, L"2e3"), 0, kBadCharacters, kv::kMbIconNone},
      {"reversed limits", real(5, 1, L"3"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Real", kv::kMbIconNone},
  });
}

TEST_F(ExchangeTest, VerifyInteger) {
  auto integer = [](int low, int high, const wchar_t* text) {
    return [=] { return verify_integer(low, high, text); };
  };
  const std::wstring& head = kInvalidValue;
  Check({
      {"in range", integer(-5, 5, L"-5"), 1, L""},
      {"lone minus reads as zero", integer(-5, 5, L"-"), 1, L""},
      {"empty reads as zero", integer(-5, 5, L""), 1, L""},
      {"letters: the range message", integer(0, 100, L"12a"), 0,
       head + L"12a\nValue entered must be greater than or equal to zero\nbut less than 100"},
      {"beyond 32 bits saturates, never wraps", integer(-kOpen, kOpen, L"4294967297"), 0,
       head + L"4294967297\nValue entered must be a valid Integer."},
      {"not negative", integer(0, kOpen, L"-3"), 0,
       head + L"-3\nValue entered must be a number greater than or equal to zero."},
      {"not positive", integer(-kOpen, 0, L"3"), 0,
       head + L"3\nValue entered must be a number less than or equal to zero."},
      {"above a low of zero", integer(0, 50, L"51"), 0,
       head + L"51\nValue entered must be greater than or equal to zero\nbut less than 50"},
      {"below a high of zero", integer(-50, 0, L"3"), 0,
       head + L"3\nValue entered must be less than or equal to zero\nbut greater than -50"},
      {"between: high first", integer(1, 9, L"10"), 0,
       head + L"10\nValue entered must be a number less than 9\nbut greater than 1"},
      {"reversed limits", integer(5, 1, L"3"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Int", kv::kMbIconNone},
  });
}

TEST_F(ExchangeTest, VerifyAngle) {
  auto angle = [](double low, double high, const wchar_t* text) {
    return [=] { return verify_angle(low, high, text); };
  };
  const std::wstring& head = kInvalidAngle;
  Check({
      {"at the high limit", angle(0, kPi / 2, L"90"), 1, L""},
      {"no character screen", angle(-kTurn, kTurn, L"abc"), 1, L""},
      {"no tolerance: row 6", angle(0, kPi / 2, L"90.0000001"), 0,
       head + L"90.0000001\nValue entered must be greater than or equal to zero\n"
              L"but less than 90.0000"},
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
      {"row 10: high first", angle(0.5, 1.0, L"10"), 0,
       head + L"10\nValue entered must be a angle\nless than 57.2958 but greater than 28.6479"},
      {"reversed limits", angle(1, 0, L"0"), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Angle", kv::kMbIconNone},
  });
}

// The character screens: verify_real's, verify_integer's, and DDX_Angle's on saving.
TEST_F(ExchangeTest, Screens) {
  struct ScreenRow {
    const wchar_t* text;
    bool real, integer, angle;
  } rows[] = {
      {L"", true, true, true},
      {L"-", true, true, true},
      {L"123", true, true, true},
      {L"-12.5", true, false, true},
      {L"+5", true, false, true},
      {L"+1/2\\", true, false, true},
      {L"1 1/2", true, false, false},
      {L"-10 5/16", true, false, false},
      {L" 1/2", false, false, false},
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
  double angle = 0;
  dialog_.exchange = [&](kv::CDataExchange* dx) { DDX_Angle(dx, kField, angle); };
  for (const ScreenRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "text '" << row.text << "'");
    EXPECT_EQ(verify_real(-kOpen, kOpen, row.text), row.real);
    EXPECT_EQ(verify_integer(-kOpen, kOpen, row.text), row.integer);
    dialog_.SetField(row.text);
    EXPECT_EQ(dialog_.UpdateData(true), row.angle);
  }
}

TEST_F(ExchangeTest, LoadWritesTheValueText) {
  double real = 1.5;
  double precise = 1.23456789;
  double amount = 12.3456;
  double angle = kPi / 4;
  int integer = -42;
  struct LoadRow {
    const char* name;
    Exchange exchange;
    std::wstring expected;
  } rows[] = {
      {"real padded to the default precision", [&](auto* dx) { DDX_Real(dx, kField, real); },
       L"1.5000"},
      {"real with the max precision count", [&](auto* dx) { DDX_Real(dx, kField, precise); },
       L"1.234568"},
      {"multiple as rtos writes it", [&](auto* dx) { DDX_Multiple(dx, kField, precise); },
       L"1.2346"},
      {"currency: two digits", [&](auto* dx) { DDX_Currency(dx, kField, amount); }, L"12.35"},
      {"integer", [&](auto* dx) { DDX_Integer(dx, kField, integer); }, L"-42"},
      {"angle in degrees", [&](auto* dx) { DDX_Angle(dx, kField, angle); }, L"45.0000"},
  };
  for (const LoadRow& row : rows) {
    SCOPED_TRACE(row.name);
    SetMaxPrecision(6);
    dialog_.exchange = row.exchange;
    dialog_.SetField(L"");
    EXPECT_TRUE(dialog_.UpdateData(false));
    EXPECT_EQ(dialog_.Field(), row.expected);
  }
  SetMaxPrecision(4);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(ExchangeTest, SaveChecksAndConverts) {
  constexpr double kUnset = -999.0;
  struct SaveRow {
    const char* name;
    std::wstring typed;
    char routine;  // r real, m multiple, c currency, i integer, a angle
    bool ok;
    double expected;  // the variable afterwards (kUnset: unchanged)
    std::wstring message;
    unsigned icon = kv::kMbIconExclamation;
  };
  const SaveRow rows[] = {
      {"real fraction", L"3/4", 'r', true, 0.75, L""},
      {"real mixed fraction", L"1 1/2", 'r', true, 1.5, L""},
      {"real at the range limit", L"-10000000", 'r', true, -10000000.0, L""},
      {"real out of range", L"12345678", 'r', false, kUnset,
       kInvalidValue + L"12345678\nValue entered must be a valid Number."},
      {"real with letters", L"abc", 'r', false, kUnset, kBadCharacters, kv::kMbIconNone},
      {"only 31 characters are read", L"1/" + std::wstring(29, L'0') + L"4", 'r', true, 0.0, L""},
      {"multiple", L"2.5", 'm', true, 2.5, L""},
      {"currency", L"12.5", 'c', true, 12.5, L""},
      {"integer", L"-17", 'i', true, -17.0, L""},
      {"integer with letters", L"12a", 'i', false, kUnset,
       kInvalidValue + L"12a\nValue entered must be a valid Integer."},
      {"integer: 31 characters read", std::wstring(30, L'0') + L"12345678", 'i', true, 1.0, L""},
      {"angle", L"90", 'a', true, kPi / 2, L""},
      {"angle beyond a turn", L"400", 'a', false, kUnset,
       kInvalidAngle + L"400\nValue entered must be a valid angle."},
      {"angle with letters", L"abc", 'a', false, kUnset, kBadCharacters, kv::kMbIconNone},
  };
  for (const SaveRow& row : rows) {
    SCOPED_TRACE(row.name);
    ui_.Clear();
    double real = kUnset;
    int integer = static_cast<int>(kUnset);
    dialog_.exchange = [&](kv::CDataExchange* dx) {
      switch (row.routine) {
        case 'r': DDX_Real(dx, kField, real); break;
        case 'm': DDX_Multiple(dx, kField, real); break;
        case 'c': DDX_Currency(dx, kField, real); break;
        case 'i': DDX_Integer(dx, kField, integer); break;
        default: DDX_Angle(dx, kField, real); break;
      }
    };
    dialog_.SetFocus(0);
    dialog_.SetField(row.typed);
    EXPECT_EQ(dialog_.UpdateData(true), row.ok);
    EXPECT_DOUBLE_EQ(row.routine == 'i' ? integer : real, row.expected);
    if (!row.ok) {
      EXPECT_EQ(dialog_.GetFocus(), kField);
    }
    ExpectShown(row.message, row.icon);
  }
}

TEST_F(ExchangeTest, CurrencyLeavesMaxPrecisionAtFour) {
  double amount = 3.5;
  SetMaxPrecision(7);
  dialog_.exchange = [&](kv::CDataExchange* dx) { DDX_Currency(dx, kField, amount); };
  ASSERT_TRUE(dialog_.UpdateData(false));
  EXPECT_EQ(dialog_.Field(), L"3.50");
  EXPECT_EQ(SetMaxPrecision(9), 4);
  dialog_.exchange = [&](kv::CDataExchange* dx) { DDV_Currency(dx, amount, 0, 10); };
  ASSERT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(SetMaxPrecision(4), 4);
}

TEST_F(ExchangeTest, Validation) {
  auto real = [this](double value, double low, double high) {
    return Save([=](kv::CDataExchange* dx) { DDV_Real(dx, value, low, high); });
  };
  auto multiple = [this](double value, double step) {
    return Save([=](kv::CDataExchange* dx) { DDV_Multiple(dx, value, step); });
  };
  const std::wstring& head = kInvalidValue;
  Check({
      {"real in range", real(5, 0, 10), 1, L""},
      {"real that rounds to the limit", real(10.00004, 0, 10), 1, L""},
      {"real out of range shows it formatted", real(10.001, 0, 10), 0,
       head + L"10.0010\nValue entered must be greater than or equal to zero\n"
              L"but less than 10.0000"},
      {"real NaN", real(std::numeric_limits<double>::quiet_NaN(), 0, 10), 0, kBadCharacters,
       kv::kMbIconNone},
      {"real reversed", real(1, 10, 0), 0,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Real", kv::kMbIconNone},
      {"integer", Save([](auto* dx) { DDV_Integer(dx, 101, 0, 100); }), 0,
       head + L"101\nValue entered must be greater than or equal to zero\nbut less than 100"},
      {"integer in range", Save([](auto* dx) { DDV_Integer(dx, 100, 0, 100); }), 1, L""},
      {"angle at the limit", Save([](auto* dx) { DDV_Angle(dx, kPi / 2, 0, 90); }), 1, L""},
      {"angle beyond", Save([](auto* dx) { DDV_Angle(dx, kPi / 2 + 0.01, 0, 90); }), 0,
       kInvalidAngle + L"90.5730\nValue entered must be greater than or equal to zero\n"
                       L"but less than 90.0000"},
      {"currency", Save([](auto* dx) { DDV_Currency(dx, 13, 0, 12.5); }), 0,
       head + L"13.00\nValue entered must be greater than or equal to zero\nbut less than 12.5000"},
      {"currency rounds to the limit", Save([](auto* dx) { DDV_Currency(dx, 12.3449, 0, 12.34); }),
       1, L""},
      {"multiple", multiple(0.75, 0.25), 1, L""},
      {"not a multiple", multiple(0.8, 0.25), 0, kNotMultiple, kv::kMbIconNone},
      {"negative multiple", multiple(-0.75, 0.25), 1, L""},
      {"positive quotient just below a whole", multiple(0.3, 0.1), 1, L""},
      {"negative quotient just above a whole", multiple(-0.3, 0.1), 1, L""},
      {"quotient 8e-9 above", multiple(0.75 + 2e-9, 0.25), 1, L""},
      {"quotient 2e-8 above", multiple(0.75 + 5e-9, 0.25), 0, kNotMultiple, kv::kMbIconNone},
      {"quotient 8e-9 below", multiple(0.75 - 2e-9, 0.25), 1, L""},
      {"quotient 8e-8 below", multiple(0.75 - 2e-8, 0.25), 0, kNotMultiple, kv::kMbIconNone},
      {"multiple beyond the exchange range", multiple(2e7, 1), 0,
       head + L"20000000.0000\nValue entered must be a valid Number."},
      {"quotient beyond 32 bits", multiple(4, std::ldexp(1.0, -30)), 1, L""},
      {"zero step", multiple(1, 0), 0, L"The value entered must be a multiple of 0.0000.",
       kv::kMbIconNone},
  });
}

// DDV_RealEdit, verify_real_edit and the dialog they open.
class RealEditTest : public ExchangeTest {
 protected:
  // Runs DDX_Real then DDV_RealEdit on the field holding `typed`.
  bool Run(const std::wstring& typed, double low, double high, double* value, bool* corrected) {
    dialog_.SetField(typed);
    dialog_.exchange = [=](kv::CDataExchange* dx) {
      DDX_Real(dx, kField, *value);
      *corrected = DDV_RealEdit(dx, *value, low, high);
    };
    return dialog_.UpdateData(true);
  }

  // Types `typed` into the next dialog's value and presses `button`.
  void Answer(std::wstring typed, int button = kv::kIdcOk) {
    ui_.QueueDialog([=](kv::CDialog& d) {
      d.TypeText(kValueEdit, typed);
      d.Click(button);
    });
  }

  static std::wstring TextAtStart(const kv::ShownDialog& shown, int id) {
    const kv::ControlState* control = shown.AtStart(id);
    return control != nullptr ? control->text : L"<missing>";
  }
};

TEST_F(RealEditTest, InRangeOpensNothing) {
  double value = 0;
  bool corrected = true;
  EXPECT_TRUE(Run(L"5", 0, 10, &value, &corrected));
  EXPECT_FALSE(corrected);
  EXPECT_EQ(value, 5.0);
  EXPECT_TRUE(ui_.Dialogs().empty());
}

TEST_F(RealEditTest, CorrectedValueIsStoredAndShown) {
  ui_.QueueDialog([&](kv::CDialog& d) {
    EXPECT_EQ(d.GetParent(), &owner_);  // owned by the exchanged dialog's parent
    d.TypeText(kValueEdit, L"7");
    d.Click(kv::kIdcOk);
  });
  double value = 0;
  bool corrected = false;
  EXPECT_TRUE(Run(L"12", 0, 10, &value, &corrected));
  EXPECT_TRUE(corrected);
  EXPECT_EQ(value, 7.0);
  EXPECT_EQ(dialog_.Field(), L"7.0000");

  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  const kv::ShownDialog& shown = ui_.Dialogs()[0];
  EXPECT_EQ(shown.templateId, kInvalidValueDialog);
  EXPECT_EQ(shown.caption, L"Invalid Value Entered");
  EXPECT_EQ(shown.result, kv::kIdOk);
  EXPECT_EQ(TextAtStart(shown, kMessageText),
            L"Invalid Value Entered: 12.0000\nValue entered must be greater than or equal to "
            L"zero\nbut less than 10.0000");
  EXPECT_EQ(TextAtStart(shown, kMinimumText), L"0.0000");
  EXPECT_EQ(TextAtStart(shown, kMaximumText), L"10.0000");
  EXPECT_EQ(TextAtStart(shown, kValueEdit), L"12.0000");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(RealEditTest, OkStaysOpenUntilTheValueFits) {
  ui_.QueueDialog([&](kv::CDialog& d) {
    d.TypeText(kValueEdit, L"11");
    d.Click(kv::kIdcOk);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_EQ(d.GetFocus(), kValueEdit);
    d.TypeText(kValueEdit, L"9");
    d.Click(kv::kIdcOk);
  });
  double value = 0;
  bool corrected = false;
  EXPECT_TRUE(Run(L"-3", 0, 10, &value, &corrected));
  EXPECT_EQ(value, 9.0);
  ExpectShown(
      L"Invalid Value Entered: 11.0000\nValue entered must be greater than or equal to "
      L"zero\nbut less than 10.0000",
      kv::kMbIconExclamation);
}

TEST_F(RealEditTest, CancelFailsAndKeepsTheValue) {
  Answer(L"5", kv::kIdcCancel);
  double value = 0;
  bool corrected = false;
  EXPECT_FALSE(Run(L"12", 0, 10, &value, &corrected));
  EXPECT_EQ(value, 12.0);
  EXPECT_EQ(dialog_.Field(), L"12");
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  EXPECT_EQ(ui_.Dialogs()[0].result, kv::kIdCancel);
}

TEST_F(RealEditTest, LimitsAreCheckedAsDisplayed) {
  struct LimitRow {
    const char* name;
    double low, high;
    std::wstring typed;
    double expected;
  } rows[] = {
      // 9.99999 shows as 10.0000, so 10 is accepted.
      {"high limit rounded for display", 0, 9.99999, L"10", 10.0},
      // Limits beyond the exchange range and open-ended ones still let a value through.
      {"high limit beyond ten million", 0, 1e9, L"5", 5.0},
      {"huge limits", 0, 1e30, L"5", 5.0},
  };
  for (const LimitRow& row : rows) {
    SCOPED_TRACE(row.name);
    ui_.Clear();
    Answer(row.typed);
    double value = -50;
    EXPECT_EQ(verify_real_edit(nullptr, row.low, row.high, &value), 2);
    EXPECT_EQ(value, row.expected);
    EXPECT_TRUE(ui_.Messages().empty());
  }
}

TEST_F(RealEditTest, TextThatFailsTheScreenOpensTheDialog) {
  Answer(L"3");
  double value = std::numeric_limits<double>::quiet_NaN();
  dialog_.exchange = [&](kv::CDataExchange* dx) {
    dx->PrepareEditCtrl(kField);
    EXPECT_TRUE(DDV_RealEdit(dx, value, 0, 10));
  };
  EXPECT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(value, 3.0);
  EXPECT_EQ(dialog_.Field(), L"3.0000");
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  EXPECT_EQ(TextAtStart(ui_.Dialogs()[0], kMessageText), kBadCharacters);
  EXPECT_EQ(TextAtStart(ui_.Dialogs()[0], kValueEdit), L"nan");
}

TEST_F(RealEditTest, VerifyRealEditResults) {
  double value = 5;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 1);
  value = 10.00000000001;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 1);
  value = 20;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 0);  // nothing queued: cancelled
  EXPECT_EQ(value, 20.0);
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, nullptr), 0);
  ui_.Clear();
  EXPECT_EQ(verify_real_edit(nullptr, 10, 0, &value), 0);
  ExpectShown(L"Programming ERROR Lowrange exceeds Highrange - Verify Real", kv::kMbIconNone);
}

}  // namespace
