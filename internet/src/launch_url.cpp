// Opening a web address: the desktop's opener, else the registered .htm open command.
#include "launch_url.h"

#include "KVPlatform/process.h"
#include "KVPlatform/registry.h"

namespace kv::internet {
namespace {

// Registry reads ask for at most 260 bytes: 130 UTF-16 units with the terminator.
constexpr size_t kMaxValueUnits = 129;

}  // namespace

long ReadRegistryDefault(Hive root, std::wstring_view subKey, std::wstring* out) {
  RegKey key;
  if (const Status opened = RegKey::Open(root, subKey, kKeyQueryValue, &key); !opened.ok()) {
    return static_cast<long>(opened.code());
  }
  RegValue value;
  if (!key.QueryValue(L"", &value).ok() || (value.type != kRegSz && value.type != kRegExpandSz)) {
    return static_cast<long>(kErrorFileNotFound);
  }
  // Characters beyond the 16-bit plane take two UTF-16 units.
  size_t units = 0;
  for (wchar_t c : value.text) units += static_cast<uint32_t>(c) > 0xFFFF ? 2 : 1;
  if (units > kMaxValueUnits) return static_cast<long>(kErrorFileNotFound);
  *out = value.text;
  return 0;
}

std::vector<std::wstring> BrowserCommand(std::wstring_view command, std::wstring_view url) {
  size_t cut = command.find(L"\"%1\"");
  if (cut == std::wstring_view::npos) cut = command.find(L"%1");
  if (cut != std::wstring_view::npos) command = command.substr(0, cut);
  std::vector<std::wstring> arguments = SplitCommandLine(command);
  if (arguments.empty() || arguments[0].empty()) return {};
  arguments.emplace_back(url);
  return arguments;
}

intptr_t LaunchUrl(const wchar_t* url, int /*showCmd*/) {
  const std::wstring address = url != nullptr ? url : L"";
  // An address that a program could read as an option is no address.
  if (address.empty() || address[0] == L'-') return kLaunchRefused;

  ProgramExit exit;
  const Status opened = StartProgram({L"xdg-open", address}, kOpenerWaitMs, &exit);
  intptr_t shellResult = kLaunchNoAssociation;
  if (opened.ok()) {
    if (!exit.exited || exit.exitCode == 0) return kLaunchStarted;
  } else {
    shellResult = static_cast<intptr_t>(opened.code());
  }

  std::wstring command;
  if (ReadRegistryDefault(Hive::kClassesRoot, L".htm", &command) != 0) return shellResult;
  if (ReadRegistryDefault(Hive::kClassesRoot, command + L"\\shell\\open\\command", &command) != 0) {
    return shellResult;
  }
  const std::vector<std::wstring> arguments = BrowserCommand(command, address);
  if (arguments.empty()) return static_cast<intptr_t>(kErrorFileNotFound);
  const Status started = StartProgram(arguments, 0);
  return started.ok() ? kLaunchStarted : static_cast<intptr_t>(started.code());
}

}  // namespace kv::internet
