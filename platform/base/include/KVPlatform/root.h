// The root folder: where all emulated machine state lives (registry hives, drives, UNC
// shares). It is $KESTREL_ROOT when set, else ${XDG_DATA_HOME:-$HOME/.local/share}/kestrel.
//
//   registry/HKEY_CURRENT_USER.reg   registry/HKEY_LOCAL_MACHINE.reg
//   drives/c, drives/d, ...           drive letters (folders or symbolic links)
//   unc/<server>/<share>              \\server\share
//
// The system's code names files by Windows paths; only the platform turns them into host
// paths. The root is given out as text, for messages and diagnostics.
#pragma once

#include <string>

#include "KVPlatform/export.h"

namespace kv {

// The root folder as a host path, read from the environment on every call (tests
// change it).
KV_EXPORT std::string RootFolder();

}  // namespace kv
