// The library's resources: the templates of the paths dialog and the variable dialogs,
// the bitmap of the path states, and their ids.
#pragma once

#include <cstdint>
#include <vector>

#include "KVPlatform/dialog.h"

namespace kv::datamanager {

// The paths dialog.
inline constexpr int IDD_PATH_SETTINGS = 6003;
inline constexpr int IDB_PATH_STATES = 6004;
inline constexpr int IDC_PATH_TREE = 6033;
inline constexpr int IDC_RELEASE_COMBO = 6034;
inline constexpr int IDC_PATH_STATUS = 6048;
inline constexpr int IDC_INSTALL_PATH = 6049;
inline constexpr int IDC_APPLY = 3;

// The variable list dialog.
inline constexpr int IDD_VARIABLE_LIST = 6005;
inline constexpr int IDC_VARIABLE_LIST = 6035;
inline constexpr int IDC_VARIABLE_ADD = 6036;
inline constexpr int IDC_VARIABLE_EDIT = 6037;
inline constexpr int IDC_VARIABLE_DELETE = 6038;

// The variable edit dialog.
inline constexpr int IDD_VARIABLE_EDIT = 6006;
inline constexpr int IDC_VARIABLE_PICK = 6037;
inline constexpr int IDC_VARIABLE_NAME = 6032;
inline constexpr int IDC_VARIABLE_DESCRIPTION = 6033;
inline constexpr int IDC_VARIABLE_VALUE = 6034;
inline constexpr int IDC_TYPE_INTEGER = 6038;  // to 6042: Integer, Real, String, Boolean, Other

const kv::DialogTemplate& PathSettingsTemplate();
const kv::DialogTemplate& VariableListTemplate();
const kv::DialogTemplate& VariableEditTemplate();

// Bitmap IDB_PATH_STATES: five 16 x 16 folders side by side (red, green, yellow, yellow
// with a red "!", white), 0xRRGGBB pixels, white (0xFFFFFF) around them as the mask.
inline constexpr int kPathStateImageSize = 16;
inline constexpr int kPathStateImages = 5;
const std::vector<uint32_t>& PathStatesBitmap();

}  // namespace kv::datamanager
