// Dialog data exchange and validation for numeric edit controls: reals in the user's
// default units and precision, integers, angles held in radians and typed in degrees,
// whole multiples of a step, currency amounts with two decimals, and range checks that
// say in words which values are allowed.
//
// The DDX_ routines move a value between a control and a variable: loading writes the
// value's text, saving reads at most 31 characters of the control, checks them against
// the routine's own range and converts them. The DDV_ routines check a value against
// a caller's range as the value reads once formatted (a value that rounds to a limit
// passes). A check that rejects has already shown its message (the library's own
// texts, through the UI backend) and ends the exchange with CDataExchange::Fail; the
// variable is then unchanged.
//
// The verify_ routines are the checks behind them: 1 when the text is accepted, 0
// after showing why it is not. A low limit above the high one is a programming error,
// shown as such, and rejects whatever the text.
#pragma once

#include "KVPlatform/dialog.h"
#include "KVPlatform/export.h"

// Reals: range -10000000 to 10000000, text as RtosMaxPrecision(value, -1, -1).
KV_EXPORT void DDX_Real(kv::CDataExchange* pDX, int nIDC, double& value);
KV_EXPORT void DDV_Real(kv::CDataExchange* pDX, const double& value, double low, double high);

// Integers: range -10000000 to 10000000, text in decimal.
KV_EXPORT void DDX_Integer(kv::CDataExchange* pDX, int nIDC, int& value);
KV_EXPORT void DDV_Integer(kv::CDataExchange* pDX, const int& value, int low, int high);

// Angles: the variable in radians, the control in degrees; range one full turn either
// way. Saving screens the typed text first: only digits and "+-./\" are taken, any
// other character shows "Invalid characters entered into numeric field." and fails.
// DDV_Angle's limits are in degrees.
KV_EXPORT void DDX_Angle(kv::CDataExchange* pDX, int nIDC, double& radians);
KV_EXPORT void DDV_Angle(kv::CDataExchange* pDX, const double& radians, double lowDegrees,
                         double highDegrees);

// Reals shown with rtos(value, -1, -1); DDV_Multiple passes a value that is a whole
// multiple of `multiple` (within 1e-8 of one, either sign).
KV_EXPORT void DDX_Multiple(kv::CDataExchange* pDX, int nIDC, double& value);
KV_EXPORT void DDV_Multiple(kv::CDataExchange* pDX, const double& value, double multiple);

// Currency: two decimals. Both leave SetMaxPrecision's count at 4 afterwards.
KV_EXPORT void DDX_Currency(kv::CDataExchange* pDX, int nIDC, double& value);
KV_EXPORT void DDV_Currency(kv::CDataExchange* pDX, const double& value, double low, double high);

// Checks `value` against the range and, when it is outside, lets the user type a
// corrected value into the "Invalid Value Entered" dialog. True when the user did (the
// new value is in `value` and in the control last prepared); false when the value was
// in range; fails the exchange when the user cancelled.
KV_EXPORT bool DDV_RealEdit(kv::CDataExchange* pDX, double& value, double low, double high);

// Checks typed text. verify_real takes digits and "+-./\" (an empty text reads as 0),
// and a blank only inside a mixed fraction as the fractional units write it ("10 5/16");
// it accepts a value within 1e-10 of the range. verify_integer takes an optional "-"
// and digits. verify_angle takes limits in radians and text in degrees, and screens
// no characters.
KV_EXPORT int verify_real(double low, double high, const wchar_t* text);
KV_EXPORT int verify_integer(int low, int high, const wchar_t* text);
KV_EXPORT int verify_angle(double low, double high, const wchar_t* text);

// Checks *value against the range: 1 in range; 2 when it was not and the user typed a
// corrected value into the "Invalid Value Entered" dialog (now in *value); 0 rejected.
KV_EXPORT int verify_real_edit(kv::CDataExchange* pDX, double low, double high, double* value);
