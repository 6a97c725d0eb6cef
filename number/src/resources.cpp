// The library's string table and dialog template, kept as data.
#include "resources.h"

#include "KVPlatform/string_table.h"

namespace kv::number {
namespace {

const kv::StringTable& Strings() {
  static const kv::StringTable table{
      {12000, L"Invalid Value Entered: %s"},
      {12001, L"Value entered must be a valid Number."},
      {12002, L"Value entered must be a number greater than or equal to zero."},
      {12003, L"Value entered must be a number less than or equal to zero."},
      {12004, L"Value entered must be a number greater than zero."},
      {12005, L"Value entered must be a number less than zero."},
      {12006, L"Value entered must be greater than or equal to zero\nbut less than %s"},
      {12007, L"Value entered must be greater than zero\nbut less than %s"},
      {12008, L"Value entered must be less than or equal to zero\nbut greater than %s"},
      {12009, L"Value entered must be less than zero\nbut greater than %s"},
      {12010, L"Value entered must be a number greater than %s\nbut less than %s"},
      {12011, L" Invalid Angle Entered: %s"},
      {12012, L"Value entered must be a valid angle."},
      {12013, L"Value entered must be an angle greater than or equal to zero."},
      {12014, L"Value entered must be an angle less than or equal to zero."},
      {12015, L"Value entered must be an angle greater than zero."},
      {12016, L"Value entered must be an angle less than zero."},
      {12017, L"Value entered must be greater than or equal to zero\nbut less than %s"},
      {12018, L"Value entered must be greater than zero\nbut less than %s"},
      {12019, L"Value entered must be less than or equal to zero\nbut greater than %s"},
      {12020, L"Value entered must be less than zero\nbut greater than %s"},
      {12021, L"Value entered must be a angle\nless than %s but greater than %s"},
      {12022, L"Invalid Value Entered: %s"},
      {12023, L"Value entered must be a valid Integer."},
      {12024, L"Value entered must be a number greater than or equal to zero."},
      {12025, L"Value entered must be a number less than or equal to zero."},
      {12026, L"Value entered must be greater than or equal to zero\nbut less than %d"},
      {12027, L"Value entered must be less than or equal to zero\nbut greater than %d"},
      {12028, L"Value entered must be a number less than %d\nbut greater than %d"},
      {12029, L"The value entered must be a multiple of %s."},
      {12030, L"Invalid characters entered into numeric field."},
  };
  return table;
}

}  // namespace

std::wstring LoadString(uint32_t id) { return Strings().Load(id); }

const kv::DialogTemplate& InvalidRealTemplate() {
  using kv::ControlKind;
  static const kv::DialogTemplate dialog{
      .id = IDD_INVALID_REAL,
      .caption = L"Invalid Value Entered",
      .cx = 210,
      .cy = 129,
      .font = L"MS Shell Dlg",
      .pointSize = 8,
      .style = kv::kDialogModalFrame | kv::kDialogSysMenu,
      .controls =
          {
              {IDC_REAL_MESSAGE, ControlKind::kStatic, 7, 7, 196, 40, L""},
              {kv::kIdcStatic, ControlKind::kStatic, 47, 54, 28, 8, L"Minimum"},
              {kv::kIdcStatic, ControlKind::kStatic, 131, 54, 30, 8, L"Maximum"},
              {IDC_REAL_MINIMUM, ControlKind::kStatic, 43, 66, 40, 14, L""},
              {IDC_REAL_MAXIMUM, ControlKind::kStatic, 127, 66, 40, 14, L""},
              {IDC_REAL_VALUE, ControlKind::kEdit, 85, 87, 40, 14, L"",
               kv::kStyleBorder | kv::kStyleTabStop | kv::kStyleAutoHScroll},
              {kv::kIdcOk, ControlKind::kDefPushButton, 40, 108, 50, 14, L"OK", kv::kStyleTabStop},
              {kv::kIdcCancel, ControlKind::kPushButton, 118, 108, 50, 14, L"Cancel",
               kv::kStyleTabStop},
          },
  };
  return dialog;
}

}  // namespace kv::number
