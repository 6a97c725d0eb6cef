// Dialogs on the console: the model shown as a numbered form, commands read line by line.
#include <map>
#include <string>
#include <vector>

#include "console_terminal.h"

namespace kv::console {
namespace {

// One dialog on the console: the form shown and the commands read.
class ConsoleForm {
 public:
  ConsoleForm(Terminal& terminal, CDialog& dialog) : terminal_(terminal), dialog_(dialog) {}

  void Run() {
    Show();
    while (!dialog_.IsEnded()) {
      terminal_.Print(L"> ");
      std::wstring line;
      if (!terminal_.ReadLine(&line)) {
        terminal_.Print(L"\n(end of input: dialog cancelled)\n");
        return;
      }
      if (Execute(Trim(line)) && !dialog_.IsEnded()) Show();
    }
  }

  // Without a terminal the form is shown once, so that what the dialog says is seen.
  void ShowCancelled() { terminal_.Print(Form() + L"(no terminal: dialog cancelled)\n"); }

 private:
  static constexpr const wchar_t* kHelp =
      L"  <id> or a button's caption: press the button, toggle the check box\n"
      L"  set <id> <text>: fill an edit field     pick <id> <n>: choose item n\n"
      L"  open <id> <n>: double-click item n      expand <id> <n>: open or close a tree item\n"
      L"  cancel: close the dialog                ?: show the dialog again\n";

 private:
  void Show() { terminal_.Print(Form() + L"(type ? for help)\n"); }

  // The caption and the visible controls, as the form shows them.
  std::wstring Form() {
    std::wstring form = L"\n== " + dialog_.Caption() + L" ==\n";
    trees_.clear();
    for (const ControlState& control : dialog_.Controls()) {
      if (control.visible) form += Describe(control);
    }
    return form;
  }

  std::wstring Describe(const ControlState& control) {
    std::wstring id = control.Id() == kIdcStatic ? L"" : std::to_wstring(control.Id());
    std::wstring head =
        (dialog_.GetFocus() == control.Id() && control.Id() != kIdcStatic) ? L"> " : L"  ";
    head += std::wstring(id.size() < 6 ? 6 - id.size() : 0, L' ') + id + L"  ";
    std::wstring indent(head.size(), L' ');
    std::wstring body;
    switch (control.Kind()) {
      case ControlKind::kStatic:
        if (control.text.empty()) return {};
        body = control.text;
        break;
      case ControlKind::kGroupBox: body = L"-- " + control.text + L" --"; break;
      case ControlKind::kEdit:
        body = L"edit: [" + control.text + L"]";
        if (control.HasStyle(kStyleReadOnly)) body += L" (read-only)";
        break;
      case ControlKind::kPushButton:
      case ControlKind::kDefPushButton: body = L"<" + Caption(control.text) + L">"; break;
      case ControlKind::kCheckBox:
        body = std::wstring(control.check == 1   ? L"[x] "
                            : control.check == 2 ? L"[-] "
                                                 : L"[ ] ") +
               Caption(control.text);
        break;
      case ControlKind::kRadioButton:
        body = std::wstring(control.check != 0 ? L"(*) " : L"( ) ") + Caption(control.text);
        break;
      case ControlKind::kComboBox:
      case ControlKind::kListBox:
      case ControlKind::kListView: body = Items(control); break;
      case ControlKind::kTreeView: body = Tree(control); break;
      case ControlKind::kProgress: {
        long long span = static_cast<long long>(control.rangeHigh) - control.rangeLow;
        long long done = std::clamp(static_cast<long long>(control.position) - control.rangeLow,
                                    0LL, std::max(span, 0LL));
        body = L"progress: " + (span > 0 ? std::to_wstring(done * 100 / span) + L"%" : L"-");
        break;
      }
    }
    if (!control.enabled) body += L" (disabled)";
    // Later lines of a text line up under its first.
    std::wstring out = head;
    for (wchar_t c : body) {
      out += c;
      if (c == L'\n') out += indent;
    }
    return out + L"\n";
  }

