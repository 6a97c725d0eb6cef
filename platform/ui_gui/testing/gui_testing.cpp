// Test support for the desktop backend.
#include "gui_testing.h"

#include <gtk/gtk.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <deque>
#include <filesystem>

#include "KVPlatform/text.h"
#include "kvhost/host_path.h"

namespace kv::gui::testing {
namespace {

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE() << "wxWidgets assertion failed: " << file.utf8_str() << ":" << line << " "
                << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}

std::string Ascii(const std::wstring& text) { return WideToAnsi(text); }

}  // namespace

bool GuiAvailable() {
  static const bool available = [] {
    std::unique_ptr<UiBackend> probe(KVPlatformMakeGuiUi());
    if (!probe) return false;
    wxSetAssertHandler(FailOnAssert);
    return true;
  }();
  return available;
}

UseGui::UseGui() : saved_(SetUiBackend(MakeUiBackend("gui"))) {}
UseGui::~UseGui() { SetUiBackend(std::move(saved_)); }

bool WaitUntil(const std::function<bool()>& done, int ms) {
  wxStopWatch watch;
  for (;;) {
    if (done()) return true;
    if (watch.Time() > ms) return false;
    wxTheApp->Yield(true);
    wxMilliSleep(3);
  }
}

void Settle(int ms) {
  wxStopWatch watch;
  while (watch.Time() < ms) {
    wxTheApp->Yield(true);
    wxMilliSleep(3);
  }
}

wxWindow* Control(wxWindow* window, int controlId) {
  return window != nullptr ? window->FindWindow(wxString(ControlName(controlId))) : nullptr;
}

void PointAt(wxWindow* window) {
  wxUIActionSimulator simulator;
  const wxRect rect = window->GetScreenRect();
  simulator.MouseMove(rect.GetPosition() + wxPoint(rect.GetWidth() / 2, rect.GetHeight() / 2));
  Settle(30);
}

void ClickOn(wxWindow* control) {
  ASSERT_NE(control, nullptr);
  PointAt(control);
  wxUIActionSimulator simulator;
  simulator.MouseClick();
  Settle();
}

void TypeInto(wxWindow* control, const std::wstring& text) {
  ClickOn(control);
  wxUIActionSimulator simulator;
  simulator.Char('a', wxMOD_CONTROL);
  Settle(30);
  if (text.empty()) {
    simulator.Char(WXK_DELETE);
  } else {
    simulator.Text(Ascii(text).c_str());
  }
  Settle();
}

void PressKey(int key, int modifiers) {
  // Keys go to the window under the pointer: the innermost modal window, the one a
  // person would be typing into.
  for (auto it = wxTopLevelWindows.rbegin(); it != wxTopLevelWindows.rend(); ++it) {
    auto* dialog = dynamic_cast<wxDialog*>(*it);
    if (dialog == nullptr || !dialog->IsShown() || !dialog->IsModal()) continue;
    if (!dialog->GetScreenRect().Contains(wxGetMousePosition())) PointAt(dialog);
    break;
  }
  wxUIActionSimulator simulator;
  simulator.Char(key, modifiers);
  Settle();
}

void ExpectLaidOutAsModel(wxTopLevelWindow* window, const CDialog& dialog) {
  EXPECT_EQ(window->GetClientSize(),
            window->ConvertDialogToPixels(wxSize(dialog.Width(), dialog.Height())));
  std::vector<wxWindow*> children;
  for (wxWindow* child : window->GetChildren()) {
    if (child->GetName() != kRadioPartnerName) children.push_back(child);
  }
  ASSERT_EQ(children.size(), dialog.Controls().size());
  size_t i = 0;
  for (wxWindow* child : children) {
    const ControlState& control = dialog.Controls()[i++];
    SCOPED_TRACE("control " + std::to_string(i) + " (id " + std::to_string(control.Id()) + ")");
    const int cy = control.Kind() == ControlKind::kComboBox ? std::min(control.cy, 12) : control.cy;
    EXPECT_EQ(child->GetPosition(), window->ConvertDialogToPixels(wxPoint(control.x, control.y)));
    EXPECT_EQ(child->GetSize(), window->ConvertDialogToPixels(wxSize(control.cx, cy)));
  }
}

std::string SaveScreenshot(wxTopLevelWindow* window, const std::string& name) {
  window->Update();
  Settle(50);
  GdkWindow* gdk = gtk_widget_get_window(window->GetHandle());
  if (gdk == nullptr) return {};
  GdkPixbuf* picture =
      gdk_pixbuf_get_from_window(gdk, 0, 0, gdk_window_get_width(gdk), gdk_window_get_height(gdk));
  if (picture == nullptr) return {};
  std::filesystem::create_directories(KV_SCREENSHOT_DIR);
  const std::string path = std::string(KV_SCREENSHOT_DIR) + "/" + name + ".png";
  const bool saved = gdk_pixbuf_save(picture, path.c_str(), "png", nullptr, nullptr);
  g_object_unref(picture);
  return saved ? path : std::string();
}

// --- Scripts for the windows shown -----------------------------------------------------

struct WindowScript::State {
  std::deque<Action> actions;
  Action progress;
};

