// Opening a web address in the user's browser: the desktop's opener first, else the
// open command registered for ".htm" files, run as a program with arguments.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/registry.h"

namespace kv::internet {

// How long the desktop's opener may take to say whether it took the address; one still
// busy after that is taken to have it (some run the browser in the foreground).
inline constexpr int kOpenerWaitMs = 3000;

// Values above 32 mean a program was started, as the shell and WinExec report it.
inline constexpr intptr_t kLaunchStarted = 42;
inline constexpr intptr_t kLaunchNoAssociation = 31;  // the opener had nothing for it
inline constexpr intptr_t kLaunchRefused = 0;         // the address was refused

// Opens `url`: xdg-open (found on PATH) first; when it is missing or fails, the command
// registered in HKEY_CLASSES_ROOT (.htm -> <type>\shell\open\command) with the address
// in place of its placeholder. Never through a shell; an address beginning with '-' is
// refused before anything runs. `showCmd` is accepted for the callers' sake.
intptr_t LaunchUrl(const wchar_t* url, int showCmd);

// The default value of root\subKey into `out` when the key opens and the value is a
// text of at most 129 characters (a longer one is treated as absent, out unchanged).
// Returns the result of opening the key (0 = success), or 2 when the value is absent.
long ReadRegistryDefault(Hive root, std::wstring_view subKey, std::wstring* out);

// The program and arguments of a registered open command for `url`: the command is cut
// before a quoted placeholder ("%1" in quotes) or else before a bare %1, split with the
// Windows rules, and the address follows as one argument whatever it holds. Empty when
// the command names no program.
//   "/usr/bin/b" -new "%1"   => [/usr/bin/b] [-new] [url]
//   b %1 --after              => [b] [url]
//   b                         => [b] [url]
std::vector<std::wstring> BrowserCommand(std::wstring_view command, std::wstring_view url);

}  // namespace kv::internet
