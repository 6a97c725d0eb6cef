// The root folder: where all emulated machine state lives (registry hives, drives, UNC
// shares). It is $KESTREL_ROOT when set, else ${XDG_DATA_HOME:-$HOME/.local/share}/kestrel.
//
//   registry/HKEY_CURRENT_USER.reg   registry/HKEY_LOCAL_MACHINE.reg
//   drives/c, drives/d, ...           drive letters (folders or symbolic links)
//   unc/<server>/<share>              \\server\share
#pragma once

#include "KVPlatform/export.h"

#include <filesystem>

namespace kv {

// The root folder, read from the environment on every call (tests change it).
KV_EXPORT std::filesystem::path RootFolder();

// The folder of the registry hive files under the root.
KV_EXPORT std::filesystem::path RegistryFolder();

}  // namespace kv