WindowScript::WindowScript() : state_(std::make_shared<State>()) {
  std::weak_ptr<State> weak = state_;
  SetShownHook([weak](const ShownWindow& shown) {
    std::shared_ptr<State> state = weak.lock();
    if (shown.kind == WindowKind::kProgress || shown.kind == WindowKind::kModeless) {
      if (state && state->progress) state->progress(shown);
      return;
    }
    if (state && !state->actions.empty()) {
      Action action = std::move(state->actions.front());
      state->actions.pop_front();
      wxWeakRef<wxTopLevelWindow> window(shown.window);
      action(shown);
      // A script that failed half-way must not leave a modal window waiting for ever.
      if (WaitUntil([&] { return !window || !window->IsShown(); })) return;
      ADD_FAILURE() << "the script left the window open: " << window->GetTitle().utf8_str();
      if (auto* dialog = dynamic_cast<wxDialog*>(window.get())) dialog->EndModal(wxID_CANCEL);
      return;
    }
    ADD_FAILURE() << "a window came that nothing was scripted for: "
                  << shown.window->GetTitle().utf8_str();
    if (auto* dialog = dynamic_cast<wxDialog*>(shown.window)) dialog->EndModal(wxID_CANCEL);
  });
}

WindowScript::~WindowScript() { SetShownHook({}); }

void WindowScript::Then(Action action) { state_->actions.push_back(std::move(action)); }
void WindowScript::First(Action action) { state_->actions.push_front(std::move(action)); }
void WindowScript::OnProgress(Action action) { state_->progress = std::move(action); }
size_t WindowScript::Pending() const { return state_->actions.size(); }

void AnswerFolderChooser(const ShownWindow& shown, const std::optional<std::wstring>& folder) {
  // The desktop's chooser is driven through its own interface: the folder picked, then
  // the answer of its accept or cancel button.
  GtkWidget* chooser = shown.window->GetHandle();
  if (!folder) {
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    Settle();
    return;
  }
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(*folder, &host).ok());
  gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser), host.c_str());
  ASSERT_TRUE(WaitUntil([&] {
    gchar* current = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(chooser));
    const bool there = current != nullptr && host == current;
    g_free(current);
    return there;
  }));
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  Settle();
}

// --- The contract driver -------------------------------------------------------------

namespace {

using kv::testing::BoxInput;
using kv::testing::DialogStep;

std::wstring Text(wxWindow* window) {
  return window != nullptr ? window->GetLabel().ToStdWstring() : std::wstring();
}

class GuiDriver : public kv::testing::UiDriver {
 public:
  GuiDriver() {
    script_.OnProgress([this](const ShownWindow& shown) { progress_ = shown.window; });
  }

  void Box(unsigned, BoxInput input) override {
    script_.Then([this, input](const ShownWindow& shown) { Answer(shown, input); });
  }

  void Dialog(std::vector<DialogStep> steps) override {
    script_.Then([this, steps](const ShownWindow& shown) {
      wxWeakRef<wxTopLevelWindow> window(shown.window);
      shown_ += Text(shown.window) + L"\n";
      for (size_t i = 0; i < steps.size() && window; ++i) {
        // Boxes that this step opens are answered first.
        for (size_t j = steps.size(); j > i + 1; --j) {
          if (steps[j - 1].kind != DialogStep::kAnswerBox) continue;
          bool follows = true;
          for (size_t k = i + 1; k < j; ++k) follows &= steps[k].kind == DialogStep::kAnswerBox;
          if (!follows) continue;
          const BoxInput box = steps[j - 1].box;
          script_.First([this, box](const ShownWindow& boxShown) { Answer(boxShown, box); });
        }
        const DialogStep& step = steps[i];
        switch (step.kind) {
          case DialogStep::kType: TypeInto(Control(window, step.id), step.text); break;
          case DialogStep::kClick: ClickOn(Control(window, step.id)); break;
          case DialogStep::kEscape:
            PointAt(window);
            PressKey(WXK_ESCAPE);
            break;
          case DialogStep::kAnswerBox: break;
        }
      }
    });
  }

  void Folder(std::optional<std::wstring> folder) override {
    script_.Then([this, folder](const ShownWindow& shown) {
      shown_ += Text(shown.window) + L"\n";
      AnswerFolderChooser(shown, folder);
    });
  }

  std::wstring Shown() override {
    std::wstring shown = shown_;
    if (progress_) {
      shown += Text(progress_) + L"\n";
      for (const char* part : {"message", "path"}) {
        shown += Text(progress_->FindWindow(part)) + L"\n";
      }
      if (auto* bar = dynamic_cast<wxGauge*>(progress_->FindWindow("progress"))) {
        shown += std::to_wstring(bar->GetValue() * 100 / std::max(bar->GetRange(), 1)) + L"%\n";
      }
    }
    return shown;
  }

  bool ProgressOpen() override { return progress_ && progress_->IsShown(); }

  size_t Unused() override { return script_.Pending(); }

 private:
  void Answer(const ShownWindow& shown, BoxInput input) {
    shown_ += Text(shown.window) + L"\n" + Text(shown.window->FindWindow("text")) + L"\n";
    switch (input.kind) {
      case BoxInput::kButton: ClickOn(Control(shown.window, input.button)); break;
      case BoxInput::kEnter:
        PointAt(shown.window);
        PressKey(WXK_RETURN);
        break;
      case BoxInput::kEscape:
        PointAt(shown.window);
        PressKey(WXK_ESCAPE);
        break;
    }
  }

  UseGui gui_;
  WindowScript script_;
  wxWeakRef<wxTopLevelWindow> progress_;
  std::wstring shown_;
};

}  // namespace

std::unique_ptr<kv::testing::UiDriver> MakeGuiDriver() { return std::make_unique<GuiDriver>(); }

}  // namespace kv::gui::testing
