// The terminal test over isatty.
#include "KVPlatform/terminal.h"

#include <unistd.h>

namespace kv {

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace kv
