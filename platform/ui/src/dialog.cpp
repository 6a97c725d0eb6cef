// Dialogs as models: the controls built from a template, the program's calls on them
// (texts, checks, lists, trees, progress bars) and the event calls through which a
// backend feeds a user's actions to the dialog's behaviour.
#include "KVPlatform/dialog.h"

#include <algorithm>

#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace kv {

CWnd::~CWnd() = default;
namespace {

bool Focusable(const ControlState& control) {
  switch (control.Kind()) {
    case ControlKind::kStatic:
    case ControlKind::kGroupBox:
    case ControlKind::kProgress: return false;
    default: return control.enabled && control.visible;
  }
}

// Negative when a sorts before b, without regard to case (the order of sorted lists).
int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    wchar_t x = FoldCase(a[i]);
    wchar_t y = FoldCase(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool TreeItemLive(const ControlState& control, TreeItemHandle item) {
  return item >= 0 && static_cast<size_t>(item) < control.treeItems.size() &&
         !control.treeItems[static_cast<size_t>(item)].deleted;
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, CWnd* parent)
    : CWnd(parent),
      template_(dialogTemplate),
      caption_(dialogTemplate.caption),
      cx_(dialogTemplate.cx),
      cy_(dialogTemplate.cy) {}

CDialog::~CDialog() { DestroyWindow(); }

int CDialog::DoModal() { return CurrentUi().RunModal(*this); }

bool CDialog::Create() {
  DestroyWindow();
  Start();
  if (ended_) return false;
  view_ = CurrentUi().OpenModeless(*this);
  return view_ != nullptr;
}

void CDialog::ShowWindow(bool show) {
  if (view_) view_->Show(show);
}

void CDialog::CenterWindow() {
  if (view_) view_->Center();
}

void CDialog::UpdateWindow() {
  if (view_) view_->Pump();
}

void CDialog::DestroyWindow() { view_.reset(); }

void CDialog::Changed(int controlId) {
  if (view_) view_->ControlChanged(controlId);
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange*) {}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(kIdOk);
}

void CDialog::OnCancel() { EndDialog(kIdCancel); }

bool CDialog::OnCommand(int controlId, int notifyCode) {
  if (notifyCode != kBnClicked) return false;
  if (controlId == kIdcOk) {
    OnOK();
    return true;
  }
  if (controlId == kIdcCancel) {
    OnCancel();
    return true;
  }
  return false;
}

bool CDialog::OnNotify(int, int) { return false; }

void CDialog::OnSize(int, int) {}

void CDialog::OnUserMessage(int) {}

bool CDialog::OnDrawItem(const DrawItem&, DrawnRow*) { return false; }

void CDialog::OnGetMinMaxInfo(MinMaxInfo*) {}

bool CDialog::DrawListRow(int controlId, int row, DrawnRow* drawn) {
  const ControlState* control = Live(controlId, {ControlKind::kListView});
  if (control == nullptr || !control->HasStyle(kStyleOwnerDrawFixed) || drawn == nullptr ||
      row < 0 || row >= static_cast<int>(control->items.size())) {
    return false;
  }
  DrawItem item;
  item.controlId = controlId;
  item.row = row;
  item.selected = control->selection == row;
  item.disabled = !control->enabled;
  item.data = GetItemData(controlId, row);
  *drawn = DrawnRow();
  return OnDrawItem(item, drawn);
}

void CDialog::PostUserMessage(int message) { posted_.push_back(message); }

template <typename Handler>
void CDialog::Dispatch(Handler handler) {
  ++eventDepth_;
  try {
    handler();
  } catch (...) {
    --eventDepth_;
    throw;
  }
  if (--eventDepth_ != 0) return;
  // Messages posted by these handlers join the queue and are delivered in turn.
  while (!ended_ && !posted_.empty()) {
    int message = posted_.front();
    posted_.erase(posted_.begin());
    ++eventDepth_;
    try {
      OnUserMessage(message);
    } catch (...) {
      --eventDepth_;
      throw;
    }
    --eventDepth_;
  }
  if (ended_) posted_.clear();
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const DataExchangeFailure&) {
    return false;
  }
  return true;
}

