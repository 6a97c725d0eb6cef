// Dialogs as windows: every control of the template becomes a native control at the
// place its dialog units give in pixels of the dialog's font; what the user does goes
// to the model through the dialog's event calls, and after each event every control is
// brought to the model's state again (only what changed is touched).
#include <wx/dataview.h>
#include <wx/treectrl.h>
#include <wx/valtext.h>

#include <algorithm>
#include <exception>
#include <vector>

#include "gui_images.h"
#include "gui_session.h"

namespace kv::gui {
namespace {

// A combo box's template height is that of its dropped-down list; the box itself is an
// edit line high.
constexpr int kComboHeight = 12;  // dialog units
constexpr int kBarSteps = 10000;

class TreeHandle : public wxTreeItemData {
 public:
  explicit TreeHandle(TreeItemHandle handle) : handle_(handle) {}
  TreeItemHandle Get() const { return handle_; }

 private:
  TreeItemHandle handle_;
};

// One control: the window placed, the window showing the state (a bordered static
// sits in a panel), and what was last shown.
struct View {
  int id = kIdcStatic;
  ControlKind kind = ControlKind::kStatic;
  wxWindow* window = nullptr;
  wxWindow* content = nullptr;
  ControlState shown;
  bool pushed = false;
  std::vector<wxTreeItemId> treeIds;  // by handle
  wxRadioButton* radioOff = nullptr;  // radio buttons: the hidden partner
};

bool SameTreeShape(const std::vector<TreeItem>& a, const std::vector<TreeItem>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].parent != b[i].parent || a[i].deleted != b[i].deleted) return false;
  }
  return true;
}

bool SameRows(const ControlState& a, const ControlState& b) {
  return a.items == b.items && a.subItems == b.subItems;
}

int ImageIndex(int image, const ControlState& state) {
  return image >= 0 && static_cast<size_t>(image) < state.imageLabels.size() ? image : -1;
}

wxArrayString Strings(const std::vector<std::wstring>& items) {
  wxArrayString strings;
  strings.reserve(items.size());
  for (const std::wstring& item : items) strings.push_back(wxString(item));
  return strings;
}

long StyleOf(const DialogTemplate& tmpl) {
  long style = wxCAPTION;
  if ((tmpl.style & kDialogSysMenu) != 0) style |= wxSYSTEM_MENU | wxCLOSE_BOX;
  if ((tmpl.style & kDialogResizable) != 0) style |= wxRESIZE_BORDER | wxMAXIMIZE_BOX;
  if ((tmpl.style & kDialogTopmost) != 0) style |= wxSTAY_ON_TOP;
  if ((tmpl.style & kDialogToolWindow) != 0) style |= wxFRAME_TOOL_WINDOW;
  return style;
}

class DialogWindow : public wxDialog {
 public:
  DialogWindow(wxWindow* owner, CDialog& dialog)
      : wxDialog(owner, wxID_ANY, Label(dialog.Template().caption), wxDefaultPosition,
                 wxDefaultSize, StyleOf(dialog.Template())),
        dialog_(dialog) {
    StyleWindow(this);
    const DialogTemplate& tmpl = dialog.Template();
    // The template's point size in the desktop's dialog face: dialog units follow it.
    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    if (tmpl.pointSize > 0) font.SetPointSize(tmpl.pointSize);
    SetFont(font);
    SetClientSize(ConvertDialogToPixels(wxSize(tmpl.cx, tmpl.cy)));
    // The model converts pixels (a dialog that grows by so many pixels) in this font.
    const wxSize baseUnits = ConvertDialogToPixels(wxSize(4, 8));
    dialog.SetBaseUnits(baseUnits.GetWidth(), baseUnits.GetHeight());
    views_.resize(tmpl.controls.size());
    for (size_t i = 0; i < tmpl.controls.size(); ++i) Create(views_[i], tmpl.controls[i]);
    Bind(wxEVT_CHAR_HOOK, &DialogWindow::OnKey, this);
    Bind(wxEVT_CLOSE_WINDOW, &DialogWindow::OnClose, this);
    Bind(wxEVT_SIZE, &DialogWindow::OnSize, this);
  }

