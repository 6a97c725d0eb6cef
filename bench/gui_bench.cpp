// The desktop backend's costs, against plain wxWidgets in the same run (run it on a
// display, or through bench/gui_bench.sh under Xvfb):
//  - opening a dialog from its template and closing it, against a plain wxDialog with
//    the same controls made by hand, both waited for until on the screen and painted
//    (the system's modal dialogs that open without an installation behind them, and a
//    gallery of every control kind);
//  - a worker's 10,000 steps with a progress window updated and pumped at every step,
//    against the same steps without the window.
#include <gtk/gtk.h>
#include <time.h>
#include <wx/dataview.h>
#include <wx/evtloop.h>
#include <wx/treectrl.h>
#include <wx/wx.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "KVFileUtilities/message_box.h"
#include "KVNumber/ddx.h"
#include "KVPlatform/dialog.h"
#include "KVPlatform/gui_ui.h"
#include "variable_list.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The calling thread's processor time: what the worker itself spends, whatever else
// the machine runs (the display server among them).
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Until a window is mapped and painted: the same wait for both sides.
void WaitOnScreen(wxTopLevelWindow* window) {
  while (!gtk_widget_get_mapped(window->GetHandle())) {
    wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_UI);
  }
  window->Update();
}

// A dialog of every kind of control, as a gallery.
const kv::DialogTemplate& Gallery() {
  using kv::ControlKind;
  static const kv::DialogTemplate tmpl{
      .id = 800,
      .caption = L"Control Gallery",
      .cx = 260,
      .cy = 170,
      .controls = {
          {-1, ControlKind::kGroupBox, 7, 4, 120, 60, L"&Units"},
          {201, ControlKind::kRadioButton, 14, 17, 100, 10, L"&Metric", kv::kStyleGroup},
          {202, ControlKind::kRadioButton, 14, 30, 100, 10, L"&Imperial"},
          {203, ControlKind::kCheckBox, 14, 45, 100, 10, L"&Round values"},
          {-1, ControlKind::kStatic, 134, 9, 40, 8, L"Post:"},
          {204, ControlKind::kComboBox, 176, 7, 77, 60, L"", kv::kStyleDropDownList},
          {205, ControlKind::kComboBox, 176, 25, 77, 60, L""},
          {206, ControlKind::kEdit, 134, 45, 119, 14, L""},
          {207, ControlKind::kListBox, 7, 70, 80, 62, L""},
          {208, ControlKind::kTreeView, 93, 70, 80, 62, L""},
          {209, ControlKind::kListView, 179, 70, 74, 62, L""},
          {210, ControlKind::kProgress, 7, 138, 246, 8},
          {211, ControlKind::kStatic, 7, 151, 80, 14, L"Ready"},
          {1, ControlKind::kDefPushButton, 148, 151, 50, 14, L"OK"},
          {2, ControlKind::kPushButton, 203, 151, 50, 14, L"Cancel"},
      }};
  return tmpl;
}

// The same controls made by hand with wxWidgets: no model, no synchronisation.
void OpenByHand(const kv::DialogTemplate& tmpl) {
  wxDialog dialog(nullptr, wxID_ANY, wxString(tmpl.caption), wxDefaultPosition, wxDefaultSize,
                  wxDEFAULT_DIALOG_STYLE);
  // The backend's compact look, so that both sides lay out the same controls alike.
  gtk_style_context_add_class(gtk_widget_get_style_context(dialog.GetHandle()), "kestrel");
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(tmpl.pointSize);
  dialog.SetFont(font);
  dialog.SetClientSize(dialog.ConvertDialogToPixels(wxSize(tmpl.cx, tmpl.cy)));
  for (const kv::ControlTemplate& c : tmpl.controls) {
    const wxPoint at = dialog.ConvertDialogToPixels(wxPoint(c.x, c.y));
    const wxSize size = dialog.ConvertDialogToPixels(wxSize(c.cx, c.cy));
    const wxString text(c.text);
    switch (c.kind) {
      case kv::ControlKind::kStatic: new wxStaticText(&dialog, wxID_ANY, text, at, size); break;
      case kv::ControlKind::kEdit: new wxTextCtrl(&dialog, wxID_ANY, text, at, size); break;
      case kv::ControlKind::kPushButton:
      case kv::ControlKind::kDefPushButton: new wxButton(&dialog, wxID_ANY, text, at, size); break;
      case kv::ControlKind::kCheckBox: new wxCheckBox(&dialog, wxID_ANY, text, at, size); break;
      case kv::ControlKind::kRadioButton:
        new wxRadioButton(&dialog, wxID_ANY, text, at, size, wxRB_GROUP);
        break;
      case kv::ControlKind::kGroupBox: new wxStaticBox(&dialog, wxID_ANY, text, at, size); break;
      case kv::ControlKind::kComboBox:
        new wxComboBox(&dialog, wxID_ANY, text, at, wxSize(size.x, size.y / 5));
        break;
      case kv::ControlKind::kListBox: new wxListBox(&dialog, wxID_ANY, at, size); break;
      case kv::ControlKind::kTreeView: new wxTreeCtrl(&dialog, wxID_ANY, at, size); break;
      case kv::ControlKind::kListView:
        (new wxDataViewListCtrl(&dialog, wxID_ANY, at, size))->AppendTextColumn(wxString());
        break;
      case kv::ControlKind::kProgress: new wxGauge(&dialog, wxID_ANY, 100, at, size); break;
    }
  }
  dialog.CentreOnScreen();
  dialog.CallAfter([&dialog] {
    WaitOnScreen(&dialog);
    dialog.EndModal(wxID_CANCEL);
  });
  dialog.ShowModal();
}

