// Angles to text: decimal degrees, converted from radians when the units say so.
#include <algorithm>
#include <string>

#include "KVNumber/number.h"
#include "format.h"
#include "settings.h"

using namespace kv::number;

void angtos(double value, int units, int precision, wchar_t* out) {
  if (out == nullptr) return;
  const auto& settings = g_settings;
  precision = EffectivePrecision(precision, settings.defaultAnglePrecision);
  if (units == -1) units = settings.defaultAngleUnits;
  if (units == 0) value = value * 180.0 / 3.141592653589793;
  char text[kTextSize];
  const int length = precision == 0
                         ? WholeText(value, text)
                         : DecimalText(value, std::min(precision, kMaxDecimalDigits), text);
  WidenText(text, length, out);
}

void angtos(double value, int units, int precision, std::wstring& out) {
  wchar_t buffer[kTextSize];
  angtos(value, units, precision, buffer);
  out = buffer;
}
