// The exchange routines inside a live dialog model, and the "Invalid Value Entered"
// dialog driven through the scripted UI: texts written, texts read (31 characters at
// most), messages shown, variables left alone on failure.
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "KVNumber/ddx.h"
#include "KVNumber/number.h"
#include "invalid_real_dlg.h"
#include "resources.h"
#include "settings.h"
#include "temp_root.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr int kField = 101;

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

// A dialog with one edit field whose exchange is the test's.
class FieldDialog : public kv::CDialog {
 public:
  explicit FieldDialog(kv::CWnd* parent) : kv::CDialog(FieldTemplate(), parent) { Start(); }
  std::function<void(kv::CDataExchange*)> exchange;
  void DoDataExchange(kv::CDataExchange* pDX) override {
    if (exchange) exchange(pDX);
  }
  std::wstring Field() const { return GetDlgItemText(kField); }
  void SetField(const std::wstring& text) { SetDlgItemText(kField, text); }
};

class DdxTest : public kv::testing::RootTest {
 protected:
  void SetUp() override { kvnumber::g_settings = kvnumber::Settings{}; }
  void TearDown() override { kvnumber::g_settings = kvnumber::Settings{}; }

  // The messages shown so far, in order.
  std::vector<std::wstring> Messages() const {
    std::vector<std::wstring> texts;
    for (const auto& shown : ui_.Messages()) texts.push_back(shown.text);
    return texts;
  }

  kv::CWnd owner_;
  FieldDialog dialog_{&owner_};
};

