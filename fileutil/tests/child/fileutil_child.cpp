// A process of its own for the library's tests: runs the commands of its command line
// in order, in the root and user interface its environment names, and says on standard
// output what it saw. Exit status 0 when every command could run.
//
//   ready FD                     writes one byte to FD and closes it
//   wait FD                      blocks until FD reaches its end (a gate for processes
//                                that must start at the same moment)
//   tz ZONE                      sets TZ
//   clock NANOSECONDS            installs a fixed clock
//   log KEY MESSAGE [COUNT]      WriteLogMessageCore, COUNT times ("%i" in MESSAGE
//                                becomes the call's number)
//   box KEY ID MODE ACTION       KVMessageBox under the scripted UI, MODE "session" or
//                                "persistent"; the dialog gets ACTION: "ok", "check-ok"
//                                (check the box, then OK) or "check-close" (check the
//                                box, then close the window). Prints "hidden", or
//                                "shown" and, tab-separated, the text (line feeds as
//                                \n, tabs as \t), the check box's text, the dialog's
//                                height in pixels, the top of the check box and of OK
//                                and the height of the text (dialog units)
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <iostream>
#include <string>

#include "KVFileUtilities/log_file.h"
#include "KVFileUtilities/message_box.h"
#include "KVPlatform/clock.h"
#include "KVPlatform/local_time.h"
#include "KVPlatform/scripted_ui.h"
#include "KVPlatform/text.h"

namespace {

std::wstring Numbered(const std::string& text, int number) {
  std::string out = text;
  if (size_t at = out.find("%i"); at != std::string::npos)
    out.replace(at, 2, std::to_string(number));
  return kv::AnsiToWide(out);
}

std::string Escaped(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c == L'\n') {
      out += "\\n";
    } else if (c == L'\t') {
      out += "\\t";
    } else {
      out += kv::WideToAnsi(std::wstring(1, c));
    }
  }
  return out;
}

// Runs one message box and says what was shown.
void Box(const std::string& key, const std::string& id, bool session, const std::string& action) {
  // A fresh backend each time: an action not used (the box was not shown) is dropped.
  kv::ScriptedUi& ui = kv::InstallScriptedUi();
  std::string shown = "hidden";
  ui.QueueDialog([&](kv::CDialog& dialog) {
    auto top = [&](int control) { return std::to_string(dialog.GetControl(control)->y); };
    shown = "shown\t" + Escaped(dialog.GetDlgItemText(8001)) + "\t" +
            kv::WideToAnsi(dialog.GetDlgItemText(8000)) + "\t" +
            std::to_string(dialog.DialogUnitsToPixelsY(dialog.Height())) + "\t" + top(8000) + "\t" +
            top(1) + "\t" + std::to_string(dialog.GetControl(8001)->cy);
    if (action != "ok") dialog.Click(8000);
    if (action == "check-close") {
      dialog.PressEscape();
    } else {
      dialog.Click(1);
    }
  });
  KVMessageBox(kv::AnsiToWide(key).c_str(), kv::AnsiToWide(id).c_str(), session, nullptr);
  std::cout << shown << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string command = argv[i];
    auto argument = [&]() -> std::string {
      if (i + 1 >= argc) {
        std::cerr << "missing argument of " << command << "\n";
        exit(2);
      }
      return argv[++i];
    };
    if (command == "ready") {
      const int fd = std::stoi(argument());
      if (write(fd, "r", 1) != 1) return 3;
      close(fd);
    } else if (command == "wait") {
      const int fd = std::stoi(argument());
      char byte;
      while (read(fd, &byte, 1) > 0) {
      }
    } else if (command == "tz") {
      setenv("TZ", argument().c_str(), 1);
      kv::ResetTimeZone();
    } else if (command == "clock") {
      const int64_t now = std::stoll(argument());
      kv::SetClock([now] { return now; });
    } else if (command == "log") {
      const std::wstring key = kv::AnsiToWide(argument());
      const std::string message = argument();
      int count = 1;
      if (i + 1 < argc && std::isdigit(static_cast<unsigned char>(argv[i + 1][0]))) {
        count = std::stoi(argument());
      }
      for (int n = 0; n < count; ++n)
        WriteLogMessageCore(key.c_str(), Numbered(message, n).c_str());
    } else if (command == "box") {
      const std::string key = argument();
      const std::string id = argument();
      const bool session = argument() == "session";
      Box(key, id, session, argument());
    } else {
      std::cerr << "unknown command " << command << "\n";
      return 2;
    }
  }
  return 0;
}
