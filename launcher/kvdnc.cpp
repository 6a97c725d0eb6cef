// KVDNC: brings the DNC product's data path up to date and starts the DNC application.
//
// The command line is the text after the program name (the arguments joined by single
// blanks). "/z", then "/t", are looked for anywhere in it by plain substring search; the
// text handed on is the command line from its third character on, wherever the switch
// was found:
//   KVDNC /zC:\jobs\part.nc    => job-file mode with "C:\jobs\part.nc"
//   KVDNC /z C:\jobs\part.nc   => job-file mode with " C:\jobs\part.nc"
//   KVDNC /tjob                => text mode with "job"
//   KVDNC                      => normal mode
//   KVDNC abc                  => nothing is started
// When the data update fails (the user has been told why), nothing is started and the
// exit status is 1.
#include <cstdlib>
#include <string>

#include "KVDataManager/migrate_data.h"
#include "KVPlatform/ui.h"
#include "kvdnccore/kvdnccore.h"

namespace {

constexpr const wchar_t* kProductKey = L"SOFTWARE\\Kestrel\\KVDNC";

class CKvdncexeApp {
 public:
  explicit CKvdncexeApp(std::string commandLine) : m_lpCmdLine(std::move(commandLine)) {}

  // The whole run; false when the data update failed.
  bool InitInstance() {
    if (!MigrateDataFromUserCache(kProductKey, nullptr)) return false;
    if (m_lpCmdLine.empty()) {
      char buffer[kDncBufferSize] = "";
      DncStart(buffer, 0, true);
    } else if (m_lpCmdLine.find("/z") != std::string::npos) {
      DncStartWithFile(Argument().c_str());
    } else if (m_lpCmdLine.find("/t") != std::string::npos) {
      std::string argument = Argument();
      DncStartWithText(argument);
    }
    return true;
  }

 private:
  std::string Argument() const { return m_lpCmdLine.size() > 2 ? m_lpCmdLine.substr(2) : ""; }

  std::string m_lpCmdLine;
};

// The console backend unless KESTREL_UI names another.
void InstallUserInterface() {
  const char* chosen = std::getenv("KESTREL_UI");
  if (chosen == nullptr || *chosen == '\0') kv::SetUiBackend(kv::MakeUiBackend("console"));
}

}  // namespace

int main(int argc, char** argv) {
  InstallUserInterface();
  std::string commandLine;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) commandLine += ' ';
    commandLine += argv[i];
  }
  CKvdncexeApp app(std::move(commandLine));
  return app.InitInstance() ? EXIT_SUCCESS : EXIT_FAILURE;
}
