// Custom variable lists: text files with one variable per line in a parenthesised list
// form, and the dialogs that show and edit them (CVarListDlg, CVariableEditDlg).
//
//   (NCTOOLS                  "" "Tooling folder                " "C:\Tools\" ()())
//    name padded to 24         empty  description padded to 30    value
#pragma once

#include <string>
#include <vector>

#include "KVPlatform/dialog.h"

namespace kv::datamanager {

// One variable of a list.
class PstVar {
 public:
  enum Type { kInteger = 0, kReal = 1, kString = 2, kBoolean = 3, kOther = 4 };
  int type = kInteger;
  std::wstring name = L"Test";
  std::wstring description = L"Description";
  bool boolValue = false;
  int intValue = 0;
  double realValue = 0;
  std::wstring text;  // String and Other values
};

// The variable lines of a list file (left-trimmed lines that begin with "("), without
// those whose name begins with a name listed in the install path's "Unneededvars.txt".
// A missing file adds nothing.
void ReadVariableList(const wchar_t* filePath, std::vector<std::wstring>& lines);

// Reads one variable line (see the type rules in variable_list.cpp).
PstVar ParseVariable(const std::wstring& line);
// The value as a list line writes it: Integer in decimal, Real as rtos(value, 4),
// String in double quotes, Boolean "T" or "nil", Other unchanged.
std::wstring FormatValue(const PstVar& variable);
// The value as the list shows it (String without its quotes).
std::wstring DisplayValue(const PstVar& variable);
// One line of a list file, with its line end.
std::wstring FormatVariableLine(const PstVar& variable);

// The records of the lines; a name met again (without regard to case) takes the later
// line's values in the first record's place.
void LoadVariables(const std::vector<std::wstring>& lines, std::vector<PstVar*>& records);

// Writes a list file: the records' lines, in order. The file it replaces is kept first
// as file + "org" (the first time) or file + "old" (later); the new list is written to
// a temporary file and renamed over the old one, so an interrupted save leaves the old
// list or the new. False when the list could not be written (the old one stays).
bool SaveVariableList(const std::wstring& filePath, const std::vector<PstVar*>& records);

// The dialog that lists the variables of a file. Mode 0 edits the list; mode 1 picks a
// variable (PickedIndex after OK).
class CVarListDlg : public kv::CDialog {
 public:
  CVarListDlg(const wchar_t* filePath, std::vector<std::wstring>* lines, int mode,
              kv::CWnd* parent = nullptr);
  ~CVarListDlg() override;

  bool OnInitDialog() override;
  bool OnCommand(int controlId, int notifyCode) override;
  bool OnNotify(int controlId, int code) override;
  bool OnDrawItem(const kv::DrawItem& item, kv::DrawnRow* row) override;
  void OnOK() override;

  const std::vector<PstVar*>& Records() const { return m_variables; }
  int PickedIndex() const { return m_nPicked; }

 private:
  void FillList();
  void OnAdd();
  void OnEdit();
  void OnDelete();

  std::vector<PstVar*> m_variables;
  std::wstring m_strFilePath;
  int m_nMode;
  bool m_bChanged = false;
  int m_nPicked = -1;
  std::vector<std::wstring>* m_pLines;
};

// The dialog that edits one variable.
class CVariableEditDlg : public kv::CDialog {
 public:
  explicit CVariableEditDlg(PstVar* variable, kv::CWnd* parent = nullptr);

  void DoDataExchange(kv::CDataExchange* pDX) override;
  bool OnCommand(int controlId, int notifyCode) override;
  void OnOK() override;

 private:
  void OnVariableName();
  void TakeValue(const PstVar& variable);

  std::wstring m_strName;
  std::wstring m_strDescription;
  int m_nType;
  double m_dRealValue = 0;
  int m_nIntValue = 0;
  std::wstring m_strValue;
  PstVar* m_pVariable;
};

}  // namespace kv::datamanager
