// The library's string table.
#pragma once

#include <cstdint>
#include <string>

#include "KVPlatform/dialog.h"
#include "KVPlatform/string_table.h"

namespace kv::fileutil {

// Texts of the path and folder utilities.
inline constexpr uint32_t IDS_DELETING_DIRECTORY = 8000;
inline constexpr uint32_t IDS_INVALID_ACCESS_MODE = 8001;
inline constexpr uint32_t IDS_DOES_NOT_EXIST = 8002;
inline constexpr uint32_t IDS_NO_WRITE_PERMISSION = 8003;
inline constexpr uint32_t IDS_NO_READ_PERMISSION = 8004;
inline constexpr uint32_t IDS_NO_READ_WRITE_PERMISSION = 8005;

// The check box's text in session mode.
inline constexpr uint32_t IDS_DO_NOT_SHOW_THIS_SESSION = 8006;

const kv::StringTable& FileUtilityStrings();

// The catalogue message dialog: the message, a check box that suppresses it, OK.
inline constexpr int IDD_KTL_MESSAGE = 8001;
inline constexpr int IDC_KTL_MESSAGE_TEXT = 8001;
inline constexpr int IDC_KTL_DO_NOT_SHOW = 8000;

const kv::DialogTemplate& KtlMessageTemplate();

}  // namespace kv::fileutil
