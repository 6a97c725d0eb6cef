// The library's string table, kept as data as a resource script would keep it.
#include "resources.h"

namespace kv::fileutil {

const kv::StringTable& FileUtilityStrings() {
  static const kv::StringTable table{
      {IDS_DELETING_DIRECTORY, L"Deleting directory - %s"},
      {IDS_INVALID_ACCESS_MODE,
       L"Invalid mode passed to kv_AccessCheck function\nMode for checking access must be:\n"
       L"0 = Existance\n2 = Write Only\n4 = Read Only\n6 = Read and Write"},
      {IDS_DOES_NOT_EXIST, L"%s does not exist."},
      {IDS_NO_WRITE_PERMISSION, L"%s does not have write permission."},
      {IDS_NO_READ_PERMISSION, L"%s does not have read permission."},
      {IDS_NO_READ_WRITE_PERMISSION, L"%s does not have read and write permission."},
      {IDS_DO_NOT_SHOW_THIS_SESSION, L"Do not display this message again during this session."},
  };
  return table;
}

const kv::DialogTemplate& KtlMessageTemplate() {
  using kv::ControlKind;
  static const kv::DialogTemplate dialog{
      .id = IDD_KTL_MESSAGE,
      .caption = L"Kestrel Systems Message",
      .cx = 309,
      .cy = 94,
      .font = L"MS Shell Dlg",
      .pointSize = 8,
      .style = kv::kDialogModalFrame | kv::kDialogSysMenu,
      .controls =
          {
              {kv::kIdcOk, ControlKind::kDefPushButton, 130, 73, 50, 14, L"OK", kv::kStyleTabStop},
              {IDC_KTL_MESSAGE_TEXT, ControlKind::kStatic, 7, 7, 295, 41, L""},
              {IDC_KTL_DO_NOT_SHOW, ControlKind::kCheckBox, 7, 58, 295, 10,
               L"Do not display this message again.", kv::kStyleTabStop},
          },
  };
  return dialog;
}

}  // namespace kv::fileutil