void CDialog::EndDialog(int result) {
  ended_ = true;
  result_ = result;
  posted_.clear();
}

ControlState* CDialog::GetControl(int controlId) {
  for (ControlState& control : controls_) {
    if (control.Id() == controlId) return &control;
  }
  return nullptr;
}

const ControlState* CDialog::GetControl(int controlId) const {
  for (const ControlState& control : controls_) {
    if (control.Id() == controlId) return &control;
  }
  return nullptr;
}

ControlState* CDialog::Live(int controlId, std::initializer_list<ControlKind> kinds) {
  ControlState* control = GetControl(controlId);
  if (control == nullptr) return nullptr;
  return std::find(kinds.begin(), kinds.end(), control->Kind()) != kinds.end() ? control : nullptr;
}

const ControlState* CDialog::Live(int controlId, std::initializer_list<ControlKind> kinds) const {
  const ControlState* control = GetControl(controlId);
  if (control == nullptr) return nullptr;
  return std::find(kinds.begin(), kinds.end(), control->Kind()) != kinds.end() ? control : nullptr;
}

std::wstring CDialog::GetDlgItemText(int controlId) const {
  const ControlState* control = GetControl(controlId);
  return control != nullptr ? control->text : std::wstring();
}

int CDialog::GetDlgItemText(int controlId, wchar_t* buffer, int size) const {
  if (buffer == nullptr || size <= 0) return 0;
  std::wstring text = GetDlgItemText(controlId);
  size_t count = std::min(text.size(), static_cast<size_t>(size - 1));
  std::copy_n(text.data(), count, buffer);
  buffer[count] = L'\0';
  return static_cast<int>(count);
}

void CDialog::SetDlgItemText(int controlId, std::wstring_view text) {
  if (ControlState* control = GetControl(controlId)) {
    control->text = text;
    Changed(controlId);
  }
}

int CDialog::IsDlgButtonChecked(int controlId) const {
  const ControlState* control = GetControl(controlId);
  return control != nullptr ? control->check : 0;
}

void CDialog::CheckDlgButton(int controlId, int check) {
  if (ControlState* control = GetControl(controlId)) control->check = check;
}

void CDialog::EnableControl(int controlId, bool enable) {
  if (ControlState* control = GetControl(controlId)) control->enabled = enable;
}

void CDialog::ShowControl(int controlId, bool show) {
  if (ControlState* control = GetControl(controlId)) control->visible = show;
}

void CDialog::MoveControl(int controlId, int x, int y, int cx, int cy) {
  if (ControlState* control = GetControl(controlId)) {
    control->x = x;
    control->y = y;
    control->cx = cx;
    control->cy = cy;
  }
}

// --- Layout ------------------------------------------------------------------------

namespace {

// a * b / c rounded to the nearest, halves away from zero (as MulDiv rounds); a when c
// is 0.
int MulDiv(int a, int b, int c) {
  if (c == 0) return a;
  long long product = static_cast<long long>(a) * b;
  long long divisor = c;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const long long quotient =
      product >= 0 ? (product + divisor / 2) / divisor : -((-product + divisor / 2) / divisor);
  return static_cast<int>(quotient);
}

// One axis of a control: leading edge and size for the dialog's new size.
void LayOutAxis(unsigned flags, int leading, int size, int oldExtent, int newExtent,
                int* newLeading, int* newSize) {
  const int trailing = leading + size;
  const int grown = newExtent - oldExtent;
  int first;
  if ((flags & kLayoutKeepLeading) != 0) {
    first = leading;
  } else if ((flags & kLayoutKeepSize) != 0 && (flags & kLayoutKeepTrailing) != 0) {
    first = leading + grown;
  } else {
    first = MulDiv(leading, newExtent, oldExtent);
  }
  int last;
  if ((flags & kLayoutKeepTrailing) != 0) {
    last = trailing + grown;
  } else if ((flags & kLayoutKeepSize) != 0) {
    last = first + size;
  } else {
    last = MulDiv(trailing, newExtent, oldExtent);
  }
  *newLeading = first;
  *newSize = std::max(0, last - first);
}

}  // namespace

