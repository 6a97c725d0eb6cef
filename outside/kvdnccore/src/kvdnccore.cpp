// The kvdnccore stand-in: says what it runs on standard output and records the call.
#include "kvdnccore/kvdnccore.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"

namespace {

void Record(const std::string& line) {
  const char* file = std::getenv("KVDNCCORE_RECORD");
  if (file == nullptr || *file == '\0') return;
  (void)kv::AppendToFile(kv::AnsiToWide(file), line + '\n');
}

}  // namespace

extern "C" int DncStartWithFile(const char* argument) {
  const std::string text = argument ? argument : "";
  std::cout << "DNC application: running job file mode (/z) with \"" << text << "\"" << std::endl;
  Record("1 /z [" + text + "]");
  return 1;
}

extern "C" int DncStart(char* buffer, int startMode, bool interactive) {
  std::string job;
  if (buffer != nullptr) job.assign(buffer, strnlen(buffer, kDncBufferSize));
  std::cout << "DNC application: running normal mode"
            << (job.empty() ? std::string() : " with \"" + job + "\"") << std::endl;
  Record("3 normal [" + job + "] " + std::to_string(startMode) + " " + (interactive ? "1" : "0"));
  return 1;
}

int DncStartWithText(std::string& argument) {
  std::cout << "DNC application: running text mode (/t) with \"" << argument << "\"" << std::endl;
  Record("4 /t [" + argument + "]");
  return 1;
}