  int Run() {
    dialog_.Start();
    if (dialog_.IsEnded()) return dialog_.Result();
    started_ = true;
    Sync();
    PlaceWindow(this);
    HookWhenShown(WindowKind::kDialog, this, &dialog_);
    ShowModal();
    if (failure_) std::rethrow_exception(failure_);
    return dialog_.Result();
  }

  // A dialog the program started and shows modelessly: the window presents the model
  // as it stands, hidden until the program shows it.
  void OpenModeless() {
    started_ = true;
    Sync();
    PlaceWindow(this);
  }
  void ShowModeless(bool visible) {
    if (visible == IsShown()) return;
    Show(visible);
    if (!visible) return;
    Repaint();
    if (!shownOnce_) {
      shownOnce_ = true;
      HookNow(WindowKind::kModeless, this, &dialog_);
    }
  }
  // The program's changes, shown now; the toolkit paints them at once.
  void Repaint() {
    Sync();
    if (!IsShown()) return;
    Update();
    PumpPaint();
  }

 private:
  wxRect Pixels(ControlKind kind, int x, int y, int cx, int cy) const {
    if (kind == ControlKind::kComboBox) cy = std::min(cy, kComboHeight);
    return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(cx, cy)));
  }

  void Create(View& view, const ControlTemplate& tmpl) {
    view.id = tmpl.id;
    view.kind = tmpl.kind;
    const wxRect place = Pixels(tmpl.kind, tmpl.x, tmpl.y, tmpl.cx, tmpl.cy);
    const auto has = [&tmpl](uint32_t bits) { return (tmpl.style & bits) != 0; };
    const int index = static_cast<int>(&view - views_.data());
    wxWindow* window = nullptr;
    switch (tmpl.kind) {
      case ControlKind::kStatic:
        if (has(kStyleBorder)) {
          auto* panel =
              new wxPanel(this, wxID_ANY, place.GetPosition(), place.GetSize(), wxBORDER_THEME);
          view.content = new wxStaticText(panel, wxID_ANY, wxString(), wxPoint(2, 1),
                                          place.GetSize() - wxSize(4, 2), wxST_NO_AUTORESIZE);
          window = panel;
        } else {
          window = new wxStaticText(this, wxID_ANY, wxString(), place.GetPosition(),
                                    place.GetSize(), wxST_NO_AUTORESIZE);
        }
        break;
      case ControlKind::kEdit: {
        long style = 0;
        if (has(kStyleMultiline)) style |= wxTE_MULTILINE;
        if (has(kStyleReadOnly)) style |= wxTE_READONLY;
        const wxTextValidator digits(wxFILTER_DIGITS);
        const wxValidator& validator =
            has(kStyleNumber) ? static_cast<const wxValidator&>(digits) : wxDefaultValidator;
        window = new wxTextCtrl(this, wxID_ANY, wxString(), place.GetPosition(), place.GetSize(),
                                style, validator);
        window->Bind(wxEVT_TEXT, [this, index](wxCommandEvent&) { OnTyped(index); });
        break;
      }
      case ControlKind::kPushButton:
      case ControlKind::kDefPushButton: {
        auto* button =
            new wxButton(this, wxID_ANY, wxString(), place.GetPosition(), place.GetSize());
        if (tmpl.kind == ControlKind::kDefPushButton) button->SetDefault();
        button->Bind(wxEVT_BUTTON, [this, index](wxCommandEvent&) { Clicked(index); });
        window = button;
        break;
      }
      case ControlKind::kCheckBox:
        window = new wxCheckBox(this, wxID_ANY, wxString(), place.GetPosition(), place.GetSize(),
                                wxCHK_3STATE);
        window->Bind(wxEVT_CHECKBOX, [this, index](wxCommandEvent&) { Clicked(index); });
        break;
      case ControlKind::kRadioButton:
        // The model keeps the group. GTK cannot clear a radio button, only check another
        // of its group: each button gets a group of its own with a hidden partner that
        // is checked when the button is not.
        window = new wxRadioButton(this, wxID_ANY, wxString(), place.GetPosition(), place.GetSize(),
                                   wxRB_GROUP);
        window->Bind(wxEVT_RADIOBUTTON, [this, index](wxCommandEvent&) { Clicked(index); });
        view.radioOff =
            new wxRadioButton(this, wxID_ANY, wxString(), place.GetPosition(), wxSize(0, 0));
        view.radioOff->SetName(kRadioPartnerName);
        view.radioOff->Hide();
        break;
      case ControlKind::kGroupBox:
        window = new wxStaticBox(this, wxID_ANY, wxString(), place.GetPosition(), place.GetSize());
        break;
      case ControlKind::kComboBox: {
        long style = has(kStyleDropDownList) ? wxCB_READONLY : wxCB_DROPDOWN;
        auto* combo = new wxComboBox(this, wxID_ANY, wxString(), place.GetPosition(),
                                     place.GetSize(), wxArrayString(), style);
        combo->Bind(wxEVT_COMBOBOX, [this, index, combo](wxCommandEvent&) {
          const int selection = combo->GetSelection();
          Act([&] { dialog_.Select(views_[static_cast<size_t>(index)].id, selection); });
        });
        if (!has(kStyleDropDownList)) {
          combo->Bind(wxEVT_TEXT, [this, index](wxCommandEvent&) { OnTyped(index); });
        }
        window = combo;
        break;
      }
      case ControlKind::kListBox: {
        auto* list = new wxListBox(this, wxID_ANY, place.GetPosition(), place.GetSize(), 0, nullptr,
                                   wxLB_SINGLE);
        list->Bind(wxEVT_LISTBOX, [this, index, list](wxCommandEvent&) {
          const int selection = list->GetSelection();
          Act([&] { dialog_.Select(views_[static_cast<size_t>(index)].id, selection); });
        });
        list->Bind(wxEVT_LISTBOX_DCLICK, [this, index](wxCommandEvent&) {
          Act([&] { dialog_.DoubleClick(views_[static_cast<size_t>(index)].id); });
        });
        window = list;
        break;
      }
      case ControlKind::kTreeView: {
        auto* tree = new wxTreeCtrl(
            this, wxID_ANY, place.GetPosition(), place.GetSize(),
            wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_HIDE_ROOT | wxTR_SINGLE | wxBORDER_THEME);
        tree->Bind(wxEVT_TREE_SEL_CHANGED, [this, index, tree](wxTreeEvent& event) {
          const TreeItemHandle handle = HandleOf(tree, event.GetItem());
          if (handle == kTreeNone) return;
          Act([&] { dialog_.SelectTreeItem(views_[static_cast<size_t>(index)].id, handle); });
        });
        tree->Bind(wxEVT_TREE_ITEM_ACTIVATED, [this, index](wxTreeEvent&) {
          Act([&] { dialog_.DoubleClick(views_[static_cast<size_t>(index)].id); });
        });
        const auto expanded = [this, index, tree](wxTreeEvent& event) {
          OnExpanded(index, HandleOf(tree, event.GetItem()),
                     event.GetEventType() == wxEVT_TREE_ITEM_EXPANDED);
        };
        tree->Bind(wxEVT_TREE_ITEM_EXPANDED, expanded);
        tree->Bind(wxEVT_TREE_ITEM_COLLAPSED, expanded);
        window = tree;
        break;
      }
      case ControlKind::kListView: {
        auto* list = new wxDataViewListCtrl(this, wxID_ANY, place.GetPosition(), place.GetSize(),
                                            wxDV_SINGLE | wxDV_ROW_LINES);
        list->Bind(wxEVT_DATAVIEW_SELECTION_CHANGED, [this, index, list](wxDataViewEvent&) {
          const int row = list->GetSelectedRow();
          if (row == wxNOT_FOUND) return;
          Act([&] { dialog_.Select(views_[static_cast<size_t>(index)].id, row); });
        });
        list->Bind(wxEVT_DATAVIEW_ITEM_ACTIVATED, [this, index](wxDataViewEvent&) {
          Act([&] { dialog_.DoubleClick(views_[static_cast<size_t>(index)].id); });
        });
        window = list;
        break;
      }
      case ControlKind::kProgress:
        window = new wxGauge(this, wxID_ANY, kBarSteps, place.GetPosition(), place.GetSize(),
                             wxGA_HORIZONTAL | wxGA_SMOOTH);
        break;
    }
    view.window = window;
    if (view.content == nullptr) view.content = window;
    window->SetName(ControlName(tmpl.id));
    window->Bind(wxEVT_SET_FOCUS, [this, index](wxFocusEvent& event) {
      focusShown_ = views_[static_cast<size_t>(index)].id;
      dialog_.SetFocus(focusShown_);
      event.Skip();
    });
  }

  static TreeItemHandle HandleOf(wxTreeCtrl* tree, const wxTreeItemId& item) {
    if (!item.IsOk()) return kTreeNone;
    auto* data = static_cast<TreeHandle*>(tree->GetItemData(item));
    return data != nullptr ? data->Get() : kTreeNone;
  }

  // --- From the user to the model ----------------------------------------------------

  // Runs one event call and shows its outcome; a dialog that has ended leaves its loop.
  // An exception from a handler ends the loop too and reaches the caller of Run.
  template <typename Call>
  void Act(Call call) {
    if (syncing_ || !started_ || failure_) return;
    try {
      call();
    } catch (...) {
      failure_ = std::current_exception();
      if (IsModal()) EndModal(kIdCancel);
      return;
    }
    if (dialog_.IsEnded()) {
      if (IsModal()) EndModal(dialog_.Result());
      return;
    }
    Sync();
  }

  void Clicked(int index) {
    Act([&] { dialog_.Click(views_[static_cast<size_t>(index)].id); });
  }

  void OnTyped(int index) {
    if (syncing_ || !started_) return;
    View& view = views_[static_cast<size_t>(index)];
    auto* entry = dynamic_cast<wxTextEntry*>(view.window);
    std::wstring text = FromWx(entry->GetValue());
    if (view.kind == ControlKind::kComboBox) {
      // Picking from the list changes the text too; the selection event reports it.
      auto* combo = static_cast<wxComboBox*>(view.window);
      const int selection = combo->GetSelection();
      if (selection != wxNOT_FOUND &&
          combo->GetString(static_cast<unsigned>(selection)) == entry->GetValue()) {
        return;
      }
    } else if ((dialog_.Template().controls[static_cast<size_t>(index)].style & kStyleMultiline) !=
               0) {
      // Windows' multi-line edits hold their line ends as "\r\n".
      std::wstring crlf;
      for (wchar_t c : text) {
        if (c == L'\n') crlf += L'\r';
        crlf += c;
      }
      text = std::move(crlf);
    }
    // What the control holds now is what it shows; only a model that differs is pushed.
    view.shown.text = text;
    Act([&] { dialog_.TypeText(view.id, text); });
  }

  void OnExpanded(int index, TreeItemHandle handle, bool expanded) {
    if (syncing_ || !started_ || handle == kTreeNone) return;
    View& view = views_[static_cast<size_t>(index)];
    dialog_.ExpandTreeItem(view.id, handle, expanded);
    if (static_cast<size_t>(handle) < view.shown.treeItems.size()) {
      view.shown.treeItems[static_cast<size_t>(handle)].expanded = expanded;
    }
  }

  void OnKey(wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE && !event.HasAnyModifiers()) {
      Act([&] { dialog_.PressEscape(); });
      return;
    }
    event.Skip();
  }

  void OnClose(wxCloseEvent& event) {
    // The close box is Cancel, as on Windows; a dialog that refuses stays open.
    Act([&] { dialog_.PressEscape(); });
    if (!dialog_.IsEnded() && !failure_ && event.CanVeto()) event.Veto();
  }

  void OnSize(wxSizeEvent& event) {
    event.Skip();
    if (syncing_ || !started_) return;
    const wxSize units = ConvertPixelsToDialog(GetClientSize());
    if (units.GetWidth() == dialog_.Width() && units.GetHeight() == dialog_.Height()) return;
    Act([&] { dialog_.Resize(units.GetWidth(), units.GetHeight()); });
  }

  // --- From the model to the controls ------------------------------------------------

  void Sync() {
    syncing_ = true;
    if (FromWx(GetTitle()) != dialog_.Caption()) SetTitle(Label(dialog_.Caption()));
    // The program may size the dialog itself (SetWindowSize), in OnInitDialog above all.
    const wxSize size = ConvertDialogToPixels(wxSize(dialog_.Width(), dialog_.Height()));
    if (GetClientSize() != size) SetClientSize(size);
    const std::vector<ControlState>& controls = dialog_.Controls();
    for (size_t i = 0; i < views_.size() && i < controls.size(); ++i) {
      Push(views_[i], controls[i]);
    }
    if (dialog_.GetFocus() != focusShown_) {
      focusShown_ = dialog_.GetFocus();
      for (View& view : views_) {
        if (view.id != focusShown_ || !view.window->IsEnabled()) continue;
        view.window->SetFocus();
        // As the exchange leaves a field it refuses: its text selected, to be typed over.
        if (auto* text = dynamic_cast<wxTextCtrl*>(view.window)) text->SelectAll();
        break;
      }
    }
    syncing_ = false;
  }

  void Push(View& view, const ControlState& state) {
    const bool all = !view.pushed;
    ControlState& shown = view.shown;
    if (all || state.x != shown.x || state.y != shown.y || state.cx != shown.cx ||
        state.cy != shown.cy) {
      const wxRect place = Pixels(view.kind, state.x, state.y, state.cx, state.cy);
      view.window->SetSize(place);
      if (view.content != view.window) view.content->SetSize(place.GetSize() - wxSize(4, 2));
      if (view.kind == ControlKind::kStatic && !all) WrapStatic(view, state.text);
    }
    if (all || state.visible != shown.visible) view.window->Show(state.visible);
    if (all || state.enabled != shown.enabled) view.window->Enable(state.enabled);
    switch (view.kind) {
      case ControlKind::kStatic:
        if (all || state.text != shown.text) WrapStatic(view, state.text);
        break;
      case ControlKind::kEdit: {
        auto* text = static_cast<wxTextCtrl*>(view.window);
        if (all || state.textLimit != shown.textLimit) {
          text->SetMaxLength(static_cast<unsigned long>(std::max(state.textLimit, 0)));
        }
        if (all || state.text != shown.text) {
          text->ChangeValue(Label(state.text));
          text->SetInsertionPointEnd();
        }
        break;
      }
      case ControlKind::kPushButton:
      case ControlKind::kDefPushButton:
      case ControlKind::kGroupBox:
        if (all || state.text != shown.text) view.window->SetLabel(Label(state.text));
        break;
      case ControlKind::kCheckBox: {
        auto* check = static_cast<wxCheckBox*>(view.window);
        if (all || state.text != shown.text) check->SetLabel(Label(state.text));
        check->Set3StateValue(state.check == 1   ? wxCHK_CHECKED
                              : state.check == 2 ? wxCHK_UNDETERMINED
                                                 : wxCHK_UNCHECKED);
        break;
      }
      case ControlKind::kRadioButton: {
        auto* radio = static_cast<wxRadioButton*>(view.window);
        if (all || state.text != shown.text) radio->SetLabel(Label(state.text));
        if (state.check != 0) {
          radio->SetValue(true);
        } else {
          view.radioOff->SetValue(true);
        }
        break;
      }
      case ControlKind::kComboBox: PushCombo(view, state); break;
      case ControlKind::kListBox: {
        auto* list = static_cast<wxListBox*>(view.window);
        if (all || state.items != shown.items) list->Set(Strings(state.items));
        if (state.selection >= 0 && static_cast<size_t>(state.selection) < state.items.size()) {
          list->SetSelection(state.selection);
        } else {
          list->SetSelection(wxNOT_FOUND);
        }
        break;
      }
      case ControlKind::kTreeView: PushTree(view, state); break;
      case ControlKind::kListView: PushListView(view, state); break;
      case ControlKind::kProgress: {
        long long span = static_cast<long long>(state.rangeHigh) - state.rangeLow;
        long long done = std::clamp(static_cast<long long>(state.position) - state.rangeLow, 0LL,
                                    std::max(span, 0LL));
        static_cast<wxGauge*>(view.window)
            ->SetValue(span > 0 ? static_cast<int>(done * kBarSteps / span) : 0);
        break;
      }
    }
    view.shown = state;
    view.pushed = true;
  }

  // A static's text wraps at its width, as Windows' left-aligned statics do.
  void WrapStatic(View& view, const std::wstring& text) {
    auto* label = static_cast<wxStaticText*>(view.content);
    label->SetLabel(Label(text));
    label->Wrap(label->GetSize().GetWidth());
  }

  void PushCombo(View& view, const ControlState& state) {
    auto* combo = static_cast<wxComboBox*>(view.window);
    const bool all = !view.pushed;
    if (all || state.items != view.shown.items) combo->Set(Strings(state.items));
    const bool selected =
        state.selection >= 0 && static_cast<size_t>(state.selection) < state.items.size();
    if (combo->HasFlag(wxCB_READONLY)) {
      combo->SetSelection(selected ? state.selection : wxNOT_FOUND);
      return;
    }
    if (selected && state.items[static_cast<size_t>(state.selection)] == state.text) {
      if (combo->GetSelection() != state.selection) combo->SetSelection(state.selection);
    } else if (all || state.text != view.shown.text || FromWx(combo->GetValue()) != state.text) {
      combo->ChangeValue(Label(state.text));
    }
  }

  void PushTree(View& view, const ControlState& state) {
    auto* tree = static_cast<wxTreeCtrl*>(view.window);
    const bool all = !view.pushed;
    if (all || state.imageLabels != view.shown.imageLabels) {
      tree->AssignImageList(state.imageLabels.empty() ? nullptr : MakeImageList(state.imageLabels));
    }
    if (all || !SameTreeShape(state.treeItems, view.shown.treeItems) ||
        state.imageLabels != view.shown.imageLabels) {
      tree->DeleteAllItems();
      const wxTreeItemId root = tree->AddRoot(wxString());
      view.treeIds.assign(state.treeItems.size(), wxTreeItemId());
      for (size_t i = 0; i < state.treeItems.size(); ++i) {
        const TreeItem& item = state.treeItems[i];
        if (item.deleted) continue;
        const wxTreeItemId parent =
            item.parent == kTreeRoot ? root : view.treeIds[static_cast<size_t>(item.parent)];
        if (!parent.IsOk()) continue;
        view.treeIds[i] = tree->AppendItem(parent, Label(item.text), ImageIndex(item.image, state),
                                           ImageIndex(item.selectedImage, state),
                                           new TreeHandle(static_cast<TreeItemHandle>(i)));
      }
      for (size_t i = 0; i < state.treeItems.size(); ++i) {
        if (state.treeItems[i].expanded && view.treeIds[i].IsOk()) tree->Expand(view.treeIds[i]);
      }
    } else {
      for (size_t i = 0; i < state.treeItems.size(); ++i) {
        const TreeItem& item = state.treeItems[i];
        const TreeItem& was = view.shown.treeItems[i];
        const wxTreeItemId id = view.treeIds[i];
        if (!id.IsOk()) continue;
        if (item.text != was.text) tree->SetItemText(id, Label(item.text));
        if (item.image != was.image) tree->SetItemImage(id, ImageIndex(item.image, state));
        if (item.selectedImage != was.selectedImage) {
          tree->SetItemImage(id, ImageIndex(item.selectedImage, state), wxTreeItemIcon_Selected);
        }
        if (item.expanded != was.expanded) {
          if (item.expanded) {
            tree->Expand(id);
          } else {
            tree->Collapse(id);
          }
        }
      }
    }
    const TreeItemHandle selection = state.treeSelection;
    if (selection >= 0 && static_cast<size_t>(selection) < view.treeIds.size() &&
        view.treeIds[static_cast<size_t>(selection)].IsOk()) {
      const wxTreeItemId id = view.treeIds[static_cast<size_t>(selection)];
      if (tree->GetSelection() != id) {
        tree->SelectItem(id);
        tree->EnsureVisible(id);
      }
    } else if (tree->GetSelection().IsOk()) {
      tree->Unselect();
    }
  }

  void PushListView(View& view, const ControlState& state) {
    auto* list = static_cast<wxDataViewListCtrl*>(view.window);
    const bool all = !view.pushed;
    const bool newColumns =
        all || state.columns != view.shown.columns || state.columnWidths != view.shown.columnWidths;
    if (newColumns) {
      list->DeleteAllItems();
      list->ClearColumns();
      // A list without columns still shows its rows, in one column without a heading.
      const size_t count = std::max<size_t>(state.columns.size(), 1);
      for (size_t c = 0; c < count; ++c) {
        const wxString heading = c < state.columns.size() ? wxString(state.columns[c]) : wxString();
        const int width = c < state.columnWidths.size() ? state.columnWidths[c] : -1;
        list->AppendTextColumn(heading, wxDATAVIEW_CELL_INERT, width);
      }
    }
    if (newColumns || !SameRows(state, view.shown)) {
      list->DeleteAllItems();
      const size_t columns = list->GetColumnCount();
      for (size_t row = 0; row < state.items.size(); ++row) {
        wxVector<wxVariant> cells;
        for (size_t c = 0; c < columns; ++c) {
          std::wstring text;
          if (c == 0) {
            text = state.items[row];
          } else if (row < state.subItems.size() && c - 1 < state.subItems[row].size()) {
            text = state.subItems[row][c - 1];
          }
          cells.push_back(wxVariant(wxString(text)));
        }
        list->AppendItem(cells);
      }
    }
    const int selection =
        state.selection >= 0 && static_cast<size_t>(state.selection) < state.items.size()
            ? state.selection
            : wxNOT_FOUND;
    if (list->GetSelectedRow() != selection) {
      if (selection == wxNOT_FOUND) {
        list->UnselectAll();
      } else {
        list->SelectRow(static_cast<unsigned>(selection));
      }
    }
  }

  CDialog& dialog_;
  std::vector<View> views_;
  int focusShown_ = 0;
  bool syncing_ = false;
  bool started_ = false;
  bool shownOnce_ = false;
  std::exception_ptr failure_;
};

}  // namespace

