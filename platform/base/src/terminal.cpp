// The terminal test over isatty, and whole writes to standard output.
#include "KVPlatform/terminal.h"

#include <errno.h>
#include <signal.h>
#include <unistd.h>

namespace kv {

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

void WriteStandardOutput(std::string_view text) {
  // A reader that went away must not end the program with SIGPIPE.
  struct sigaction ignore {
  }, old{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);
  while (!text.empty()) {
    ssize_t wrote = write(STDOUT_FILENO, text.data(), text.size());
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    text.remove_prefix(static_cast<size_t>(wrote));
  }
  sigaction(SIGPIPE, &old, nullptr);
}

}  // namespace kv
