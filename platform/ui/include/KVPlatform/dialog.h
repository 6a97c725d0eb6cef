// Dialogs as models: a template (the counterpart of a resource script's DIALOG, kept as
// data in its library), the state of its controls, and the dialog class that holds the
// behaviour (init, data exchange, OK, Cancel, command handlers). A UI backend only
// presents the model and feeds events back through the event calls at the end of
// CDialog.
//
// Data exchange works as MFC's: a CDataExchange carries the direction, prepares a
// control, and fails by throwing; UpdateData catches the failure and returns false.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <initializer_list>
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
  // Styles of list views, tree views and combo boxes (from bit 16 up). They say how a
  // backend presents the control; the model keeps its data the same way whatever they
  // are, except kStyleOwnerDrawFixed (rows drawn by the dialog, see DrawListRow).
  kStyleReportView = 1u << 16,      // list view: rows with columns
  kStyleSingleSel = 1u << 17,       // list view: one row selected at a time
  kStyleShowSelAlways = 1u << 18,   // list and tree views: selection shown without focus
  kStyleOwnerDrawFixed = 1u << 19,  // list view: the dialog draws each row
  kStyleNoSortHeader = 1u << 20,    // list view: column headers are no buttons
  kStyleHasButtons = 1u << 21,      // tree view: +/- buttons
  kStyleHasLines = 1u << 22,        // tree view: lines between items
  kStyleLinesAtRoot = 1u << 23,     // tree view: lines and buttons at the root too
  kStyleNoDragDrop = 1u << 24,      // tree view: items are not dragged
  kStyleDropDown = 1u << 25,        // combo box: an edit field over its list
  kStyleVScroll = 1u << 26,         // a vertical scroll bar
};

// Control ids of the standard buttons.
inline constexpr int kIdcOk = 1;
inline constexpr int kIdcCancel = 2;
inline constexpr int kIdcStatic = -1;

struct KV_EXPORT ControlTemplate {
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
  kDialogTopmost = 1u << 3,     // WS_EX_TOPMOST: above every other window
  kDialogToolWindow = 1u << 4,  // WS_EX_TOOLWINDOW: a small caption, no taskbar entry
};

// How a control follows the dialog when the dialog's size changes, one set of flags per
// axis (the leading edge is the left or top one, the trailing edge the right or bottom):
//   kLayoutKeepLeading   the leading edge stays where it was;
//   kLayoutKeepSize      the control keeps its size (the trailing edge follows the
//                        leading edge);
//   kLayoutKeepTrailing  the trailing edge keeps its distance from the dialog's
//                        trailing edge.
// KeepSize with KeepTrailing moves the whole control with the dialog's trailing edge;
// without flags both edges scale with the dialog. For the leading edge KeepLeading goes
// before KeepSize with KeepTrailing; for the trailing edge KeepTrailing goes before
// KeepSize. Examples, the dialog 10 units taller, a control at 58 and 10 high:
//   KeepSize | KeepTrailing (5)    => at 68, 10 high     (moves down)
//   KeepLeading | KeepTrailing (6) => at 58, 20 high     (stretches)
enum LayoutFlags : unsigned {
  kLayoutNone = 0,
  kLayoutKeepSize = 1,
  kLayoutKeepLeading = 2,
  kLayoutKeepTrailing = 4,
};

// A dialog unit is a quarter of the dialog font's average character width across and an
// eighth of its height down. These are the base units (pixels per average character)
// of the templates' font, "MS Shell Dlg" 8 at 96 dots per inch; a backend that measures
// its own font tells a dialog with CDialog::SetBaseUnits.
inline constexpr int kStandardBaseUnitX = 6;
inline constexpr int kStandardBaseUnitY = 13;

