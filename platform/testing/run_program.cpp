#include "run_program.h"

#include <stdio.h>
#include <sys/wait.h>

namespace kv::testing {

ProgramRun RunProgram(const std::string& commandLine) {
  const std::string command = commandLine + " </dev/null 2>&1";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace kv::testing