  std::wstring Items(const ControlState& control) {
    std::wstring body;
    if (control.Kind() == ControlKind::kComboBox) {
      body = L"combo: [" + control.text + L"]";
    } else if (control.Kind() == ControlKind::kListBox) {
      body = L"list:";
    } else {
      body = L"list:";
      for (size_t c = 0; c < control.columns.size(); ++c) {
        body += (c == 0 ? L" " : L" | ") + control.columns[c];
      }
    }
    for (size_t i = 0; i < control.items.size(); ++i) {
      body += L"\n" + std::wstring(static_cast<int>(i) == control.selection ? L"  * " : L"    ") +
              std::to_wstring(i + 1) + L". ";
      // An owner-drawn row shows the cells the dialog draws.
      DrawnRow drawn;
      if (control.HasStyle(kStyleOwnerDrawFixed) &&
          dialog_.DrawListRow(control.Id(), static_cast<int>(i), &drawn)) {
        for (size_t c = 0; c < drawn.cells.size(); ++c) {
          body += (c == 0 ? L"" : L" | ") + drawn.cells[c].text;
        }
        continue;
      }
      body += control.items[i];
      if (i < control.subItems.size()) {
        for (const std::wstring& cell : control.subItems[i]) body += L" | " + cell;
      }
    }
    return body;
  }

  // An image as text: its picture's marker, else "[label]"; nothing for none.
  static std::wstring Marker(const std::vector<ImagePicture>& pictures, size_t index,
                             const std::vector<std::wstring>& labels) {
    if (index < pictures.size() && !pictures[index].marker.empty()) {
      return pictures[index].marker + L" ";
    }
    if (index < pictures.size()) return L"[" + pictures[index].label + L"] ";
    if (index < labels.size()) return L"[" + labels[index] + L"] ";
    return {};
  }

  // Items are numbered in the order shown; the children of closed items are not shown.
  std::wstring Tree(const ControlState& control) {
    std::vector<TreeItemHandle>& shown = trees_[control.Id()];
    std::wstring body = L"tree:";
    AddTreeLevel(control, kTreeRoot, 0, &shown, &body);
    return body;
  }

  void AddTreeLevel(const ControlState& control, TreeItemHandle parent, int depth,
                    std::vector<TreeItemHandle>* shown, std::wstring* body) {
    for (TreeItemHandle handle : dialog_.GetTreeChildren(control.Id(), parent)) {
      const TreeItem& item = control.treeItems[static_cast<size_t>(handle)];
      bool hasChildren = !dialog_.GetTreeChildren(control.Id(), handle).empty();
      shown->push_back(handle);
      std::wstring line = L"\n" + std::wstring(control.treeSelection == handle ? L"  * " : L"    ");
      line += std::wstring(static_cast<size_t>(depth) * 2, L' ');
      line += hasChildren ? (item.expanded ? L"- " : L"+ ") : L"  ";
      line += std::to_wstring(shown->size()) + L". ";
      if (item.stateImage > 0) {
        line += Marker(control.stateImages, static_cast<size_t>(item.stateImage - 1), {});
      }
      int image = control.treeSelection == handle ? item.selectedImage : item.image;
      if (image >= 0)
        line += Marker(control.images, static_cast<size_t>(image), control.imageLabels);
      *body += line + item.text;
      if (hasChildren && item.expanded) AddTreeLevel(control, handle, depth + 1, shown, body);
    }
  }

  // Runs one command line; true when the form should be shown again.
  bool Execute(const std::wstring& line) {
    if (line.empty() || line == L"?" || EqualsNoCase(line, L"help")) {
      if (line == L"?" || EqualsNoCase(line, L"help")) terminal_.Print(kHelp);
      return line.empty();
    }
    std::wstring verb = line.substr(0, line.find(L' '));
    std::wstring rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : L"";
    if (EqualsNoCase(verb, L"set")) return Set(rest);
    if (EqualsNoCase(verb, L"pick") || EqualsNoCase(verb, L"open") ||
        EqualsNoCase(verb, L"expand")) {
      return Pick(FoldCase(verb), rest);
    }
    if (int id = 0; Number(line, &id)) return Press(id);
    // A button's caption, with or without its trailing "...".
    for (const ControlState& control : dialog_.Controls()) {
      ControlKind kind = control.Kind();
      bool button = kind == ControlKind::kPushButton || kind == ControlKind::kDefPushButton ||
                    kind == ControlKind::kCheckBox || kind == ControlKind::kRadioButton;
      if (!button || !control.visible) continue;
      std::wstring caption = Caption(control.text);
      std::wstring bare = caption;
      while (!bare.empty() && (bare.back() == L'.' || bare.back() == L' ')) bare.pop_back();
      if (EqualsNoCase(line, caption) || (!bare.empty() && EqualsNoCase(line, bare))) {
        return Press(control.Id());
      }
    }
    if (EqualsNoCase(line, L"cancel") || EqualsNoCase(line, L"esc")) {
      dialog_.PressEscape();
      return true;
    }
    terminal_.Print(L"Unknown command; type ? for help.\n");
    return false;
  }

