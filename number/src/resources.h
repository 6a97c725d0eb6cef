// The library's resources: its string table and the template of the "Invalid Value
// Entered" dialog, with their ids.
#pragma once

#include <cstdint>
#include <string>

#include "KVPlatform/dialog.h"

namespace kv::number {

// String ids.
inline constexpr uint32_t IDS_INVALID_REAL = 12000;        // "Invalid Value Entered: %s"
inline constexpr uint32_t IDS_REAL_DETAIL_FIRST = 12001;   // 12001..12010: real ranges
inline constexpr uint32_t IDS_INVALID_ANGLE = 12011;       // " Invalid Angle Entered: %s"
inline constexpr uint32_t IDS_ANGLE_DETAIL_FIRST = 12012;  // 12012..12021: angle ranges
inline constexpr uint32_t IDS_INVALID_INTEGER = 12022;     // "Invalid Value Entered: %s"
inline constexpr uint32_t IDS_INTEGER_ANY = 12023;
inline constexpr uint32_t IDS_INTEGER_NOT_NEGATIVE = 12024;
inline constexpr uint32_t IDS_INTEGER_NOT_POSITIVE = 12025;
inline constexpr uint32_t IDS_INTEGER_BELOW_HIGH = 12026;
inline constexpr uint32_t IDS_INTEGER_ABOVE_LOW = 12027;
inline constexpr uint32_t IDS_INTEGER_BETWEEN = 12028;
inline constexpr uint32_t IDS_NOT_MULTIPLE = 12029;  // "...a multiple of %s."
inline constexpr uint32_t IDS_INVALID_CHARACTERS = 12030;

// The dialog and its controls.
inline constexpr int IDD_INVALID_REAL = 12000;
inline constexpr int IDC_REAL_VALUE = 12000;
inline constexpr int IDC_REAL_MESSAGE = 12001;
inline constexpr int IDC_REAL_MINIMUM = 12002;
inline constexpr int IDC_REAL_MAXIMUM = 12003;

// The text of a string id ("" for an unknown id).
std::wstring LoadString(uint32_t id);

// The template IDD_INVALID_REAL.
const kv::DialogTemplate& InvalidRealTemplate();

}  // namespace kv::number