void CDialog::SetControlLayout(int controlId, unsigned horizontal, unsigned vertical) {
  const ControlState* control = GetControl(controlId);
  if (control == nullptr) return;
  LayoutRecord record{controlId,   horizontal,  vertical, control->x, control->y,
                      control->cx, control->cy, cx_,      cy_};
  for (LayoutRecord& existing : layouts_) {
    if (existing.controlId == controlId) {
      existing = record;
      return;
    }
  }
  layouts_.push_back(record);
}

void CDialog::SetLayoutForAllControls(unsigned horizontal, unsigned vertical) {
  for (const ControlState& control : controls_) {
    SetControlLayout(control.Id(), horizontal, vertical);
  }
}

void CDialog::ApplyLayout() {
  for (const LayoutRecord& record : layouts_) {
    int x, y, cx, cy;
    LayOutAxis(record.horizontal, record.x, record.cx, record.dialogCx, cx_, &x, &cx);
    LayOutAxis(record.vertical, record.y, record.cy, record.dialogCy, cy_, &y, &cy);
    MoveControl(record.controlId, x, y, cx, cy);
  }
}

void CDialog::SetWindowSize(int cx, int cy) {
  cx_ = std::max(0, cx);
  cy_ = std::max(0, cy);
  Dispatch([&] { OnSize(cx_, cy_); });
}

void CDialog::SetBaseUnits(int x, int y) {
  if (x > 0) baseUnitX_ = x;
  if (y > 0) baseUnitY_ = y;
}

int CDialog::DialogUnitsToPixelsX(int units) const { return MulDiv(units, baseUnitX_, 4); }
int CDialog::DialogUnitsToPixelsY(int units) const { return MulDiv(units, baseUnitY_, 8); }
int CDialog::PixelsToDialogUnitsX(int pixels) const { return MulDiv(pixels, 4, baseUnitX_); }
int CDialog::PixelsToDialogUnitsY(int pixels) const { return MulDiv(pixels, 8, baseUnitY_); }

// --- Lists -------------------------------------------------------------------------

int CDialog::AddString(int controlId, std::wstring_view text) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr) return -1;
  int index = static_cast<int>(control->items.size());
  if (control->HasStyle(kStyleSort)) {
    auto after = std::upper_bound(
        control->items.begin(), control->items.end(), text,
        [](std::wstring_view a, const std::wstring& b) { return CompareNoCase(a, b) < 0; });
    index = static_cast<int>(after - control->items.begin());
  }
  return InsertString(controlId, index, text);
}

int CDialog::InsertString(int controlId, int index, std::wstring_view text) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr) return -1;
  int count = static_cast<int>(control->items.size());
  if (index == -1) index = count;
  if (index < 0 || index > count) return -1;
  control->items.insert(control->items.begin() + index, std::wstring(text));
  control->itemData.resize(static_cast<size_t>(count));
  control->itemData.insert(control->itemData.begin() + index, 0);
  control->subItems.resize(static_cast<size_t>(count));
  control->subItems.insert(control->subItems.begin() + index, {});
  if (control->selection >= index) ++control->selection;
  return index;
}

bool CDialog::DeleteString(int controlId, int index) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return false;
  }
  size_t count = control->items.size();
  control->items.erase(control->items.begin() + index);
  control->itemData.resize(count);
  control->itemData.erase(control->itemData.begin() + index);
  control->subItems.resize(count);
  control->subItems.erase(control->subItems.begin() + index);
  if (control->selection == index) {
    control->selection = -1;
  } else if (control->selection > index) {
    --control->selection;
  }
  return true;
}

void CDialog::ResetContent(int controlId) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr) return;
  control->items.clear();
  control->itemData.clear();
  control->subItems.clear();
  control->selection = -1;
  if (control->Kind() == ControlKind::kComboBox) control->text.clear();
}

