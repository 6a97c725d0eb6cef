// Test support: running a program of the build as a user would, with what it printed.
#pragma once

#include <string>

namespace kv::testing {

struct ProgramRun {
  int status = -1;  // the exit status; -1 when it did not exit normally
  std::string out;  // standard output and standard error together
};

// Runs `commandLine` through the shell with standard input from /dev/null.
ProgramRun RunProgram(const std::string& commandLine);

}  // namespace kv::testing