struct KV_EXPORT DialogTemplate {
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

struct KV_EXPORT TreeItem {
  std::wstring text;
  int image = 0;
  int selectedImage = 0;
  int stateImage = 0;  // 1-based index into the state image list; 0 for none
  uintptr_t data = 0;
  TreeItemHandle parent = kTreeRoot;
  bool expanded = false;
  bool deleted = false;
};

// One picture of an image list, for backends that draw: `width` x `height` pixels, row
// by row from the top, each 0xAARRGGBB (alpha 0 where the bitmap had its mask colour).
// `label` says what it shows ("red folder"); `marker` is a few characters that stand for
// it on a text screen ("[x]").
struct KV_EXPORT ImagePicture {
  std::wstring label;
  std::wstring marker;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// CImageList::Create from a bitmap: cuts a strip of 0xRRGGBB pixels (`stripWidth`
// wide, rows from the top) into pictures `imageWidth` wide, making `maskColour`
// transparent; labels and markers are taken in order (missing ones stay empty).
KV_EXPORT std::vector<ImagePicture> MakeImageList(const std::vector<uint32_t>& strip,
                                                  int stripWidth, int imageWidth,
                                                  uint32_t maskColour,
                                                  const std::vector<std::wstring>& labels,
                                                  const std::vector<std::wstring>& markers = {});

// Owner-drawn rows (list views with kStyleOwnerDrawFixed): the dialog draws a row as
// data, which a backend renders: a background and a text colour of the system's, and
// cells whose text is clipped to the cell, with etched edges where asked.
enum class SysColor { kWindow, kWindowText, kHighlight, kHighlightText, kGrayText };
enum CellEdge : uint32_t { kEdgeNone = 0, kEdgeRight = 1u << 0, kEdgeBottom = 1u << 1 };

struct KV_EXPORT DrawnCell {
  std::wstring text;
  int left = 0;   // pixels from the row's left
  int width = 0;  // pixels; the text is clipped to it
  uint32_t etchedEdges = kEdgeNone;
};

struct KV_EXPORT DrawnRow {
  SysColor background = SysColor::kWindow;
  SysColor foreground = SysColor::kWindowText;
  std::vector<DrawnCell> cells;
};

// What the dialog is asked to draw (DRAWITEMSTRUCT).
struct KV_EXPORT DrawItem {
  int controlId = 0;
  int row = 0;
  bool selected = false;
  bool disabled = false;
  uintptr_t data = 0;  // the row's item data
};

// WM_GETMINMAXINFO: the least size the user may give a resizable dialog, in pixels.
struct KV_EXPORT MinMaxInfo {
  int minTrackWidth = 0;
  int minTrackHeight = 0;
};

// Pixels per 4 horizontal and 8 vertical dialog units for the dialog font the templates
// name ("MS Shell Dlg" 8 at 96 dpi), for models without a real font. A backend that
// measures its font converts with its own figures.
inline constexpr int kBaseUnitX = 6;
inline constexpr int kBaseUnitY = 13;

// The live state of one control.
struct KV_EXPORT ControlState {
  const ControlTemplate* tmpl = nullptr;
  std::wstring text;                // edit and static text, button caption
  int check = 0;                    // check boxes and radio buttons: 0, 1 or 2
  int selection = -1;               // combo and list boxes, -1 for none
  std::vector<std::wstring> items;  // combo, list box and list view rows
  std::vector<uintptr_t> itemData;  // one per item
  std::vector<TreeItem> treeItems;  // tree controls
  TreeItemHandle treeSelection = kTreeNone;
  int rangeLow = 0, rangeHigh = 100, position = 0;  // progress bars
  int textLimit = 0;                                // edit controls: 0 for none
  bool enabled = true;
  bool visible = true;
  // List views: the column headings and widths (pixels), and per row the texts of
  // columns 1..n (column 0 is `items`).
  std::vector<std::wstring> columns;
  std::vector<int> columnWidths;
  std::vector<std::vector<std::wstring>> subItems;
  // Tree and list views: what each image index of the control's image list shows (a
  // name such as "green folder"), for backends that draw no pictures.
  std::vector<std::wstring> imageLabels;
  // The image list's pictures when the dialog gave them (SetImagePictures),
  // and the state image list's (tree views).
  std::vector<ImagePicture> images;
  std::vector<ImagePicture> stateImages;
  // The control's place now (dialog units); the template's until a dialog moves it.
  int x = 0, y = 0, cx = 0, cy = 0;

  int Id() const { return tmpl != nullptr ? tmpl->id : kIdcStatic; }
  ControlKind Kind() const { return tmpl != nullptr ? tmpl->kind : ControlKind::kStatic; }
  bool HasStyle(uint32_t bits) const { return tmpl != nullptr && (tmpl->style & bits) != 0; }
};

class CDialog;
class DialogView;

// A window: what owns a dialog or a message box.
class KV_EXPORT CWnd {
 public:
  explicit CWnd(CWnd* parent = nullptr) : parent_(parent) {}
  virtual ~CWnd();
  CWnd* GetParent() const { return parent_; }

 protected:
  CWnd* parent_;
};

// Thrown by CDataExchange::Fail and caught by CDialog::UpdateData.
struct KV_EXPORT DataExchangeFailure {};

class KV_EXPORT CDataExchange {
 public:
  CDataExchange(CDialog* dialog, bool saveAndValidate);