// One of the system's dialogs, opened through its library's exported call; the
// template is taken from the window the first time.
struct SystemDialog {
  const char* name;
  std::function<void()> open;
};

// The backend's dialog: from a template, or through the library's call; the shown
// hook closes it by its close box once it is painted.
void BenchDialog(const char* name, const std::function<void()>& openThroughBackend,
                 const kv::DialogTemplate& tmpl, int rounds) {
  std::vector<double> backend, byHand;
  for (int i = 0; i < rounds + 3; ++i) {
    Clock::time_point a = Clock::now();
    openThroughBackend();
    Clock::time_point b = Clock::now();
    OpenByHand(tmpl);
    Clock::time_point c = Clock::now();
    if (i < 3) continue;  // warm-up
    backend.push_back(Ms(b - a));
    byHand.push_back(Ms(c - b));
  }
  const double ours = Median(backend), theirs = Median(byHand);
  std::printf("dialog %-5d %-24s backend %6.2f ms  by hand %6.2f ms  ratio %.2f (limit 1.50)\n",
              tmpl.id, name, ours, theirs, ours / theirs);
}

// A step of work: some arithmetic over a buffer, about 50-100 microseconds.
volatile unsigned sink;
void Work(std::vector<unsigned>& buffer) {
  unsigned h = 2166136261u;
  for (unsigned& v : buffer) {
    h = (h ^ v) * 16777619u;
    v = h;
  }
  sink = h;
}

void BenchProgress(int steps, int rounds) {
  std::vector<unsigned> buffer(16384, 7);
  std::vector<double> wallRatios, cpuRatios, alone;
  for (int r = 0; r < rounds; ++r) {
    // The worker names the file of each step either way; the window is what differs.
    std::wstring path;
    Clock::time_point a = Clock::now();
    double cpuA = ThreadCpuMs();
    for (int i = 0; i < steps; ++i) {
      Work(buffer);
      path = L"C:\\Kestrel\\Data\\Post\\file" + std::to_wstring(i) + L".pst";
    }
    Clock::time_point b = Clock::now();
    double cpuB = ThreadCpuMs();
    Clock::time_point c;
    double cpuC = 0;
    {
      std::unique_ptr<kv::ProgressView> view = kv::CurrentUi().OpenProgress(L"Copying Data Files");
      view->SetMessage(L"Updating the data path. Please wait.");
      view->SetRange(0, steps);
      b = Clock::now();
      cpuB = ThreadCpuMs();
      for (int i = 0; i < steps; ++i) {
        Work(buffer);
        view->SetPosition(i + 1);
        path = L"C:\\Kestrel\\Data\\Post\\file" + std::to_wstring(i) + L".pst";
        view->SetPath(path);
        view->Pump();
      }
      c = Clock::now();
      cpuC = ThreadCpuMs();
    }
    alone.push_back(Ms(b - a));
    wallRatios.push_back(Ms(c - b) / Ms(b - a));
    cpuRatios.push_back((cpuC - cpuB) / (cpuB - cpuA));
  }
  // Medians of the rounds' own ratios: each round's pair ran under the same load.
  std::printf(
      "progress %d updates over %.0f ms of work: the worker's processor time %+.1f%%, "
      "its wall time %+.1f%% (limit 5%%)\n",
      steps, Median(alone), (Median(cpuRatios) - 1.0) * 100.0, (Median(wallRatios) - 1.0) * 100.0);
}

}  // namespace

int main() {
  std::unique_ptr<kv::UiBackend> ui(KVPlatformMakeGuiUi());
  if (!ui) {
    std::fprintf(stderr, "gui_bench: no display\n");
    return 1;
  }
  kv::SetUiBackend(std::move(ui));
  // Every dialog the backend shows is closed by its close box once painted; the first
  // time, its template is kept for the plain side.
  kv::DialogTemplate seen;
  kv::gui::SetShownHook([&seen](const kv::gui::ShownWindow& shown) {
    if (shown.dialog != nullptr && seen.id == 0) seen = shown.dialog->Template();
    shown.window->Close();
  });
  const int rounds = 41;
  const SystemDialog system[] = {
      // KVNumber's invalid-value dialog, as a refused value opens it.
      {"Invalid Value Entered",
       [] {
         double value = 50.0;
         DDV_RealEdit(nullptr, value, 0.0, 10.0);
       }},
      // KVFileUtilities' catalogue message (without a catalogue it shows the id).
      {"Catalogue message", [] { KVMessageBox(L"Software\\Kestrel\\KVDNC", L"BENCH", true, nullptr); }},
      // KVDataManager's variable list of a post, and the editor its Add opens.
      {"Custom Variable List",
       [] {
         std::vector<std::wstring> lines = {L"(NCUNITS \"Units\" \"mm\")",
                                            L"(FEEDMAX \"Largest feed rate\" 12000)"};
         kv::datamanager::CVarListDlg(L"C:\\bench.txt", &lines, 0).DoModal();
       }},
      {"Variable editor",
       [] {
         kv::datamanager::PstVar variable;
         kv::datamanager::CVariableEditDlg(&variable).DoModal();
       }},
  };
  for (const SystemDialog& dialog : system) {
    seen = kv::DialogTemplate();
    dialog.open();
    if (seen.id == 0) {
      std::fprintf(stderr, "gui_bench: %s did not open\n", dialog.name);
      return 1;
    }
    const kv::DialogTemplate tmpl = seen;
    BenchDialog(dialog.name, dialog.open, tmpl, rounds);
  }
  const kv::DialogTemplate& gallery = Gallery();
  BenchDialog(
      "Control Gallery", [&gallery] { kv::CDialog(gallery).DoModal(); }, gallery, rounds);
  kv::gui::SetShownHook({});
  BenchProgress(10000, 9);
  return 0;
}
