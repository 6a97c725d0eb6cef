// Whether a person is at the program's terminal: command-line tools ask before they
// overwrite or delete only when one can answer. And the process's standard output, for
// the few diagnostics the libraries print there.
#pragma once

#include "KVPlatform/export.h"

#include <string_view>

namespace kv {

// True when standard input is a terminal.
KV_EXPORT bool StandardInputIsTerminal();

// Writes text (UTF-8) to standard output, whole; a closed output is ignored.
KV_EXPORT void WriteStandardOutput(std::string_view text);

}  // namespace kv