int CDialog::GetCount(int controlId) const {
  const ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  return control != nullptr ? static_cast<int>(control->items.size()) : -1;
}

int CDialog::GetCurSel(int controlId) const {
  const ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  return control != nullptr ? control->selection : -1;
}

bool CDialog::SetCurSel(int controlId, int index) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr) return false;
  // As the controls do: an index out of range clears the selection and fails.
  bool inRange = index >= 0 && index < static_cast<int>(control->items.size());
  control->selection = inRange ? index : -1;
  if (control->Kind() == ControlKind::kComboBox) {
    if (inRange) {
      control->text = control->items[static_cast<size_t>(index)];
    } else if (control->HasStyle(kStyleDropDownList)) {
      control->text.clear();
    }
  }
  return inRange || index == -1;
}

std::wstring CDialog::GetItemText(int controlId, int index) const {
  const ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return {};
  }
  return control->items[static_cast<size_t>(index)];
}

bool CDialog::SetItemData(int controlId, int index, uintptr_t data) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr || index < 0 || index >= static_cast<int>(control->items.size())) {
    return false;
  }
  control->itemData.resize(control->items.size());
  control->itemData[static_cast<size_t>(index)] = data;
  return true;
}

uintptr_t CDialog::GetItemData(int controlId, int index) const {
  const ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr || index < 0 || static_cast<size_t>(index) >= control->itemData.size()) {
    return 0;
  }
  return control->itemData[static_cast<size_t>(index)];
}

int CDialog::FindStringExact(int controlId, std::wstring_view text) const {
  const ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (control == nullptr) return -1;
  for (size_t i = 0; i < control->items.size(); ++i) {
    if (EqualsNoCase(control->items[i], text)) return static_cast<int>(i);
  }
  return -1;
}

int CDialog::InsertColumn(int controlId, int column, std::wstring_view heading, int width) {
  ControlState* control = Live(controlId, {ControlKind::kListView});
  if (control == nullptr || column < 0) return -1;
  column = std::min(column, static_cast<int>(control->columns.size()));
  control->columns.insert(control->columns.begin() + column, std::wstring(heading));
  control->columnWidths.resize(control->columns.size() - 1);
  control->columnWidths.insert(control->columnWidths.begin() + column, width);
  return column;
}

bool CDialog::SetListItemText(int controlId, int row, int column, std::wstring_view text) {
  ControlState* control = Live(controlId, {ControlKind::kListView});
  if (control == nullptr || row < 0 || row >= static_cast<int>(control->items.size()) ||
      column < 0) {
    return false;
  }
  if (column == 0) {
    control->items[static_cast<size_t>(row)] = text;
    return true;
  }
  control->subItems.resize(control->items.size());
  std::vector<std::wstring>& cells = control->subItems[static_cast<size_t>(row)];
  if (cells.size() < static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column));
  cells[static_cast<size_t>(column - 1)] = text;
  return true;
}

std::wstring CDialog::GetListItemText(int controlId, int row, int column) const {
  const ControlState* control = Live(controlId, {ControlKind::kListView});
  if (control == nullptr || row < 0 || row >= static_cast<int>(control->items.size()) ||
      column < 0) {
    return {};
  }
  if (column == 0) return control->items[static_cast<size_t>(row)];
  if (static_cast<size_t>(row) >= control->subItems.size()) return {};
  const std::vector<std::wstring>& cells = control->subItems[static_cast<size_t>(row)];
  return static_cast<size_t>(column) <= cells.size() ? cells[static_cast<size_t>(column - 1)]
                                                     : std::wstring();
}

void CDialog::SetImageList(int controlId, std::vector<std::wstring> imageLabels) {
  if (ControlState* control = Live(controlId, {ControlKind::kTreeView, ControlKind::kListView})) {
    control->imageLabels = std::move(imageLabels);
  }
}

void CDialog::SetImagePictures(int controlId, std::vector<ImagePicture> images) {
  if (ControlState* control = Live(controlId, {ControlKind::kTreeView, ControlKind::kListView})) {
    control->imageLabels.clear();
    for (const ImagePicture& image : images) control->imageLabels.push_back(image.label);
    control->images = std::move(images);
  }
}

