// CVariableEditDlg: one variable's name, description, type and value, the value
// exchanged by its type with the KVNumber routines; "Variable Name..." picks a variable
// of the installation's common list.
#include <string>
#include <vector>

#include "KVNumber/ddx.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "path_table.h"
#include "resources.h"
#include "variable_list.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kInvalidBoolean = L"Invalid Boolean Value";

}  // namespace

CVariableEditDlg::CVariableEditDlg(PstVar* variable, kv::CWnd* parent)
    : kv::CDialog(VariableEditTemplate(), parent), m_nType(variable->type), m_pVariable(variable) {
  TakeValue(*variable);
}

void CVariableEditDlg::TakeValue(const PstVar& variable) {
  m_strName = variable.name;
  m_strDescription = variable.description;
  m_nType = variable.type;
  switch (variable.type) {
    case PstVar::kInteger: m_nIntValue = variable.intValue; break;
    case PstVar::kReal: m_dRealValue = variable.realValue; break;
    case PstVar::kBoolean: m_strValue = variable.boolValue ? L"T" : L"nil"; break;
    default: m_strValue = variable.text; break;
  }
}

void CVariableEditDlg::DoDataExchange(kv::CDataExchange* pDX) {
  kv::DDX_Text(pDX, IDC_VARIABLE_NAME, m_strName);
  kv::DDX_Text(pDX, IDC_VARIABLE_DESCRIPTION, m_strDescription);
  kv::DDX_Radio(pDX, IDC_TYPE_INTEGER, m_nType);
  switch (m_nType) {
    case PstVar::kInteger:
      DDX_Integer(pDX, IDC_VARIABLE_VALUE, m_nIntValue);
      DDV_Integer(pDX, m_nIntValue, -10000000, 10000000);
      break;
    case PstVar::kReal:
      DDX_Real(pDX, IDC_VARIABLE_VALUE, m_dRealValue);
      DDV_Real(pDX, m_dRealValue, -10000000.0, 10000000.0);
      break;
    case PstVar::kBoolean:
      kv::DDX_Text(pDX, IDC_VARIABLE_VALUE, m_strValue);
      if (pDX->m_bSaveAndValidate && !kv::EqualsNoCase(m_strValue, L"T") &&
          !kv::EqualsNoCase(m_strValue, L"nil")) {
        kv::ShowMessageBox(kInvalidBoolean);
        pDX->Fail();
      }
      break;
    default: kv::DDX_Text(pDX, IDC_VARIABLE_VALUE, m_strValue); break;
  }
}

bool CVariableEditDlg::OnCommand(int controlId, int notifyCode) {
  if (controlId == IDC_VARIABLE_PICK && notifyCode == kBnClicked) {
    OnVariableName();
    return true;
  }
  return kv::CDialog::OnCommand(controlId, notifyCode);
}

void CVariableEditDlg::OnOK() {
  if (!UpdateData(true)) return;
  PstVar& variable = *m_pVariable;
  variable.name = m_strName;
  variable.description = m_strDescription;
  variable.type = m_nType;
  switch (m_nType) {
    case PstVar::kInteger: variable.intValue = m_nIntValue; break;
    case PstVar::kReal: variable.realValue = m_dRealValue; break;
    case PstVar::kBoolean: variable.boolValue = kv::EqualsNoCase(m_strValue, L"T"); break;
    default: variable.text = m_strValue; break;
  }
  EndDialog(kv::kIdOk);
}

void CVariableEditDlg::OnVariableName() {
  const std::wstring common = ModuleInstallPath() + L"CommonVars.txt";
  std::vector<std::wstring> lines;
  ReadVariableList(common.c_str(), lines);
  CVarListDlg list(common.c_str(), &lines, 1, this);
  if (list.DoModal() != kv::kIdOk) return;
  const int picked = list.PickedIndex();
  if (picked < 0 || static_cast<size_t>(picked) >= list.Records().size()) return;
  TakeValue(*list.Records()[static_cast<size_t>(picked)]);
  UpdateData(false);
}

}  // namespace kv::datamanager
