// Whether a person is at the program's terminal: command-line tools ask before they
// overwrite or delete only when one can answer.
#pragma once

#include "KVPlatform/export.h"

namespace kv {

// True when standard input is a terminal.
KV_EXPORT bool StandardInputIsTerminal();

}  // namespace kv
