// The library's dialog templates and the path-state pictures, kept as data as a
// resource script keeps them.
#include "resources.h"

#include <array>
#include <string_view>

namespace kv::datamanager {

using kv::ControlKind;

const kv::DialogTemplate& PathSettingsTemplate() {
  static const kv::DialogTemplate dialog{
      .id = IDD_PATH_SETTINGS,
      .caption = L"Kestrel Path Settings",
      .cx = 601,
      .cy = 289,
      .font = L"MS Shell Dlg",
      .pointSize = 8,
      .style = kv::kDialogModalFrame | kv::kDialogSysMenu | kv::kDialogResizable,
      .controls =
          {
              {kv::kIdcStatic, ControlKind::kStatic, 7, 9, 27, 8, L"Version:"},
              {IDC_RELEASE_COMBO, ControlKind::kComboBox, 41, 7, 77, 30, L"",
               kv::kStyleDropDown | kv::kStyleSort | kv::kStyleVScroll | kv::kStyleTabStop},
              {IDC_INSTALL_PATH, ControlKind::kStatic, 124, 9, 300, 8, L""},
              {IDC_PATH_TREE, ControlKind::kTreeView, 7, 29, 587, 231, L"",
               kv::kStyleHasButtons | kv::kStyleHasLines | kv::kStyleLinesAtRoot |
                   kv::kStyleShowSelAlways | kv::kStyleNoDragDrop | kv::kStyleBorder |
                   kv::kStyleTabStop},
              {IDC_PATH_STATUS, ControlKind::kStatic, 14, 268, 180, 8, L""},
              {kv::kIdcOk, ControlKind::kDefPushButton, 204, 268, 50, 14, L"OK", kv::kStyleTabStop},
              {IDC_APPLY, ControlKind::kPushButton, 275, 268, 50, 14, L"Apply", kv::kStyleTabStop},
              {kv::kIdcCancel, ControlKind::kPushButton, 346, 268, 50, 14, L"Cancel",
               kv::kStyleTabStop},
          },
  };
  return dialog;
}

const kv::DialogTemplate& VariableListTemplate() {
  static const kv::DialogTemplate dialog{
      .id = IDD_VARIABLE_LIST,
      .caption = L"Custom Variable List",
      .cx = 449,
      .cy = 302,
      .font = L"MS Shell Dlg",
      .pointSize = 8,
      .style = kv::kDialogModalFrame | kv::kDialogSysMenu,
      .controls =
          {
              {IDC_VARIABLE_LIST, ControlKind::kListView, 7, 21, 435, 235, L"",
               kv::kStyleReportView | kv::kStyleSingleSel | kv::kStyleShowSelAlways |
                   kv::kStyleOwnerDrawFixed | kv::kStyleNoSortHeader | kv::kStyleBorder |
                   kv::kStyleTabStop},
              {IDC_VARIABLE_ADD, ControlKind::kPushButton, 126, 262, 50, 14, L"Add...",
               kv::kStyleTabStop},
              {IDC_VARIABLE_EDIT, ControlKind::kPushButton, 199, 262, 50, 14, L"Edit...",
               kv::kStyleTabStop},
              {IDC_VARIABLE_DELETE, ControlKind::kPushButton, 272, 262, 50, 14, L"Delete",
               kv::kStyleTabStop},
              {kv::kIdcOk, ControlKind::kDefPushButton, 138, 281, 50, 14, L"OK", kv::kStyleTabStop},
              {kv::kIdcCancel, ControlKind::kPushButton, 260, 281, 50, 14, L"Cancel",
               kv::kStyleTabStop},
          },
  };
  return dialog;
}

const kv::DialogTemplate& VariableEditTemplate() {
  static const kv::DialogTemplate dialog{
      .id = IDD_VARIABLE_EDIT,
      .caption = L"Variable Edit",
      .cx = 316,
      .cy = 114,
      .font = L"MS Shell Dlg",
      .pointSize = 8,
      .style = kv::kDialogModalFrame | kv::kDialogSysMenu,
      .controls =
          {
              {IDC_VARIABLE_PICK, ControlKind::kPushButton, 7, 7, 79, 14, L"Variable Name...",
               kv::kStyleTabStop},
              {IDC_VARIABLE_NAME, ControlKind::kEdit, 95, 7, 214, 14, L"",
               kv::kStyleBorder | kv::kStyleTabStop | kv::kStyleAutoHScroll},
              {kv::kIdcStatic, ControlKind::kStatic, 7, 31, 39, 8, L"Description:"},
              {IDC_VARIABLE_DESCRIPTION, ControlKind::kEdit, 95, 28, 214, 14, L"",
               kv::kStyleBorder | kv::kStyleTabStop | kv::kStyleAutoHScroll},
              {kv::kIdcStatic, ControlKind::kGroupBox, 7, 44, 302, 23, L"Type"},
              {IDC_TYPE_INTEGER, ControlKind::kRadioButton, 19, 54, 39, 10, L"Integer",
               kv::kStyleGroup | kv::kStyleTabStop},
              {IDC_TYPE_INTEGER + 1, ControlKind::kRadioButton, 72, 53, 30, 10, L"Real"},
              {IDC_TYPE_INTEGER + 2, ControlKind::kRadioButton, 114, 53, 35, 10, L"String"},
              {IDC_TYPE_INTEGER + 3, ControlKind::kRadioButton, 165, 52, 41, 10, L"Boolean"},
              {IDC_TYPE_INTEGER + 4, ControlKind::kRadioButton, 215, 52, 33, 10, L"Other"},
              {kv::kIdcStatic, ControlKind::kStatic, 7, 77, 21, 8, L"Value:", kv::kStyleGroup},
              {IDC_VARIABLE_VALUE, ControlKind::kEdit, 95, 73, 214, 14, L"",
               kv::kStyleBorder | kv::kStyleTabStop | kv::kStyleAutoHScroll},
              {kv::kIdcOk, ControlKind::kDefPushButton, 74, 93, 50, 14, L"OK", kv::kStyleTabStop},
              {kv::kIdcCancel, ControlKind::kPushButton, 191, 93, 50, 14, L"Cancel",
               kv::kStyleTabStop},
          },
  };
  return dialog;
}

namespace {

// One folder, 16 x 16: '.' mask, '#' outline, 'b' the back and tab, 'f' the front face,
// 'h' a highlight on the front, '!' the warning mark (yellow with "!" only).
constexpr std::array<std::string_view, 16> kFolder = {
    "................", "................", ".#####..........", "#bbbbb#.........",
    "#bbbbbb#######..", "#bbbbbbbbbbbbb#.", "#b#############.", "#b#hhhhhh!!hhh#.",
    "#b#ffffff!!fff#.", "#b#ffffff!!fff#.", "#b#ffffff!!fff#.", "#b#fffffffffff#.",
    "#b#ffffff!!fff#.", "#b#fffffffffff#.", "###############.", "................",
};

struct Palette {
  uint32_t front, back, highlight, outline;
  bool mark;
};

constexpr Palette kPalettes[kPathStateImages] = {
    {0xD83020, 0xA82018, 0xF08070, 0x601010, false},  // red
    {0x40B040, 0x208020, 0x90E090, 0x105010, false},  // green
    {0xF0D040, 0xC8A020, 0xF8E890, 0x706010, false},  // yellow
    {0xF0D040, 0xC8A020, 0xF8E890, 0x706010, true},   // yellow with a red "!"
    {0xF4F4F4, 0xDCDCDC, 0xFEFEFE, 0x707070, false},  // white (never the mask colour)
};

}  // namespace

const std::vector<uint32_t>& PathStatesBitmap() {
  static const std::vector<uint32_t> bitmap = [] {
    constexpr int size = kPathStateImageSize;
    std::vector<uint32_t> pixels(static_cast<size_t>(size * size * kPathStateImages), 0xFFFFFF);
    for (int image = 0; image < kPathStateImages; ++image) {
      const Palette& p = kPalettes[image];
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          uint32_t colour = 0xFFFFFF;
          switch (kFolder[static_cast<size_t>(y)][static_cast<size_t>(x)]) {
            case '#': colour = p.outline; break;
            case 'b': colour = p.back; break;
            case 'h': colour = p.highlight; break;
            case 'f': colour = p.front; break;
            case '!': colour = p.mark ? 0xE00000 : p.front; break;
            default: break;
          }
          pixels[static_cast<size_t>(y * size * kPathStateImages + image * size + x)] = colour;
        }
      }
    }
    return pixels;
  }();
  return bitmap;
}

}  // namespace kv::datamanager
