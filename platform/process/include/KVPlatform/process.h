// Starting other programs: the counterpart of WinExec and CreateProcess for code that
// hands work to another program (a browser, the desktop's opener). A program is started
// directly with an argument vector, never through a shell, so no argument is ever read
// as shell syntax; a command line stored as one text (a registered open command) is split
// by SplitCommandLine first, with the rules Windows programs use.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv {

// Splits a command line as CommandLineToArgvW does. Blanks and tabs separate arguments
// outside double quotes; a quote opens or closes a quoted run. The first argument (the
// program) ends at a blank outside quotes and takes backslashes as they stand. In the
// others, 2n backslashes before a quote give n backslashes and the quote is a delimiter,
// 2n+1 give n and a literal quote, other backslashes stand as they are, and "" inside a
// quoted run is one literal quote.
//   "C:\Program Files\b.exe" -a "x y"   => [C:\Program Files\b.exe] [-a] [x y]
//   b.exe a\\"b c" d\"e                 => [b.exe] [a\b c] [d"e]
//   (empty or blanks only)              => []
KV_EXPORT std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

// How a started program ended, as far as StartProgram waited for it.
struct KV_EXPORT ProgramExit {
  bool exited = false;  // false: still running when the wait ended (it carries on alone)
  int exitCode = 0;     // its exit status; 128 + the signal number when a signal ended it
};

// Starts arguments[0] with `arguments` (the first is also the program's argv[0]). The
// program is a path, Windows or host, when it holds a separator or a drive (resolved
// through the root as every file is), else it is looked for in the folders of PATH
// (empty entries, the current folder to a shell, are passed over). It
// gets the environment and standard output and error of this process, and /dev/null as
// its input (it never reads a terminal that the caller is using).
//
// Waits up to `waitMs` milliseconds for the program to end (0: not at all) and says in
// `exit` (may be null) whether it did and how. A program that outlives the wait is no
// child of this process (it is started through an intermediate that exits at once), so
// it never lingers as a zombie and nobody has to wait for it.
//
// Fails with 2 (or 3) when the program is not found, 5 when it may not be run or is no
// file, 11 (bad format) when the system refuses to run it, 87 for an empty vector or an
// argument holding a zero character, 8 when no process can be made.
KV_EXPORT Status StartProgram(const std::vector<std::wstring>& arguments, int waitMs,
                              ProgramExit* exit = nullptr);

}  // namespace kv
