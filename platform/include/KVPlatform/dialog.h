// Dialogs as models: a template (the counterpart of a resource script's DIALOG, kept as
// data in its library), the state of its controls, and the dialog class that holds the
// behaviour (init, data exchange, OK, Cancel, command handlers). A UI backend only
// presents the model and feeds events back through the event calls at the end of
// CDialog.
//
// Data exchange works as MFC's: a CDataExchange carries the direction, prepares a
// control, and fails by throwing; UpdateData catches the failure and returns false.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

enum class ControlKind {
  kStatic,
  kEdit,
  kPushButton,
  kDefPushButton,
  kCheckBox,
  kRadioButton,
  kGroupBox,
  kComboBox,
  kListBox,
  kTreeView,
  kListView,
  kProgress,
};

// Style bits of a control (the ones the system's templates use).
enum ControlStyle : uint32_t {
  kStyleNone = 0,
  kStyleBorder = 1u << 0,
  kStyleTabStop = 1u << 1,
  kStyleAutoHScroll = 1u << 2,
  kStyleReadOnly = 1u << 3,
  kStyleMultiline = 1u << 4,
  kStyleDisabled = 1u << 5,
  kStyleHidden = 1u << 6,
  kStyleGroup = 1u << 7,
  kStyleDropDownList = 1u << 8,
  kStyleSort = 1u << 9,
  kStyleNumber = 1u << 10,
};

// Control ids of the standard buttons.
inline constexpr int kIdcOk = 1;
inline constexpr int kIdcCancel = 2;
inline constexpr int kIdcStatic = -1;

struct ControlTemplate {
  int id = kIdcStatic;
  ControlKind kind = ControlKind::kStatic;
  int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  std::wstring text;
  uint32_t style = kStyleNone;
};

// Dialog style bits.
enum DialogStyle : uint32_t {
  kDialogModalFrame = 1u << 0,
  kDialogSysMenu = 1u << 1,
  kDialogResizable = 1u << 2,
};

struct DialogTemplate {
  int id = 0;
  std::wstring caption;
  int cx = 0, cy = 0;  // dialog units
  std::wstring font = L"MS Shell Dlg";
  int pointSize = 8;
  uint32_t style = kDialogModalFrame | kDialogSysMenu;
  std::vector<ControlTemplate> controls;

  const ControlTemplate* Find(int controlId) const;
};

// One item of a tree control; handles are indexes into the tree's item list.
using TreeItemHandle = int;
inline constexpr TreeItemHandle kTreeRoot = -1;
inline constexpr TreeItemHandle kTreeNone = -2;

struct TreeItem {
  std::wstring text;
  int image = 0;
  int selectedImage = 0;
  uintptr_t data = 0;
  TreeItemHandle parent = kTreeRoot;
  bool expanded = false;
  bool deleted = false;
};

// The live state of one control.
struct ControlState {
  const ControlTemplate* tmpl = nullptr;
  std::wstring text;                 // edit and static text, button caption
  int check = 0;                     // check boxes and radio buttons: 0, 1 or 2
  int selection = -1;                // combo and list boxes, -1 for none
  std::vector<std::wstring> items;   // combo, list box and list view rows
  std::vector<uintptr_t> itemData;   // one per item
  std::vector<TreeItem> treeItems;   // tree controls
  TreeItemHandle treeSelection = kTreeNone;
  int rangeLow = 0, rangeHigh = 100, position = 0;  // progress bars
  int textLimit = 0;                 // edit controls: 0 for none
  bool enabled = true;
  bool visible = true;
};

class CDialog;

// A window: what owns a dialog or a message box.
class CWnd {
 public:
  explicit CWnd(CWnd* parent = nullptr) : parent_(parent) {}
  virtual ~CWnd() = default;
  CWnd* GetParent() const { return parent_; }

 protected:
  CWnd* parent_;
};