int RunDialogWindow(CDialog& dialog) {
  DialogWindow window(OwnerWindow(), dialog);
  OpenWindow open(&window);
  return window.Run();
}

namespace {

// A modeless dialog's window. The program changes the model from its own work loop
// (a transfer moving its bar block by block), so it repaints at the progress windows'
// pace.
class ModelessView : public DialogView {
 public:
  explicit ModelessView(CDialog& dialog)
      : window_(new DialogWindow(OwnerWindow(), dialog)), open_(window_) {
    window_->OpenModeless();
  }
  ~ModelessView() override {
    window_->Hide();
    delete window_;  // now, not from an idle pass the program's loop never runs
    PumpPaint();
  }
  void Show(bool visible) override {
    window_->ShowModeless(visible);
    pace_.Wait();
  }
  void Center() override { window_->CentreOnScreen(); }
  void ControlChanged(int) override { Pump(); }
  void Pump() override {
    if (pace_.Due()) pace_.Paint([this] { window_->Repaint(); });
  }

 private:
  DialogWindow* window_;
  OpenWindow open_;
  RepaintPace pace_;
};

}  // namespace

std::unique_ptr<DialogView> OpenModelessWindow(CDialog& dialog) {
  return std::make_unique<ModelessView>(dialog);
}

}  // namespace kv::gui