void CDialog::SetStateImageList(int controlId, std::vector<ImagePicture> images) {
  if (ControlState* control = Live(controlId, {ControlKind::kTreeView})) {
    control->stateImages = std::move(images);
  }
}

std::vector<ImagePicture> MakeImageList(const std::vector<uint32_t>& strip, int stripWidth,
                                        int imageWidth, uint32_t maskColour,
                                        const std::vector<std::wstring>& labels,
                                        const std::vector<std::wstring>& markers) {
  std::vector<ImagePicture> images;
  if (stripWidth <= 0 || imageWidth <= 0 || strip.size() % static_cast<size_t>(stripWidth) != 0) {
    return images;
  }
  const int height = static_cast<int>(strip.size() / static_cast<size_t>(stripWidth));
  for (int left = 0; left + imageWidth <= stripWidth; left += imageWidth) {
    ImagePicture image;
    size_t index = images.size();
    if (index < labels.size()) image.label = labels[index];
    if (index < markers.size()) image.marker = markers[index];
    image.width = imageWidth;
    image.height = height;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < imageWidth; ++x) {
        uint32_t rgb = strip[static_cast<size_t>(y) * static_cast<size_t>(stripWidth) +
                             static_cast<size_t>(left + x)] &
                       0xFFFFFFu;
        image.pixels.push_back(rgb == (maskColour & 0xFFFFFFu) ? 0u : (0xFF000000u | rgb));
      }
    }
    images.push_back(std::move(image));
  }
  return images;
}

// --- Trees -------------------------------------------------------------------------

TreeItemHandle CDialog::InsertTreeItem(int controlId, TreeItemHandle parent, std::wstring_view text,
                                       int image, int selectedImage, uintptr_t data) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr) return kTreeNone;
  if (parent != kTreeRoot && !TreeItemLive(*control, parent)) return kTreeNone;
  TreeItem item;
  item.text = text;
  item.image = image;
  item.selectedImage = selectedImage;
  item.data = data;
  item.parent = parent;
  control->treeItems.push_back(std::move(item));
  return static_cast<TreeItemHandle>(control->treeItems.size() - 1);
}

bool CDialog::DeleteTreeItem(int controlId, TreeItemHandle item) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return false;
  // A child always comes after its parent, so one pass finds every descendant.
  std::vector<TreeItem>& items = control->treeItems;
  std::vector<bool> gone(items.size(), false);
  for (size_t i = static_cast<size_t>(item); i < items.size(); ++i) {
    bool fromHere = static_cast<TreeItemHandle>(i) == item ||
                    (items[i].parent >= 0 && gone[static_cast<size_t>(items[i].parent)]);
    if (!fromHere) continue;
    gone[i] = true;
    items[i].deleted = true;
    if (control->treeSelection == static_cast<TreeItemHandle>(i)) {
      control->treeSelection = kTreeNone;
    }
  }
  return true;
}

void CDialog::DeleteAllTreeItems(int controlId) {
  if (ControlState* control = Live(controlId, {ControlKind::kTreeView})) {
    control->treeItems.clear();
    control->treeSelection = kTreeNone;
  }
}

std::vector<TreeItemHandle> CDialog::GetTreeChildren(int controlId, TreeItemHandle parent) const {
  std::vector<TreeItemHandle> children;
  const ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr) return children;
  for (size_t i = 0; i < control->treeItems.size(); ++i) {
    const TreeItem& item = control->treeItems[i];
    if (!item.deleted && item.parent == parent) {
      children.push_back(static_cast<TreeItemHandle>(i));
    }
  }
  return children;
}

const TreeItem* CDialog::GetTreeItem(int controlId, TreeItemHandle item) const {
  const ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return nullptr;
  return &control->treeItems[static_cast<size_t>(item)];
}

bool CDialog::SetTreeItemText(int controlId, TreeItemHandle item, std::wstring_view text) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return false;
  control->treeItems[static_cast<size_t>(item)].text = text;
  return true;
}

