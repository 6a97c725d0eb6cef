// The toolkit session of the process: started on first use, never stopped; the windows
// open now, the shown hook, and the compact look that lets controls keep the sizes
// their templates give them.
#include "gui_session.h"

#include <gtk/gtk.h>
#include <wx/evtloop.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "KVPlatform/text.h"

namespace kv::gui {
namespace {

class KestrelApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

// GTK's default theme pads controls for touch screens: a 14-dialog-unit button would
// be clipped. Windows of ours carry the style class "kestrel", which trims the padding
// so that every control fits the place its template gives it, as on Windows.
constexpr char kCompactCss[] =
    ".kestrel button, .kestrel button.text-button { min-height: 0; min-width: 0;"
    "  padding: 0 4px; }"
    ".kestrel entry { min-height: 0; padding: 0 3px; }"
    ".kestrel combobox button { padding: 0 2px; }"
    ".kestrel check, .kestrel radio { min-width: 12px; min-height: 12px; margin: 0 3px 0 0; }"
    ".kestrel checkbutton, .kestrel radiobutton { padding: 0; min-height: 0; }"
    ".kestrel progressbar trough, .kestrel progressbar progress { min-height: 6px; }";

struct Session {
  bool tried = false;
  bool started = false;
  // The loop that PumpPaint runs when no loop is running (a program's own code).
  wxGUIEventLoop* idleLoop = nullptr;
  std::vector<wxTopLevelWindow*> open;
  std::function<void(const ShownWindow&)> hook;
};

Session& TheSession() {
  static Session* session = new Session;
  return *session;
}

void InstallLook() {
  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kCompactCss, -1, nullptr);
  if (GdkScreen* screen = gdk_screen_get_default()) {
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  g_object_unref(css);
}

// A failed toolkit assertion is a message on standard error, never a modal box with a
// stack trace in front of the user.
void ReportAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  std::fprintf(stderr, "wxWidgets assertion failed: %s:%d %s: %s %s\n",
               static_cast<const char*>(file.utf8_str()), line,
               static_cast<const char*>(func.utf8_str()), static_cast<const char*>(cond.utf8_str()),
               static_cast<const char*>(msg.utf8_str()));
}

// Waits (repainting) until a window is mapped and has been drawn, at most a second.
void WaitUntilOnScreen(wxTopLevelWindow* window) {
  wxStopWatch watch;
  while (watch.Time() < 1000) {
    GtkWidget* widget = window->GetHandle();
    if (window->IsShownOnScreen() && widget != nullptr && gtk_widget_get_mapped(widget)) break;
    PumpPaint();
    wxMilliSleep(2);
  }
  window->Update();
  PumpPaint();
}

}  // namespace

bool StartSession() {
  Session& session = TheSession();
  if (session.tried) return session.started;
  session.tried = true;
  if (wxTheApp == nullptr) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display == nullptr || *display == '\0') && (wayland == nullptr || *wayland == '\0')) {
      return false;
    }
    // The program's name names its windows to the desktop.
    static std::string name = WideToAnsi(ProgramName());
    static char* argv[] = {name.data(), nullptr};
    static int argc = 1;
    // GTK sets the program's locale from the environment as it starts; the program's
    // own (numbers written with a '.', say) must not change because a window opened.
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    wxApp::SetInstance(new KestrelApp);
    const bool started = wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    std::setlocale(LC_ALL, locale.c_str());
    if (!started) return false;
    delete wxLog::SetActiveTarget(new wxLogStderr);
    wxSetAssertHandler(ReportAssert);
  }
  InstallLook();
  session.idleLoop = new wxGUIEventLoop;
  session.started = true;
  return true;
}

void PumpPaint() {
  wxEventLoopBase* active = wxEventLoopBase::GetActive();
  if (active != nullptr) {
    if (!active->IsYielding()) active->YieldFor(wxEVT_CATEGORY_UI);
    return;
  }
  wxEventLoopBase* idle = TheSession().idleLoop;
  if (idle == nullptr) return;
  wxEventLoopActivator activate(idle);
  idle->YieldFor(wxEVT_CATEGORY_UI);
}

wxWindow* OwnerWindow() {
  const std::vector<wxTopLevelWindow*>& open = TheSession().open;
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    if ((*it)->IsShown()) return *it;
  }
  return nullptr;
}

void StyleWindow(wxTopLevelWindow* window) {
  if (GtkWidget* widget = window->GetHandle()) {
    gtk_style_context_add_class(gtk_widget_get_style_context(widget), "kestrel");
  }
}

OpenWindow::OpenWindow(wxTopLevelWindow* window) : window_(window) {
  TheSession().open.push_back(window);
}

OpenWindow::~OpenWindow() {
  std::vector<wxTopLevelWindow*>& open = TheSession().open;
  open.erase(std::remove(open.begin(), open.end(), window_), open.end());
}

void HookWhenShown(WindowKind kind, wxTopLevelWindow* window, CDialog* dialog) {
  if (!TheSession().hook) return;
  // The window may be gone before its loop runs this (a dialog ended at once): the
  // weak reference says so.
  wxWeakRef<wxTopLevelWindow> alive(window);
  wxTheApp->CallAfter([kind, alive, dialog] {
    if (!alive || !TheSession().hook) return;
    WaitUntilOnScreen(alive.get());
    if (!alive || !TheSession().hook) return;
    // A copy: the hook may replace itself.
    std::function<void(const ShownWindow&)> hook = TheSession().hook;
    hook(ShownWindow{kind, alive.get(), dialog});
  });
}

void HookNow(WindowKind kind, wxTopLevelWindow* window, CDialog* dialog) {
  if (!TheSession().hook) return;
  WaitUntilOnScreen(window);
  std::function<void(const ShownWindow&)> hook = TheSession().hook;
  hook(ShownWindow{kind, window, dialog});
}

void PlaceWindow(wxTopLevelWindow* window) {
  if (window->GetParent() != nullptr) {
    window->CentreOnParent();
  } else {
    window->CentreOnScreen();
  }
}

wxString Label(std::wstring_view text) {
  std::wstring clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r') {
      clean += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      continue;
    }
    clean += text[i];
  }
  return wxString(clean);
}

wxString PlainLabel(std::wstring_view text) { return wxControl::EscapeMnemonics(Label(text)); }

std::wstring FromWx(const wxString& text) { return text.ToStdWstring(); }

void SetShownHook(std::function<void(const ShownWindow&)> hook) {
  TheSession().hook = std::move(hook);
}

std::string ControlName(int controlId) { return "ctl" + std::to_string(controlId); }

}  // namespace kv::gui
