// The process's UI backend and the message-box rules every backend shares: which
// buttons a box has, its escape answer, its default button.
#include "KVPlatform/ui.h"

#include <errno.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "KVPlatform/scripted_ui.h"
#include "KVPlatform/text.h"

namespace kv {

// Out of line, so that the classes' vtables live in this library.
ProgressView::~ProgressView() = default;
UiBackend::~UiBackend() = default;
namespace {

// The buttons of a box, in the order it shows them.
struct ButtonSet {
  int ids[3];
  int count;
};

ButtonSet Buttons(unsigned type) {
  switch (type & kMbButtonMask) {
    case kMbOk: return {{kIdOk}, 1};
    case kMbOkCancel: return {{kIdOk, kIdCancel}, 2};
    case kMbAbortRetryIgnore: return {{kIdAbort, kIdRetry, kIdIgnore}, 3};
    case kMbYesNoCancel: return {{kIdYes, kIdNo, kIdCancel}, 3};
    case kMbYesNo: return {{kIdYes, kIdNo}, 2};
    case kMbRetryCancel: return {{kIdRetry, kIdCancel}, 2};
    default: return {{kIdOk, kIdCancel}, 2};  // sets this system never asks for
  }
}

// The installed backend. The state is never destroyed, so that a library unloading late
// in the process's exit can still show a box.
struct UiState {
  std::mutex mutex;
  std::unique_ptr<UiBackend> backend;
};

UiState& State() {
  static UiState* state = new UiState;
  return *state;
}

bool NameIs(std::string_view name, std::string_view wanted) {
  if (name.size() != wanted.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != wanted[i]) return false;
  }
  return true;
}

}  // namespace

int EscapeAnswer(unsigned type) {
  switch (type & kMbButtonMask) {
    case kMbOk: return kIdOk;
    case kMbYesNo: return kIdNo;
    case kMbAbortRetryIgnore: return kIdAbort;
    default: return kIdCancel;
  }
}

bool IsValidAnswer(unsigned type, int answer) {
  ButtonSet set = Buttons(type);
  for (int i = 0; i < set.count; ++i) {
    if (set.ids[i] == answer) return true;
  }
  return false;
}

int DefaultAnswer(unsigned type) {
  ButtonSet set = Buttons(type);
  int index = static_cast<int>((type & kMbDefButtonMask) >> 8);
  return index < set.count ? set.ids[index] : set.ids[0];
}

std::wstring ProgramName() {
  // The short name the program was started under (glibc keeps it for us).
  const char* name = program_invocation_short_name;
  if (name == nullptr || *name == '\0') return L"Kestrel";
  return AnsiToWide(name);
}

UiBackend& CurrentUi() {
  UiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!state.backend) {
    const char* name = std::getenv("KESTREL_UI");
    if (name != nullptr && *name != '\0') {
      state.backend = MakeUiBackend(name);
      if (!state.backend) {
        std::fprintf(stderr,
                     "KESTREL_UI=%s names no user interface (console, scripted); "
                     "using the console.\n",
                     name);
      }
    }
    if (!state.backend) state.backend = MakeConsoleUi();
  }
  return *state.backend;
}

std::unique_ptr<UiBackend> SetUiBackend(std::unique_ptr<UiBackend> backend) {
  UiState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  std::swap(state.backend, backend);
  return backend;
}

std::unique_ptr<UiBackend> MakeUiBackend(std::string_view name) {
  if (NameIs(name, "console")) return MakeConsoleUi();
  if (NameIs(name, "scripted")) return std::make_unique<ScriptedUi>();
  return nullptr;
}

int ShowMessageBox(std::wstring_view text, unsigned type, std::wstring_view caption) {
  if (caption.empty()) {
    std::wstring name = ProgramName();
    return CurrentUi().MessageBox(text, name, type);
  }
  return CurrentUi().MessageBox(text, caption, type);
}

ScriptedUi& InstallScriptedUi() {
  auto backend = std::make_unique<ScriptedUi>();
  ScriptedUi& ui = *backend;
  // The previous backend goes now, outside the lock.
  std::unique_ptr<UiBackend> previous = SetUiBackend(std::move(backend));
  previous.reset();
  return ui;
}

}  // namespace kv