// Thrown by CDataExchange::Fail and caught by CDialog::UpdateData.
struct DataExchangeFailure {};

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate);

  // Marks a control as the one being exchanged (the one focused when Fail ends it).
  void PrepareCtrl(int controlId);
  void PrepareEditCtrl(int controlId);
  // Ends the exchange: focus goes to the last prepared control; throws.
  [[noreturn]] void Fail();

  bool m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
  int m_idLastControl = 0;
  bool m_bEditLastControl = false;
};

class CDialog : public CWnd {
 public:
  CDialog(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally through the UI backend; returns the end result.
  virtual int DoModal();

  // Behaviour, overridden by the dialog classes.
  virtual bool OnInitDialog();                   // default: UpdateData(false), true
  virtual void DoDataExchange(CDataExchange* pDX);  // default: nothing
  virtual void OnOK();                           // default: UpdateData(true), then EndDialog(IDOK)
  virtual void OnCancel();                       // default: EndDialog(IDCANCEL)
  // A command from a control (a click, a change); the default routes IDOK and IDCANCEL.
  virtual bool OnCommand(int controlId, int notifyCode);
  // A notification from a list or tree control; default: not handled.
  virtual bool OnNotify(int controlId, int code);
  // The dialog's size changed (resizable dialogs); sizes in dialog units.
  virtual void OnSize(int cx, int cy);

  bool UpdateData(bool saveAndValidate = true);
  void EndDialog(int result);

  const DialogTemplate& Template() const { return template_; }
  ControlState* GetControl(int controlId);
  const ControlState* GetControl(int controlId) const;
  std::wstring GetDlgItemText(int controlId) const;
  // GetWindowText into a buffer of `size` characters: at most size - 1 copied,
  // terminated; returns the number copied.
  int GetDlgItemText(int controlId, wchar_t* buffer, int size) const;
  void SetDlgItemText(int controlId, std::wstring_view text);
  int IsDlgButtonChecked(int controlId) const;
  void CheckDlgButton(int controlId, int check);
  void EnableControl(int controlId, bool enable);
  void SetFocus(int controlId) { focus_ = controlId; }
  int GetFocus() const { return focus_; }
  bool IsEnded() const { return ended_; }
  int Result() const { return result_; }
  const std::wstring& Caption() const { return caption_; }
  void SetCaption(std::wstring_view caption) { caption_ = caption; }

  // Event calls for backends (and scripted tests): they change the model as a user
  // would and run the behaviour. Start builds the controls and runs OnInitDialog.
  void Start();
  void Click(int controlId);                       // a button: OnCommand(id, BN_CLICKED)
  void TypeText(int controlId, std::wstring_view text);  // an edit: text, then EN_CHANGE
  void Select(int controlId, int index);           // combo or list: selection, CBN_SELCHANGE
  void SelectTreeItem(int controlId, TreeItemHandle item);  // tree: selection, TVN_SELCHANGED

  // Notification codes passed to OnCommand / OnNotify.
  static constexpr int kBnClicked = 0;
  static constexpr int kEnChange = 0x300;
  static constexpr int kCbnSelChange = 1;
  static constexpr int kTvnSelChanged = -402;

 private:
  const DialogTemplate& template_;
  std::wstring caption_;
  std::vector<ControlState> controls_;
  int focus_ = 0;
  bool ended_ = false;
  int result_ = 0;
};

// The framework's exchange routines for plain controls.
void DDX_Text(CDataExchange* pDX, int controlId, std::wstring& value);
void DDX_Text(CDataExchange* pDX, int controlId, int& value);
void DDX_Text(CDataExchange* pDX, int controlId, double& value);
void DDX_Check(CDataExchange* pDX, int controlId, int& value);
void DDX_CBIndex(CDataExchange* pDX, int controlId, int& index);
void DDX_CBString(CDataExchange* pDX, int controlId, std::wstring& value);
void DDX_LBIndex(CDataExchange* pDX, int controlId, int& index);
void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars);

}  // namespace kv