bool CDialog::SetTreeItemImage(int controlId, TreeItemHandle item, int image, int selectedImage) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return false;
  control->treeItems[static_cast<size_t>(item)].image = image;
  control->treeItems[static_cast<size_t>(item)].selectedImage = selectedImage;
  return true;
}

bool CDialog::SetTreeItemState(int controlId, TreeItemHandle item, int stateImage) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return false;
  control->treeItems[static_cast<size_t>(item)].stateImage = stateImage;
  return true;
}

bool CDialog::ExpandTreeItem(int controlId, TreeItemHandle item, bool expand) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr || !TreeItemLive(*control, item)) return false;
  control->treeItems[static_cast<size_t>(item)].expanded = expand;
  return true;
}

bool CDialog::SetTreeSelection(int controlId, TreeItemHandle item) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (control == nullptr) return false;
  if (item != kTreeNone && !TreeItemLive(*control, item)) return false;
  control->treeSelection = item;
  return true;
}

TreeItemHandle CDialog::GetTreeSelection(int controlId) const {
  const ControlState* control = Live(controlId, {ControlKind::kTreeView});
  return control != nullptr ? control->treeSelection : kTreeNone;
}

void CDialog::SetProgressRange(int controlId, int low, int high) {
  if (ControlState* control = Live(controlId, {ControlKind::kProgress})) {
    control->rangeLow = low;
    control->rangeHigh = high;
    Changed(controlId);
  }
}

void CDialog::SetProgressPos(int controlId, int position) {
  if (ControlState* control = Live(controlId, {ControlKind::kProgress})) {
    control->position = position;
    Changed(controlId);
  }
}

// --- Events ------------------------------------------------------------------------

void CDialog::Start() {
  controls_.clear();
  controls_.reserve(template_.controls.size());
  for (const ControlTemplate& tmpl : template_.controls) {
    ControlState control;
    control.tmpl = &tmpl;
    control.text = tmpl.text;
    control.enabled = (tmpl.style & kStyleDisabled) == 0;
    control.visible = (tmpl.style & kStyleHidden) == 0;
    control.x = tmpl.x;
    control.y = tmpl.y;
    control.cx = tmpl.cx;
    control.cy = tmpl.cy;
    controls_.push_back(std::move(control));
  }
  caption_ = template_.caption;
  cx_ = template_.cx;
  cy_ = template_.cy;
  layouts_.clear();
  focus_ = 0;
  ended_ = false;
  result_ = 0;
  posted_.clear();
  Dispatch([this] { InitAndFocus(); });
}

void CDialog::InitAndFocus() {
  // True from OnInitDialog lets the system set the focus: the first control that takes
  // it, tab stops first.
  if (OnInitDialog() && !ended_) {
    const ControlState* first = nullptr;
    for (const ControlState& control : controls_) {
      if (!Focusable(control)) continue;
      if (control.HasStyle(kStyleTabStop)) {
        first = &control;
        break;
      }
      if (first == nullptr) first = &control;
    }
    if (first != nullptr) focus_ = first->Id();
  }
}

bool CDialog::Acting(const ControlState* control) const {
  return control != nullptr && !ended_ && control->enabled && control->visible;
}

bool CDialog::Click(int controlId) {
  ControlState* control = Live(controlId, {ControlKind::kPushButton, ControlKind::kDefPushButton,
                                           ControlKind::kCheckBox, ControlKind::kRadioButton});
  if (!Acting(control)) return false;
  if (control->Kind() == ControlKind::kCheckBox) {
    control->check = control->check == 0 ? 1 : 0;
  } else if (control->Kind() == ControlKind::kRadioButton) {
    // The group: the run of radio buttons around this one, bounded by group starts.
    size_t at = static_cast<size_t>(control - controls_.data());
    size_t first = at;
    while (first > 0 && !controls_[first].HasStyle(kStyleGroup) &&
           controls_[first - 1].Kind() == ControlKind::kRadioButton) {
      --first;
    }
    for (size_t i = first; i < controls_.size(); ++i) {
      if (i > first && (controls_[i].Kind() != ControlKind::kRadioButton ||
                        controls_[i].HasStyle(kStyleGroup))) {
        break;
      }
      controls_[i].check = i == at ? 1 : 0;
    }
  }
  focus_ = controlId;
  Dispatch([&] { OnCommand(controlId, kBnClicked); });
  return true;
}

