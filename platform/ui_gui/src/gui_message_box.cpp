// Message boxes as windows: the icon, the text, the buttons of the box's set in the
// order Windows shows them, the default button focused; Escape and the close box
// answer only where Windows lets them (a box with Cancel, or with OK alone); a
// button's underlined letter answers with or without Alt.
#include <wx/artprov.h>
#include <wx/statbmp.h>

#include <vector>

#include "gui_session.h"

namespace kv::gui {
namespace {

struct ButtonLabel {
  int id;
  const wchar_t* label;
};

// In the order a box shows them (the console lists them the same way).
constexpr ButtonLabel kButtons[] = {
    {kIdOk, L"OK"},        {kIdYes, L"&Yes"},       {kIdNo, L"&No"},        {kIdAbort, L"&Abort"},
    {kIdRetry, L"&Retry"}, {kIdIgnore, L"&Ignore"}, {kIdCancel, L"Cancel"},
};

wxArtID IconOf(unsigned type) {
  switch (type & kMbIconMask) {
    case kMbIconError: return wxART_ERROR;
    case kMbIconQuestion: return wxART_QUESTION;
    case kMbIconExclamation: return wxART_WARNING;
    case kMbIconInformation: return wxART_INFORMATION;
    default: return wxArtID();
  }
}

// Escape and the close box answer a box that has Cancel, or OK alone; Yes/No and
// Abort/Retry/Ignore boxes must be answered with a button.
bool TakesEscape(unsigned type) {
  return IsValidAnswer(type, kIdCancel) || (type & kMbButtonMask) == kMbOk;
}

class MessageBoxWindow : public wxDialog {
 public:
  MessageBoxWindow(wxWindow* owner, std::wstring_view text, std::wstring_view caption,
                   unsigned type)
      : wxDialog(owner, wxID_ANY, Label(caption), wxDefaultPosition, wxDefaultSize,
                 wxCAPTION | wxSYSTEM_MENU | (TakesEscape(type) ? wxCLOSE_BOX : 0)),
        type_(type) {
    StyleWindow(this);
    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    wxArtID icon = IconOf(type);
    if (!icon.empty()) {
      row->Add(new wxStaticBitmap(this, wxID_ANY,
                                  wxArtProvider::GetBitmapBundle(icon, wxART_MESSAGE_BOX)),
               0, wxALL, 12);
    }
    auto* message = new wxStaticText(this, wxID_ANY, PlainLabel(text));
    message->SetName("text");
    // As wide as a third of the screen before the text wraps.
    message->Wrap(std::max(300, wxGetDisplaySize().GetWidth() / 3));
    row->Add(message, 1, wxALIGN_CENTER_VERTICAL | wxALL, 12);
    column->Add(row, 1, wxEXPAND);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    const int byDefault = DefaultAnswer(type);
    wxButton* defaultButton = nullptr;
    for (const ButtonLabel& button : kButtons) {
      if (!IsValidAnswer(type, button.id)) continue;
      auto* control = new wxButton(this, wxID_ANY, wxString(button.label), wxDefaultPosition,
                                   ConvertDialogToPixels(wxSize(50, 14)));
      control->SetName(ControlName(button.id));
      const int answer = button.id;
      control->Bind(wxEVT_BUTTON, [this, answer](wxCommandEvent&) { EndModal(answer); });
      buttons->Add(control, 0, wxLEFT | wxRIGHT, 3);
      if (button.id == byDefault) defaultButton = control;
      answers_.push_back({button.id, MnemonicOf(button.label)});
    }
    column->Add(buttons, 0, wxALIGN_CENTER | wxBOTTOM | wxLEFT | wxRIGHT, 10);
    SetSizerAndFit(column);
    if (defaultButton != nullptr) {
      defaultButton->SetDefault();
      defaultButton->SetFocus();
    }
    Bind(wxEVT_CHAR_HOOK, &MessageBoxWindow::OnKey, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
      if (TakesEscape(type_)) {
        EndModal(EscapeAnswer(type_));
      } else if (event.CanVeto()) {
        event.Veto();
      }
    });
  }

 private:
  static wxChar MnemonicOf(const wchar_t* label) {
    for (const wchar_t* c = label; *c != L'\0'; ++c) {
      if (*c == L'&' && c[1] != L'\0') return static_cast<wxChar>(wxToupper(c[1]));
    }
    return 0;
  }

  void OnKey(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE) {
      if (TakesEscape(type_)) EndModal(EscapeAnswer(type_));
      return;
    }
    // A button's letter, alone or with Alt, as Windows' boxes take it.
    if (!event.HasAnyModifiers() || event.GetModifiers() == wxMOD_ALT) {
      const wxChar letter = static_cast<wxChar>(wxToupper(key));
      for (const auto& [answer, mnemonic] : answers_) {
        if (mnemonic != 0 && mnemonic == letter) {
          EndModal(answer);
          return;
        }
      }
    }
    event.Skip();
  }

  unsigned type_;
  std::vector<std::pair<int, wxChar>> answers_;
};

}  // namespace

int ShowMessageBoxWindow(std::wstring_view text, std::wstring_view caption, unsigned type) {
  MessageBoxWindow box(OwnerWindow(), text, caption, type);
  OpenWindow open(&box);
  PlaceWindow(&box);
  HookWhenShown(WindowKind::kMessageBox, &box);
  return box.ShowModal();
}

}  // namespace kv::gui
