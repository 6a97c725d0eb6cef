// CVarListDlg: the variables of a list file in an owner-drawn list of three columns,
// with Add, Edit and Delete, saved on OK; in pick mode OK also names the variable picked.
#include <algorithm>
#include <string>

#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "resources.h"
#include "variable_list.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kDuplicate = L"That Variable is already in the list";
constexpr const wchar_t* kNoSelection = L"No item selected.";
constexpr const wchar_t* kSaveFailed =
    L"Error writing the variable list file\n%s\nCheck permission levels.";

}  // namespace

CVarListDlg::CVarListDlg(const wchar_t* filePath, std::vector<std::wstring>* lines, int mode,
                         kv::CWnd* parent)
    : kv::CDialog(VariableListTemplate(), parent),
      m_strFilePath(filePath != nullptr ? filePath : L""),
      m_nMode(mode),
      m_pLines(lines) {
  if (m_pLines != nullptr) LoadVariables(*m_pLines, m_variables);
}

CVarListDlg::~CVarListDlg() {
  for (PstVar* variable : m_variables) delete variable;
}

bool CVarListDlg::OnInitDialog() {
  InsertColumn(IDC_VARIABLE_LIST, 0, L"Name", 120);
  InsertColumn(IDC_VARIABLE_LIST, 1, L"Description", 310);
  InsertColumn(IDC_VARIABLE_LIST, 2, L"Value", 150);
  FillList();
  return kv::CDialog::OnInitDialog();
}

void CVarListDlg::FillList() {
  ResetContent(IDC_VARIABLE_LIST);
  for (size_t i = 0; i < m_variables.size(); ++i) {
    const PstVar& variable = *m_variables[i];
    const int row = AddString(IDC_VARIABLE_LIST, variable.name);
    SetItemData(IDC_VARIABLE_LIST, row, reinterpret_cast<uintptr_t>(&variable));
    SetListItemText(IDC_VARIABLE_LIST, row, 1, variable.description);
    SetListItemText(IDC_VARIABLE_LIST, row, 2, DisplayValue(variable));
  }
}

// A row as the list draws it: window colours, highlight colours when selected, grey
// text when disabled; each cell clipped to its column with an etched right and bottom
// edge.
bool CVarListDlg::OnDrawItem(const kv::DrawItem& item, kv::DrawnRow* row) {
  const auto* variable = reinterpret_cast<const PstVar*>(item.data);
  const kv::ControlState* list = GetControl(item.controlId);
  if (variable == nullptr || list == nullptr) return false;
  row->background = item.selected ? kv::SysColor::kHighlight : kv::SysColor::kWindow;
  row->foreground = item.disabled   ? kv::SysColor::kGrayText
                    : item.selected ? kv::SysColor::kHighlightText
                                    : kv::SysColor::kWindowText;
  const std::wstring cells[] = {variable->name, variable->description, DisplayValue(*variable)};
  int left = 0;
  for (size_t c = 0; c < std::size(cells) && c < list->columnWidths.size(); ++c) {
    row->cells.push_back({cells[c], left, list->columnWidths[c], kv::kEdgeRight | kv::kEdgeBottom});
    left += list->columnWidths[c];
  }
  return true;
}

bool CVarListDlg::OnCommand(int controlId, int notifyCode) {
  if (notifyCode == kBnClicked) {
    switch (controlId) {
      case IDC_VARIABLE_ADD: OnAdd(); return true;
      case IDC_VARIABLE_EDIT: OnEdit(); return true;
      case IDC_VARIABLE_DELETE: OnDelete(); return true;
      default: break;
    }
  }
  return kv::CDialog::OnCommand(controlId, notifyCode);
}

bool CVarListDlg::OnNotify(int controlId, int code) {
  if (controlId == IDC_VARIABLE_LIST && code == kNmDblClk) {
    OnEdit();
    return true;
  }
  return false;
}

void CVarListDlg::OnAdd() {
  auto* variable = new PstVar;
  CVariableEditDlg dlg(variable, this);
  if (dlg.DoModal() != kv::kIdOk) {
    delete variable;
    return;
  }
  if (std::any_of(m_variables.begin(), m_variables.end(), [&](const PstVar* existing) {
        return kv::EqualsNoCase(existing->name, variable->name);
      })) {
    kv::ShowMessageBox(kDuplicate);
    delete variable;
    return;
  }
  m_variables.push_back(variable);
  FillList();
  m_bChanged = true;
}

void CVarListDlg::OnEdit() {
  const int row = GetCurSel(IDC_VARIABLE_LIST);
  if (row < 0 || static_cast<size_t>(row) >= m_variables.size()) return;
  CVariableEditDlg dlg(m_variables[static_cast<size_t>(row)], this);
  if (dlg.DoModal() != kv::kIdOk) return;
  FillList();
  SetCurSel(IDC_VARIABLE_LIST, row);
  m_bChanged = true;
}

void CVarListDlg::OnDelete() {
  const int row = GetCurSel(IDC_VARIABLE_LIST);
  if (row < 0 || static_cast<size_t>(row) >= m_variables.size()) return;
  delete m_variables[static_cast<size_t>(row)];
  m_variables.erase(m_variables.begin() + row);
  FillList();
  m_bChanged = true;
}

void CVarListDlg::OnOK() {
  if (m_nMode == 1) {
    const int row = GetCurSel(IDC_VARIABLE_LIST);
    if (row < 0) {
      kv::ShowMessageBox(kNoSelection);
      return;
    }
    m_nPicked = row;
  }
  if (m_bChanged && !SaveVariableList(m_strFilePath, m_variables)) {
    kv::ShowMessageBox(kv::FormatMessageText(kSaveFailed, {m_strFilePath}),
                       kv::kMbOk | kv::kMbIconError);
    return;
  }
  EndDialog(kv::kIdOk);
}

}  // namespace kv::datamanager