bool CDialog::TypeText(int controlId, std::wstring_view text) {
  ControlState* control = Live(controlId, {ControlKind::kEdit, ControlKind::kComboBox});
  if (!Acting(control)) return false;
  if (control->Kind() == ControlKind::kEdit) {
    if (control->HasStyle(kStyleReadOnly)) return false;
    std::wstring typed;
    for (wchar_t c : text) {
      // A number edit refuses every character but digits.
      if (control->HasStyle(kStyleNumber) && (c < L'0' || c > L'9')) continue;
      typed += c;
    }
    if (control->textLimit > 0 && typed.size() > static_cast<size_t>(control->textLimit)) {
      typed.resize(static_cast<size_t>(control->textLimit));
    }
    control->text = std::move(typed);
    focus_ = controlId;
    Dispatch([&] { OnCommand(controlId, kEnChange); });
    return true;
  }
  if (control->HasStyle(kStyleDropDownList)) return false;
  control->text = text;
  control->selection = FindStringExact(controlId, text);
  focus_ = controlId;
  Dispatch([&] { OnCommand(controlId, kCbnEditChange); });
  return true;
}

bool CDialog::Select(int controlId, int index) {
  ControlState* control =
      Live(controlId, {ControlKind::kComboBox, ControlKind::kListBox, ControlKind::kListView});
  if (!Acting(control)) return false;
  if (index < 0 || index >= static_cast<int>(control->items.size())) return false;
  control->selection = index;
  if (control->Kind() == ControlKind::kComboBox) {
    control->text = control->items[static_cast<size_t>(index)];
  }
  focus_ = controlId;
  int code = control->Kind() == ControlKind::kComboBox ? kCbnSelChange : kLbnSelChange;
  if (control->Kind() == ControlKind::kListView) {
    Dispatch([&] { OnNotify(controlId, kLvnItemChanged); });
  } else {
    Dispatch([&] { OnCommand(controlId, code); });
  }
  return true;
}

bool CDialog::SelectTreeItem(int controlId, TreeItemHandle item) {
  ControlState* control = Live(controlId, {ControlKind::kTreeView});
  if (!Acting(control) || !TreeItemLive(*control, item)) return false;
  control->treeSelection = item;
  focus_ = controlId;
  Dispatch([&] { OnNotify(controlId, kTvnSelChanged); });
  return true;
}

bool CDialog::DoubleClick(int controlId) {
  ControlState* control =
      Live(controlId, {ControlKind::kTreeView, ControlKind::kListView, ControlKind::kListBox});
  if (!Acting(control)) return false;
  focus_ = controlId;
  if (control->Kind() == ControlKind::kListBox) {
    Dispatch([&] { OnCommand(controlId, kLbnDblClk); });
  } else {
    Dispatch([&] { OnNotify(controlId, kNmDblClk); });
  }
  return true;
}

bool CDialog::Resize(int cx, int cy) {
  if (ended_ || (template_.style & kDialogResizable) == 0 || cx < 0 || cy < 0) return false;
  MinMaxInfo limits;
  OnGetMinMaxInfo(&limits);
  // Pixels to dialog units, rounded up so that the size reached is never below the least.
  cx = std::max(cx, (limits.minTrackWidth * 4 + kBaseUnitX - 1) / kBaseUnitX);
  cy = std::max(cy, (limits.minTrackHeight * 8 + kBaseUnitY - 1) / kBaseUnitY);
  cx_ = cx;
  cy_ = cy;
  Dispatch([&] { OnSize(cx, cy); });
  return true;
}

bool CDialog::PressEscape() {
  if (ended_) return false;
  Dispatch([&] { OnCommand(kIdcCancel, kBnClicked); });
  return true;
}

}  // namespace kv
