// Progress windows: a modeless window with the message line, a bar and the path line,
// repainted when the caller pumps it between steps of its work. Updates only store
// what to show; a pump shows it at most at the display's pace, and backs off further
// when painting is slow, so the worker's time stays its own.
#include <wx/evtloop.h>

#include <algorithm>
#include <chrono>

#include "gui_session.h"

namespace kv::gui {
namespace {

constexpr int kBarSteps = 10000;

class ProgressWindow : public ProgressView {
 public:
  explicit ProgressWindow(std::wstring_view title)
      : window_(new wxDialog(OwnerWindow(), wxID_ANY, Label(title), wxDefaultPosition,
                             wxDefaultSize, wxCAPTION)),
        open_(window_) {
    StyleWindow(window_);
    auto* column = new wxBoxSizer(wxVERTICAL);
    const int width = window_->ConvertDialogToPixels(wxSize(240, 0)).GetWidth();
    message_ =
        new wxStaticText(window_, wxID_ANY, wxString(), wxDefaultPosition, wxSize(width, -1));
    message_->SetName("message");
    bar_ = new wxGauge(window_, wxID_ANY, kBarSteps, wxDefaultPosition,
                       wxSize(width, window_->ConvertDialogToPixels(wxSize(0, 10)).GetHeight()),
                       wxGA_HORIZONTAL | wxGA_SMOOTH);
    bar_->SetName("progress");
    // A long path loses its middle, as Windows' path ellipsis does.
    path_ = new wxStaticText(window_, wxID_ANY, wxString(), wxDefaultPosition, wxSize(width, -1),
                             wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
    path_->SetName("path");
    column->Add(message_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 12);
    column->Add(bar_, 0, wxEXPAND | wxALL, 12);
    column->Add(path_, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    window_->SetSizerAndFit(column);
    PlaceWindow(window_);
    window_->Show();
    Repaint();
    // Mapping the window costs more than a repaint ever will: not counted.
    pace_.Wait();
    HookNow(WindowKind::kProgress, window_);
  }

  ~ProgressWindow() override {
    window_->Hide();
    // Deleted here, not later from an idle pass that a program's own code never runs.
    delete window_;
    PumpPaint();
  }

  void SetTitle(std::wstring_view title) override {
    title_ = title;
    titleDirty_ = true;
  }
  void SetMessage(std::wstring_view message) override {
    if (message == messageText_) return;
    messageText_ = message;
    messageDirty_ = true;
  }
  void SetRange(int low, int high) override {
    low_ = low;
    high_ = high;
    barDirty_ = true;
  }
  void SetPosition(int position) override {
    position_ = position;
    barDirty_ = true;
  }
  void SetPath(std::wstring_view path) override {
    if (path == pathText_) return;
    pathText_ = path;
    pathDirty_ = true;
  }

  void Pump() override {
    if (pace_.Due()) Repaint();
  }

 private:
  void Repaint() {
    pace_.Paint([this] { PaintChanges(); });
  }

  void PaintChanges() {
    bool relayout = false;
    if (titleDirty_) window_->SetTitle(Label(title_));
    if (messageDirty_) {
      message_->SetLabel(PlainLabel(messageText_));
      message_->Wrap(message_->GetSize().GetWidth());
      relayout = true;
    }
    if (pathDirty_) path_->SetLabel(PlainLabel(pathText_));
    if (barDirty_) bar_->SetValue(Steps());
    titleDirty_ = messageDirty_ = pathDirty_ = barDirty_ = false;
    if (relayout) window_->Fit();
    window_->Update();
    PumpPaint();
  }

  // The bar's position in kBarSteps; 0 for an empty range.
  int Steps() const {
    if (high_ <= low_) return 0;
    const long long span = static_cast<long long>(high_) - low_;
    const long long done = std::clamp(static_cast<long long>(position_) - low_, 0LL, span);
    return static_cast<int>(done * kBarSteps / span);
  }

  wxDialog* window_;
  OpenWindow open_;
  wxStaticText* message_;
  wxGauge* bar_;
  wxStaticText* path_;
  std::wstring title_, messageText_, pathText_;
  int low_ = 0, high_ = 100, position_ = 0;
  bool titleDirty_ = false, messageDirty_ = false, pathDirty_ = false, barDirty_ = false;
  RepaintPace pace_;
};

}  // namespace

std::unique_ptr<ProgressView> OpenProgressWindow(std::wstring_view title) {
  return std::make_unique<ProgressWindow>(title);
}

}  // namespace kv::gui