  static bool Number(std::wstring_view text, int* value) {
    if (text.empty() || text.size() > 9) return false;
    size_t start = text[0] == L'-' ? 1 : 0;
    if (start == text.size()) return false;
    int result = 0;
    for (size_t i = start; i < text.size(); ++i) {
      if (text[i] < L'0' || text[i] > L'9') return false;
      result = result * 10 + (text[i] - L'0');
    }
    *value = start == 1 ? -result : result;
    return true;
  }

  bool Refused(int id) {
    terminal_.Print(L"Control " + std::to_wstring(id) +
                    L" does not take that now (no such control, another kind, disabled or "
                    L"hidden).\n");
    return false;
  }

  bool Press(int id) { return dialog_.Click(id) ? true : Refused(id); }

  bool Set(const std::wstring& rest) {
    std::wstring idText = rest.substr(0, rest.find(L' '));
    std::wstring text = rest.size() > idText.size() ? rest.substr(idText.size() + 1) : L"";
    int id = 0;
    if (!Number(idText, &id)) {
      terminal_.Print(L"Usage: set <id> <text>\n");
      return false;
    }
    return dialog_.TypeText(id, text) ? true : Refused(id);
  }

  bool Pick(const std::wstring& verb, const std::wstring& rest) {
    std::wstring idText = Trim(rest.substr(0, rest.find(L' ')));
    std::wstring nText = rest.size() > idText.size() ? Trim(rest.substr(idText.size() + 1)) : L"";
    int id = 0;
    int n = 0;
    if (!Number(idText, &id) || !Number(nText, &n) || n < 1) {
      terminal_.Print(L"Usage: " + verb + L" <id> <n>\n");
      return false;
    }
    const ControlState* control = dialog_.GetControl(id);
    if (control == nullptr) return Refused(id);
    if (control->Kind() == ControlKind::kTreeView) {
      auto shown = trees_.find(id);
      if (shown == trees_.end() || static_cast<size_t>(n) > shown->second.size()) {
        return Refused(id);
      }
      TreeItemHandle item = shown->second[static_cast<size_t>(n - 1)];
      if (verb == L"EXPAND") {
        const TreeItem* treeItem = dialog_.GetTreeItem(id, item);
        return treeItem != nullptr && dialog_.ExpandTreeItem(id, item, !treeItem->expanded);
      }
      if (!dialog_.SelectTreeItem(id, item)) return Refused(id);
    } else {
      if (verb == L"EXPAND" || !dialog_.Select(id, n - 1)) return Refused(id);
    }
    if (verb == L"OPEN" && !dialog_.IsEnded()) dialog_.DoubleClick(id);
    return true;
  }

  Terminal& terminal_;
  CDialog& dialog_;
  // Per tree control, the items in the order the form numbered them.
  std::map<int, std::vector<TreeItemHandle>> trees_;
};

}  // namespace

int RunConsoleDialog(Terminal& terminal, CDialog& dialog) {
  dialog.Start();
  if (!dialog.IsEnded()) {
    if (terminal.Interactive()) {
      ConsoleForm(terminal, dialog).Run();
    } else {
      ConsoleForm(terminal, dialog).ShowCancelled();
    }
  }
  if (!dialog.IsEnded()) dialog.PressEscape();
  // A dialog whose Cancel handler refuses to close is closed all the same: nobody is
  // left to answer it.
  if (!dialog.IsEnded()) dialog.EndDialog(kIdCancel);
  return dialog.Result();
}

bool ChooseConsoleFolder(Terminal& terminal, std::wstring_view title, std::wstring* folder) {
  const std::wstring current = folder != nullptr ? *folder : std::wstring();
  std::wstring head =
      L"\n== " + std::wstring(title.empty() ? L"Choose a folder" : title) + L" ==\n";
  if (!current.empty()) head += L"Current folder: " + current + L"\n";
  if (!terminal.Interactive()) {
    terminal.Print(head + L"(no terminal: folder chooser cancelled)\n");
    return false;
  }
  terminal.Print(head + (current.empty() ? L"Folder (an empty line cancels): "
                                         : L"Folder (Enter keeps the current one, - cancels): "));
  std::wstring line;
  if (!terminal.ReadLine(&line)) {
    terminal.Print(L"\n(end of input: folder chooser cancelled)\n");
    return false;
  }
  line = Trim(line);
  if (line.empty() && !current.empty()) {
    terminal.Print(L"(kept " + current + L")\n");
    return true;
  }
  if (line.empty() || line == L"-") {
    terminal.Print(L"(cancelled)\n");
    return false;
  }
  if (folder != nullptr) *folder = line;
  return true;
}

}  // namespace kv::console