  // Marks a control as the one being exchanged (the one focused when Fail ends it).
  // A control the dialog does not have is a program error: std::invalid_argument,
  // which UpdateData lets through.
  void PrepareCtrl(int controlId);
  void PrepareEditCtrl(int controlId);
  // Ends the exchange by throwing DataExchangeFailure; when saving, the focus goes to
  // the last prepared control first, so the user can correct it.
  [[noreturn]] void Fail();

  bool m_bSaveAndValidate;
  CDialog* m_pDlgWnd;
  int m_idLastControl = 0;
  bool m_bEditLastControl = false;
};

class KV_EXPORT CDialog : public CWnd {
 public:
  CDialog(const DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
  ~CDialog() override;

  // Runs the dialog modally through the UI backend; returns the end result.
  virtual int DoModal();

  // Modeless use (progress windows). Create starts the dialog (controls, OnInitDialog)
  // and opens it through the UI backend, hidden; false, with no window, when the dialog
  // ended in its init. ShowWindow, CenterWindow and UpdateWindow act on the open window
  // and do nothing without one; DestroyWindow (or the destructor) closes it. While it is
  // open, SetDlgItemText, SetProgressRange and SetProgressPos (data exchange included)
  // tell the backend which control changed.
  bool Create();
  void ShowWindow(bool show);
  void CenterWindow();
  void UpdateWindow();
  void DestroyWindow();
  bool IsWindowOpen() const { return view_ != nullptr; }

  // Behaviour, overridden by the dialog classes.
  virtual bool OnInitDialog();                      // default: UpdateData(false), true
  virtual void DoDataExchange(CDataExchange* pDX);  // default: nothing
  virtual void OnOK();      // default: UpdateData(true), then EndDialog(IDOK)
  virtual void OnCancel();  // default: EndDialog(IDCANCEL)
  // A command from a control (a click, a change); the default routes IDOK and IDCANCEL.
  virtual bool OnCommand(int controlId, int notifyCode);
  // A notification from a list or tree control; default: not handled.
  virtual bool OnNotify(int controlId, int code);
  // The dialog's size changed (resizable dialogs); sizes in dialog units.
  virtual void OnSize(int cx, int cy);
  // A message the dialog posted to itself (PostUserMessage); default: nothing.
  virtual void OnUserMessage(int message);
  // An owner-drawn row to draw (see DrawListRow); default: not drawn (false).
  virtual bool OnDrawItem(const DrawItem& item, DrawnRow* row);
  // The least size of a resizable dialog (WM_GETMINMAXINFO); default: none.
  virtual void OnGetMinMaxInfo(MinMaxInfo* info);

  // Runs DoDataExchange in one direction; false when it failed (Fail), true otherwise.
  bool UpdateData(bool saveAndValidate = true);
  void EndDialog(int result);
  // Posts a message (the counterpart of WM_USER + n) to the dialog itself: it reaches
  // OnUserMessage once the event being handled (or Start's OnInitDialog) has returned,
  // in posting order; messages still queued when the dialog ends are dropped.
  void PostUserMessage(int message);

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

  // Every control in template order (empty before Start).
  const std::vector<ControlState>& Controls() const { return controls_; }
  void ShowControl(int controlId, bool show);
  // Moves a control (dialog units), as a re-layout on resizing does.
  void MoveControl(int controlId, int x, int y, int cx, int cy);
  // The dialog's size now (dialog units): the template's until Resize.
  int Width() const { return cx_; }
  int Height() const { return cy_; }

  // Layout on resizing, the same under every backend. SetControlLayout records a
  // control's place relative to the dialog's size now, with its flags per axis
  // (LayoutFlags); a control recorded again keeps the latest record. ApplyLayout places
  // every recorded control for the dialog's size now (a dialog's OnSize calls it).
  void SetControlLayout(int controlId, unsigned horizontal, unsigned vertical);
  void SetLayoutForAllControls(unsigned horizontal, unsigned vertical);
  void ApplyLayout();
  // The program resizes the dialog (dialog units), as moving its window does: the new
  // size, then OnSize. Unlike Resize, any dialog, resizable or not.
  void SetWindowSize(int cx, int cy);

  // Pixels and dialog units in this dialog's font (rounded to the nearest).
  void SetBaseUnits(int x, int y);
  int DialogUnitsToPixelsX(int units) const;
  int DialogUnitsToPixelsY(int units) const;
  int PixelsToDialogUnitsX(int pixels) const;
  int PixelsToDialogUnitsY(int pixels) const;

  // Combo boxes, list boxes and list views (rows). AddString keeps a sorted control
  // (kStyleSort) sorted without regard to case and returns the new item's index; the
  // selection stays on the item it was on. Indexes out of range fail (-1 or false) and
  // change nothing, except SetCurSel, which then clears the selection as the controls
  // do. SetCurSel is the program's selection: no notification; -1 clears it.
  int AddString(int controlId, std::wstring_view text);
  int InsertString(int controlId, int index, std::wstring_view text);
  bool DeleteString(int controlId, int index);
  void ResetContent(int controlId);
  int GetCount(int controlId) const;
  int GetCurSel(int controlId) const;
  bool SetCurSel(int controlId, int index);
  std::wstring GetItemText(int controlId, int index) const;
  bool SetItemData(int controlId, int index, uintptr_t data);
  uintptr_t GetItemData(int controlId, int index) const;  // 0 when out of range
  // The first item equal to `text` without regard to case, -1 when none.
  int FindStringExact(int controlId, std::wstring_view text) const;

  // List views in report view: columns, and the texts of a row's cells.
  int InsertColumn(int controlId, int column, std::wstring_view heading, int width);
  bool SetListItemText(int controlId, int row, int column, std::wstring_view text);
  std::wstring GetListItemText(int controlId, int row, int column) const;

  // Tree and list views: what the images of the control's image list show.
  void SetImageList(int controlId, std::vector<std::wstring> imageLabels);
  // The image list with its pictures (their labels fill imageLabels).
  void SetImagePictures(int controlId, std::vector<ImagePicture> images);
  // Tree views: the state image list (items refer to it by TreeItem::stateImage).
  void SetStateImageList(int controlId, std::vector<ImagePicture> images);
  bool SetTreeItemState(int controlId, TreeItemHandle item, int stateImage);

  // Owner-drawn list views: how row `row` looks now (selected, disabled, its data), as
  // the dialog draws it through OnDrawItem. False when the control is no such list view,
  // the row does not exist or the dialog drew nothing. Backends call it to paint.
  bool DrawListRow(int controlId, int row, DrawnRow* drawn);

  // Tree controls. Handles stay valid until their item is deleted; DeleteAllTreeItems
  // invalidates every handle. Insert appends under `parent` (kTreeRoot for a root item)
  // and returns kTreeNone when the control or the parent does not exist.
  TreeItemHandle InsertTreeItem(int controlId, TreeItemHandle parent, std::wstring_view text,
                                int image, int selectedImage, uintptr_t data = 0);
  // Deletes an item with all its descendants; the selection is cleared when it was
  // among them.
  bool DeleteTreeItem(int controlId, TreeItemHandle item);
  void DeleteAllTreeItems(int controlId);
  // The live children of `parent` (kTreeRoot: the root items) in insertion order.
  std::vector<TreeItemHandle> GetTreeChildren(int controlId, TreeItemHandle parent) const;
  // The live item of a handle, null for a deleted or unknown one.
  const TreeItem* GetTreeItem(int controlId, TreeItemHandle item) const;
  bool SetTreeItemText(int controlId, TreeItemHandle item, std::wstring_view text);
  bool SetTreeItemImage(int controlId, TreeItemHandle item, int image, int selectedImage);
  bool ExpandTreeItem(int controlId, TreeItemHandle item, bool expand = true);
  // The program's selection: no notification. kTreeNone clears it.
  bool SetTreeSelection(int controlId, TreeItemHandle item);
  TreeItemHandle GetTreeSelection(int controlId) const;

  // Progress bars.
  void SetProgressRange(int controlId, int low, int high);
  void SetProgressPos(int controlId, int position);

  // Event calls for backends (and scripted tests): they change the model as a user
  // would and run the behaviour. Start builds the controls and runs OnInitDialog.
  // Each returns false, changing nothing, when the control does not exist, is disabled
  // or hidden, does not take that event, or the dialog has ended.
  void Start();
  // A button: OnCommand(id, BN_CLICKED). Check boxes toggle between 0 and 1, and radio
  // buttons check themselves and clear the rest of their group, before the command, as
  // automatic buttons do.
  bool Click(int controlId);
  // An edit (or a combo box's edit field): the text, cut to the edit's limit, then
  // EN_CHANGE (CBN_EDITCHANGE for a combo box).
  bool TypeText(int controlId, std::wstring_view text);
  // A combo or list box: the selection, then CBN_SELCHANGE / LBN_SELCHANGE through
  // OnCommand; a list view: the selection, then LVN_ITEMCHANGED through OnNotify.
  bool Select(int controlId, int index);
  bool SelectTreeItem(int controlId, TreeItemHandle item);  // tree: selection, TVN_SELCHANGED
  // A double click on the selected row or tree item: NM_DBLCLK through OnNotify (list
  // and tree views), LBN_DBLCLK through OnCommand (list boxes).
  bool DoubleClick(int controlId);
  // The user resized the dialog (resizable dialogs): the new size, then OnSize. A size
  // below the dialog's minimum tracking size (OnGetMinMaxInfo, converted with
  // kBaseUnitX/kBaseUnitY) is raised to it, as the frame would.
  bool Resize(int cx, int cy);
  // The Escape key: IDCANCEL through OnCommand, whether or not a Cancel button exists.
  bool PressEscape();

  // Notification codes passed to OnCommand / OnNotify.
  static constexpr int kBnClicked = 0;
  static constexpr int kEnChange = 0x300;
  static constexpr int kCbnSelChange = 1;
  static constexpr int kCbnEditChange = 5;
  static constexpr int kLbnSelChange = 1;
  static constexpr int kLbnDblClk = 2;
  static constexpr int kTvnSelChanged = -402;
  static constexpr int kNmDblClk = -3;
  static constexpr int kLvnItemChanged = -101;

 private:
  // The control of an id when it is of one of the kinds, else null.
  ControlState* Live(int controlId, std::initializer_list<ControlKind> kinds);
  const ControlState* Live(int controlId, std::initializer_list<ControlKind> kinds) const;
  bool Acting(const ControlState* control) const;
  void InitAndFocus();
  // Tells an open modeless window that a control changed.
  void Changed(int controlId);
  // Runs the handlers of one event, then, outside any other event, the posted messages.
  template <typename Handler>
  void Dispatch(Handler handler);

  const DialogTemplate& template_;
  std::wstring caption_;
  std::vector<ControlState> controls_;
  int focus_ = 0;
  bool ended_ = false;
  int result_ = 0;
  int cx_ = 0, cy_ = 0;
  std::vector<int> posted_;
  int eventDepth_ = 0;
  std::unique_ptr<DialogView> view_;
  // Layout records: the control's place and the dialog's size when recorded.
  struct LayoutRecord {
    int controlId;
    unsigned horizontal, vertical;
    int x, y, cx, cy;
    int dialogCx, dialogCy;
  };
  std::vector<LayoutRecord> layouts_;
  int baseUnitX_ = kStandardBaseUnitX;
  int baseUnitY_ = kStandardBaseUnitY;
};

// The framework's exchange routines for plain controls. A routine that fails has shown
// its message (OK button, exclamation icon) and left the member unchanged.
//
// Numbers are read between optional blanks, independent of the C locale; a bad one
// shows "Please enter an integer." / "Please enter a number." and fails:
//   " 12 " => 12    "+5" => 5    "12a", "", "2147483648" => fail       (int)
//   "1.5" => 1.5    "-2e3" => -2000    "1,5", "inf", "1e999" => fail  (double)
// Loading writes an int in decimal and a double as "%.15g" writes it (0.1 => "0.1").
KV_EXPORT void DDX_Text(CDataExchange* pDX, int controlId, std::wstring& value);
KV_EXPORT void DDX_Text(CDataExchange* pDX, int controlId, int& value);
KV_EXPORT void DDX_Text(CDataExchange* pDX, int controlId, double& value);
// 0, 1 or 2; loading a value outside that range loads (and sets the member to) 0.
KV_EXPORT void DDX_Check(CDataExchange* pDX, int controlId, int& value);
// The selection's index, -1 for none; loading an index out of range clears it.
KV_EXPORT void DDX_CBIndex(CDataExchange* pDX, int controlId, int& index);
// Saving reads the combo's text. Loading selects the first item that begins with the
// value (without regard to case); when none does, the value goes into the edit field
// (a drop-down list has none and keeps its selection).
KV_EXPORT void DDX_CBString(CDataExchange* pDX, int controlId, std::wstring& value);
KV_EXPORT void DDX_LBIndex(CDataExchange* pDX, int controlId, int& index);
// A group of radio buttons starting at `controlId` (the group runs to the next control
// that starts a group or is no radio button): the index of the checked one, -1 for none.
KV_EXPORT void DDX_Radio(CDataExchange* pDX, int controlId, int& value);
// Saving: a longer value shows "Please enter no more than N characters." and fails.
// Otherwise, after an edit control's exchange, limits what the edit takes.
KV_EXPORT void DDV_MaxChars(CDataExchange* pDX, const std::wstring& value, int maxChars);

}  // namespace kv