TEST_F(DdxTest, LoadWritesTheValueText) {
  struct Row {
    const char* name;
    std::function<void(kv::CDataExchange*)> exchange;
    std::wstring expected;
  };
  double real = 1.5;
  double precise = 1.23456789;
  double amount = 12.5;
  double whole = 12.0;
  double half = 12.125;
  double step = 0.25;
  double angle = kPi / 4;
  int integer = -42;
  const Row rows[] = {
      {"real", [&](auto* dx) { DDX_Real(dx, kField, real); }, L"1.5000"},
      {"real rounded", [&](auto* dx) { DDX_Real(dx, kField, precise); }, L"1.2346"},
      {"currency", [&](auto* dx) { DDX_Currency(dx, kField, amount); }, L"12.50"},
      {"currency whole", [&](auto* dx) { DDX_Currency(dx, kField, whole); }, L"12.00"},
      {"currency half goes down", [&](auto* dx) { DDX_Currency(dx, kField, half); }, L"12.12"},
      {"multiple", [&](auto* dx) { DDX_Multiple(dx, kField, step); }, L"0.2500"},
      {"integer", [&](auto* dx) { DDX_Integer(dx, kField, integer); }, L"-42"},
      {"angle in degrees", [&](auto* dx) { DDX_Angle(dx, kField, angle); }, L"45.0000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    dialog_.exchange = row.exchange;
    dialog_.SetField(L"");
    EXPECT_TRUE(dialog_.UpdateData(false));
    EXPECT_EQ(dialog_.Field(), row.expected);
  }
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(DdxTest, SaveChecksAndConverts) {
  constexpr double kUnset = -999.0;
  struct Row {
    const char* name;
    std::wstring typed;
    char routine;  // r real, m multiple, c currency, i integer, a angle
    bool ok;
    double expected;  // the variable afterwards (kUnset: unchanged)
    std::wstring message;
  };
  const std::wstring head = L"Invalid Value Entered: ";
  const Row rows[] = {
      {"real fraction", L"3/4", 'r', true, 0.75, L""},
      {"real mixed fraction", L"1 1/2", 'r', true, 1.5, L""},
      {"real at the range limit", L"-10000000", 'r', true, -10000000.0, L""},
      {"real out of range", L"12345678", 'r', false, kUnset,
       head + L"12345678\nValue entered must be a valid Number."},
      {"real with letters", L"abc", 'r', false, kUnset,
       L"Invalid characters entered into numeric field."},
      {"only 31 characters are read", L"1/" + std::wstring(29, L'0') + L"4", 'r', true, 0.0,
       L""},
      {"multiple", L"2.5", 'm', true, 2.5, L""},
      {"currency", L"12.5", 'c', true, 12.5, L""},
      {"currency out of range", L"-20000000", 'c', false, kUnset,
       head + L"-20000000\nValue entered must be a valid Number."},
      {"integer", L"-17", 'i', true, -17.0, L""},
      {"integer with letters", L"12a", 'i', false, kUnset,
       head + L"12a\nValue entered must be a valid Integer."},
      {"integer: 31 characters read", std::wstring(30, L'0') + L"12345678", 'i', true, 1.0, L""},
      {"angle", L"90", 'a', true, kPi / 2, L""},
      {"angle beyond a turn", L"400", 'a', false, kUnset,
       L" Invalid Angle Entered: 400\nValue entered must be a valid angle."},
      {"angle with letters", L"abc", 'a', false, kUnset,
       L"Invalid characters entered into numeric field."},
      {"angle with an exponent", L"1e2", 'a', false, kUnset,
       L"Invalid characters entered into numeric field."},
  };
  for (const Row& row : rows) {
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
    const double result = row.routine == 'i' ? integer : real;
    EXPECT_DOUBLE_EQ(result, row.expected);
    if (!row.ok) {
      EXPECT_EQ(dialog_.GetFocus(), kField);
    }
    if (row.message.empty()) {
      EXPECT_TRUE(ui_.Messages().empty());
    } else {
      ASSERT_EQ(ui_.Messages().size(), 1u);
      EXPECT_EQ(ui_.Messages()[0].text, row.message);
    }
  }
}

TEST_F(DdxTest, FractionalUnitsRoundTrip) {
  kvnumber::g_settings.defaultUnits = 5;
  double value = 10.3125;
  dialog_.exchange = [&](kv::CDataExchange* dx) {
    DDX_Real(dx, kField, value);
    DDV_Real(dx, value, 0, 20);
  };
  ASSERT_TRUE(dialog_.UpdateData(false));
  EXPECT_EQ(dialog_.Field(), L"10 5/16");
  value = 0;
  EXPECT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(value, 10.3125);
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(DdxTest, CurrencyLeavesMaxPrecisionAtFour) {
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

TEST_F(DdxTest, Validation) {
  struct Row {
    const char* name;
    std::function<void(kv::CDataExchange*)> check;
    bool ok;
    std::wstring message;
    unsigned icon = kv::kMbIconExclamation;
  };
  const std::wstring head = L"Invalid Value Entered: ";
  const std::wstring notMultiple = L"The value entered must be a multiple of 0.2500.";
  auto real = [](double value, double low, double high) {
    return [=](kv::CDataExchange* dx) { DDV_Real(dx, value, low, high); };
  };
  auto multiple = [](double value, double step) {
    return [=](kv::CDataExchange* dx) { DDV_Multiple(dx, value, step); };
  };
  const Row rows[] = {
      {"real in range", real(5, 0, 10), true, L""},
      {"real that rounds to the limit", real(10.00004, 0, 10), true, L""},
      {"real out of range shows it formatted", real(10.001, 0, 10), false,
       head + L"10.0010\nValue entered must be greater than or equal to zero\n"
              L"but less than 10.0000"},
      {"real NaN", real(std::numeric_limits<double>::quiet_NaN(), 0, 10), false,
       L"Invalid characters entered into numeric field.", kv::kMbIconNone},
      {"real reversed", real(1, 10, 0), false,
       L"Programming ERROR Lowrange exceeds Highrange - Verify Real", kv::kMbIconNone},
      {"integer", [](auto* dx) { DDV_Integer(dx, 101, 0, 100); }, false,
       head + L"101\nValue entered must be greater than or equal to zero\nbut less than 100"},
      {"integer in range", [](auto* dx) { DDV_Integer(dx, 100, 0, 100); }, true, L""},
      {"angle at the limit", [](auto* dx) { DDV_Angle(dx, kPi / 2, 0, 90); }, true, L""},
      {"angle beyond", [](auto* dx) { DDV_Angle(dx, kPi / 2 + 0.01, 0, 90); }, false,
       L" Invalid Angle Entered: 90.5730\nValue entered must be greater than or equal to zero\n"
       L"but less than 90.0000"},
      {"currency", [](auto* dx) { DDV_Currency(dx, 13, 0, 12.5); }, false,
       head + L"13.00\nValue entered must be greater than or equal to zero\nbut less than 12.5000"},
      {"currency rounds to the limit", [](auto* dx) { DDV_Currency(dx, 12.3449, 0, 12.34); }, true,
       L""},
      {"multiple", multiple(0.75, 0.25), true, L""},
      {"not a multiple", multiple(0.8, 0.25), false, notMultiple, kv::kMbIconNone},
      {"negative multiple", multiple(-0.75, 0.25), true, L""},
      {"positive quotient just below a whole", multiple(0.3, 0.1), true, L""},
      {"negative quotient just above a whole", multiple(-0.3, 0.1), true, L""},
      {"quotient 8e-9 above", multiple(0.75 + 2e-9, 0.25), true, L""},
      {"quotient 2e-8 above", multiple(0.75 + 5e-9, 0.25), false, notMultiple, kv::kMbIconNone},
      {"quotient 8e-9 below", multiple(0.75 - 2e-9, 0.25), true, L""},
      {"quotient 8e-8 below", multiple(0.75 - 2e-8, 0.25), false, notMultiple, kv::kMbIconNone},
      {"negative quotient 8e-9 above", multiple(-0.75 + 2e-9, 0.25), true, L""},
      {"multiple beyond the exchange range", multiple(2e7, 1), false,
       head + L"20000000.0000\nValue entered must be a valid Number."},
      {"quotient beyond 32 bits", multiple(4, std::ldexp(1.0, -30)), true, L""},
      {"zero step", multiple(1, 0), false, L"The value entered must be a multiple of 0.0000.",
       kv::kMbIconNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ui_.Clear();
    dialog_.exchange = row.check;
    EXPECT_EQ(dialog_.UpdateData(true), row.ok);
    if (row.message.empty()) {
      EXPECT_TRUE(ui_.Messages().empty());
    } else {
      ASSERT_EQ(ui_.Messages().size(), 1u);
      EXPECT_EQ(ui_.Messages()[0].text, row.message);
      EXPECT_EQ(ui_.Messages()[0].buttons, static_cast<unsigned>(kv::kMbOk));
      EXPECT_EQ(ui_.Messages()[0].icon, row.icon);
    }
  }
}

// DDV_RealEdit and the dialog it opens.
class RealEditTest : public DdxTest {
 protected:
  // Runs DDX_Real then DDV_RealEdit on the field holding `typed`.
  bool Run(const std::wstring& typed, double low, double high, double* value, bool* corrected) {
    dialog_.SetField(typed);
    dialog_.exchange = [&](kv::CDataExchange* dx) {
      DDX_Real(dx, kField, *value);
      *corrected = DDV_RealEdit(dx, *value, low, high);
    };
    return dialog_.UpdateData(true);
  }

  static std::wstring ControlText(const std::vector<kv::ControlState>& controls, int id) {
    for (const auto& control : controls) {
      if (control.Id() == id) return control.text;
    }
    return L"<missing>";
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
    d.TypeText(kvnumber::IDC_REAL_VALUE, L"7");
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
  EXPECT_EQ(shown.templateId, 12000);
  EXPECT_EQ(shown.caption, L"Invalid Value Entered");
  EXPECT_EQ(shown.result, kv::kIdOk);
  EXPECT_EQ(ControlText(shown.controlsAtStart, kvnumber::IDC_REAL_MESSAGE),
            L"Invalid Value Entered: 12.0000\nValue entered must be greater than or equal to "
            L"zero\nbut less than 10.0000");
  EXPECT_EQ(ControlText(shown.controlsAtStart, kvnumber::IDC_REAL_MINIMUM), L"0.0000");
  EXPECT_EQ(ControlText(shown.controlsAtStart, kvnumber::IDC_REAL_MAXIMUM), L"10.0000");
  EXPECT_EQ(ControlText(shown.controlsAtStart, kvnumber::IDC_REAL_VALUE), L"12.0000");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(RealEditTest, OkStaysOpenUntilTheValueFits) {
  ui_.QueueDialog([&](kv::CDialog& d) {
    d.TypeText(kvnumber::IDC_REAL_VALUE, L"11");
    d.Click(kv::kIdcOk);
    EXPECT_FALSE(d.IsEnded());
    EXPECT_EQ(d.GetFocus(), kvnumber::IDC_REAL_VALUE);
    d.TypeText(kvnumber::IDC_REAL_VALUE, L"9");
    d.Click(kv::kIdcOk);
  });
  double value = 0;
  bool corrected = false;
  EXPECT_TRUE(Run(L"-3", 0, 10, &value, &corrected));
  EXPECT_EQ(value, 9.0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text,
            L"Invalid Value Entered: 11.0000\nValue entered must be greater than or equal to "
            L"zero\nbut less than 10.0000");
  EXPECT_EQ(ui_.Messages()[0].icon, static_cast<unsigned>(kv::kMbIconExclamation));
}

TEST_F(RealEditTest, CancelFailsAndKeepsTheValue) {
  ui_.QueueDialog([&](kv::CDialog& d) {
    d.TypeText(kvnumber::IDC_REAL_VALUE, L"5");
    d.Click(kv::kIdcCancel);
  });
  double value = 0;
  bool corrected = false;
  EXPECT_FALSE(Run(L"12", 0, 10, &value, &corrected));
  EXPECT_EQ(value, 12.0);
  EXPECT_EQ(dialog_.Field(), L"12");
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  EXPECT_EQ(ui_.Dialogs()[0].result, kv::kIdCancel);
}

TEST_F(RealEditTest, LimitsAreCheckedAsDisplayed) {
  struct Row {
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
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ui_.Clear();
    ui_.QueueDialog([&](kv::CDialog& d) {
      d.TypeText(kvnumber::IDC_REAL_VALUE, row.typed);
      d.Click(kv::kIdcOk);
    });
    double value = -50;
    EXPECT_EQ(verify_real_edit(nullptr, row.low, row.high, &value), 2);
    EXPECT_EQ(value, row.expected);
    EXPECT_TRUE(ui_.Messages().empty());
  }
}

TEST_F(RealEditTest, TextThatFailsTheScreenOpensTheDialog) {
  ui_.QueueDialog([&](kv::CDialog& d) {
    d.TypeText(kvnumber::IDC_REAL_VALUE, L"3");
    d.Click(kv::kIdcOk);
  });
  double value = std::numeric_limits<double>::quiet_NaN();
  dialog_.exchange = [&](kv::CDataExchange* dx) {
    dx->PrepareEditCtrl(kField);
    EXPECT_TRUE(DDV_RealEdit(dx, value, 0, 10));
  };
  EXPECT_TRUE(dialog_.UpdateData(true));
  EXPECT_EQ(value, 3.0);
  EXPECT_EQ(dialog_.Field(), L"3.0000");
  ASSERT_EQ(ui_.Dialogs().size(), 1u);
  EXPECT_EQ(ControlText(ui_.Dialogs()[0].controlsAtStart, kvnumber::IDC_REAL_MESSAGE),
            L"Invalid characters entered into numeric field.");
  EXPECT_EQ(ControlText(ui_.Dialogs()[0].controlsAtStart, kvnumber::IDC_REAL_VALUE), L"nan");
}

TEST_F(RealEditTest, VerifyRealEditResults) {
  double value = 5;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 1);
  value = 10.00000000001;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 1);
  value = 20;
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, &value), 0);  // nothing queued: cancelled
  EXPECT_EQ(value, 20.0);
  EXPECT_EQ(verify_real_edit(nullptr, 10, 0, &value), 0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Programming ERROR Lowrange exceeds Highrange - Verify Real");
  EXPECT_EQ(verify_real_edit(nullptr, 0, 10, nullptr), 0);
}

}  // namespace
