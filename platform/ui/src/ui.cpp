// The process's UI backend and the message-box rules every backend shares: which
// buttons a box has, its escape answer, its default button.
#include "KVPlatform/ui.h"

#include <dlfcn.h>
#include <errno.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "KVPlatform/scripted_ui.h"
#include "KVPlatform/text.h"

namespace kv {

// Out of line, so that the classes' vtables live in this library.
ProgressView::~ProgressView() = default;
DialogView::~DialogView() = default;
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

// The desktop backend lives in its own library (it pulls in the GUI toolkit), loaded
// only when asked: first beside this library, so that a build tree or an install
// prefix finds its own copy, then by its soname on the loader's path. It is never
// unloaded: a toolkit cannot be started twice in a process.
using GuiFactory = UiBackend* (*)();

GuiFactory LoadGuiFactory() {
  static GuiFactory factory = []() -> GuiFactory {
    const int flags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
    void* handle = nullptr;
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&LoadGuiFactory), &self) != 0 && self.dli_fname != nullptr) {
      std::string beside = self.dli_fname;
      size_t slash = beside.rfind('/');
      beside = (slash == std::string::npos ? std::string() : beside.substr(0, slash + 1)) +
               KV_GUI_SONAME;
      handle = dlopen(beside.c_str(), flags);
    }
    if (handle == nullptr) handle = dlopen(KV_GUI_SONAME, flags);
    if (handle == nullptr) return nullptr;
    return reinterpret_cast<GuiFactory>(dlsym(handle, "KVPlatformMakeGuiUi"));
  }();
  return factory;
}

std::unique_ptr<UiBackend> MakeGuiUi() {
  GuiFactory factory = LoadGuiFactory();
  return std::unique_ptr<UiBackend>(factory != nullptr ? factory() : nullptr);
}

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
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
      if (!state.backend && NameIs(name, "gui")) {
        std::fprintf(stderr,
                     "KESTREL_UI=gui: no desktop (no display, or libKVPlatformGui is not "
                     "installed); using the console.\n");
      } else if (!state.backend) {
        std::fprintf(stderr,
                     "KESTREL_UI=%s names no user interface (console, scripted, gui); "
                     "using the console.\n",
                     name);
      }
    } else if (DisplayAvailable()) {
      // A desktop session: windows when the desktop backend is installed.
      state.backend = MakeGuiUi();
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
  if (NameIs(name, "gui")) return MakeGuiUi();
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
