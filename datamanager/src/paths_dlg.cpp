// CPathsDlg and DisplayPathDialog: the release list, the tree of the release's path
// table with the five path-state pictures, editing through the folder chooser, the
// variable list of a post file, removal of a command-manager tab key, and the stores.
#include "paths_dlg.h"

#include <algorithm>
#include <string>
#include <vector>

#include "KVListBoxes/folder_chooser.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "path_table.h"
#include "registry_values.h"
#include "resources.h"
#include "variable_list.h"

namespace kv::datamanager {
namespace {

// The pictures of IDB_PATH_STATES, by index.
enum PathImage { kRed = 0, kGreen = 1, kYellow = 2, kWarning = 3, kWhite = 4 };

constexpr const wchar_t* kImageLabels[] = {L"red folder", L"green folder", L"yellow folder",
                                           L"yellow folder with a red !", L"white folder"};
constexpr const wchar_t* kImageMarkers[] = {L"[XX]", L"[ok]", L"[??]", L"[!!]", L"[--]"};

constexpr const wchar_t* kAllValid = L"All Paths are Valid";
constexpr const wchar_t* kBadPaths = L"%d Bad Paths Found";
constexpr const wchar_t* kNoRelease = L"No installed release was found";
constexpr const wchar_t* kRemoveQuestion = L"Are yo sure you want to remove this registry entry?";
constexpr const wchar_t* kNotToolFolder =
    L"The selected directory is not a valid tool folder.\nThe path selected must contain the "
    L"following file\n%s";
constexpr const wchar_t* kTooLong =
    L"The path is too long to be saved in the post's variable file:\n%s";

constexpr int kMinTrackWidth = 650;
constexpr int kMinTrackHeight = 300;

// Kinds whose value is a file, a module, a server or a key: shown, not tested as folders.
bool IsFileKind(int kind) { return kind == 3 || kind == 5 || kind == 6 || kind == 7 || kind == 8; }

bool BadEntry(const CDataPath& entry) { return entry.m_checked && !entry.m_valid; }

bool Exists(const std::wstring& path) {
  kv::FileStatus status;
  return kv::GetFileStatus(path, &status).ok();
}

}  // namespace

CPathsDlg::CPathsDlg(kv::CWnd* parent)
    : kv::CDialog(PathSettingsTemplate(), parent), m_strInstallPath(ModuleInstallPath()) {}

CPathsDlg::~CPathsDlg() { DeleteEntries(); }

void CPathsDlg::DoDataExchange(kv::CDataExchange* pDX) {
  kv::DDX_CBIndex(pDX, IDC_RELEASE_COMBO, m_nRelease);
  kv::DDX_Text(pDX, IDC_PATH_STATUS, m_strStatus);
  kv::DDX_Text(pDX, IDC_INSTALL_PATH, m_strInstallPath);
}

bool CPathsDlg::OnInitDialog() {
  m_images = kv::MakeImageList(
      PathStatesBitmap(), kPathStateImageSize * kPathStateImages, kPathStateImageSize, 0xFFFFFF,
      std::vector<std::wstring>(std::begin(kImageLabels), std::end(kImageLabels)),
      std::vector<std::wstring>(std::begin(kImageMarkers), std::end(kImageMarkers)));
  SetImagePictures(IDC_PATH_TREE, m_images);
  SetStateImageList(IDC_PATH_TREE, m_images);

  // Every installed release in table order; the last one added is chosen.
  int lastRow = -1;
  for (size_t row = 0; row < ReleaseTable.size(); ++row) {
    std::wstring dataPath;
    if (!ReadProductDataPath(ReleaseTable[row].key, dataPath)) continue;
    const int index = AddString(IDC_RELEASE_COMBO, ReleaseTable[row].label);
    SetItemData(IDC_RELEASE_COMBO, index, row);
    lastRow = static_cast<int>(row);
  }
  m_nRelease = -1;
  for (int i = 0; i < GetCount(IDC_RELEASE_COMBO); ++i) {
    if (static_cast<int>(GetItemData(IDC_RELEASE_COMBO, i)) == lastRow) m_nRelease = i;
  }

  // The tree grows with the dialog; the buttons and the status line move with its
  // bottom edge.
  SetControlLayout(IDC_PATH_TREE, kv::kLayoutKeepLeading | kv::kLayoutKeepTrailing,
                   kv::kLayoutKeepLeading | kv::kLayoutKeepTrailing);
  for (int id : {kv::kIdcOk, kv::kIdcCancel, IDC_APPLY, IDC_PATH_STATUS}) {
    SetControlLayout(id, kv::kLayoutKeepLeading | kv::kLayoutKeepSize,
                     kv::kLayoutKeepSize | kv::kLayoutKeepTrailing);
  }

  UpdateData(false);
  BuildTable();
  FillTree();
  return true;
}

std::wstring CPathsDlg::SelectedReleaseKey() const {
  if (m_nRelease < 0 || m_nRelease >= GetCount(IDC_RELEASE_COMBO)) return {};
  const uintptr_t row = GetItemData(IDC_RELEASE_COMBO, m_nRelease);
  return row < ReleaseTable.size() ? ReleaseTable[row].key : std::wstring();
}

void CPathsDlg::BuildTable() {
  const std::wstring key = SelectedReleaseKey();
  if (!key.empty()) RetrieveProductPaths(key, m_paths, nullptr, nullptr);
}

void CPathsDlg::DeleteEntries() {
  // The last edited entry outlives its table as a copy, so the next tree can find its
  // counterpart.
  if (m_pLastEdited != nullptr && m_pLastEdited != &m_lastEdited) {
    m_lastEdited = *m_pLastEdited;
    m_pLastEdited = &m_lastEdited;
  }
  for (int i = 0; i < m_paths.GetSize(); ++i) delete m_paths[i];
  m_paths.RemoveAll();
}

void CPathsDlg::FillTree() {
  DeleteAllTreeItems(IDC_PATH_TREE);
  int bad = 0;
  kv::TreeItemHandle group = kv::kTreeNone;
  kv::TreeItemHandle postNode = kv::kTreeNone;
  kv::TreeItemHandle remembered = kv::kTreeNone;
  std::wstring lastPost;
  const int count = m_paths.GetSize();
  for (int i = 0; i < count; ++i) {
    CDataPath& entry = Entry(i);
    if (i == 0 || entry.m_group != Entry(i - 1).m_group) {
      if (group != kv::kTreeNone) ExpandTreeItem(IDC_PATH_TREE, group);
      bool runBad = false;
      for (int j = i; j < count && Entry(j).m_group == entry.m_group; ++j)
        runBad |= BadEntry(Entry(j));
      const int image = runBad ? kWarning : entry.m_checked ? kGreen : kWhite;
      group = InsertTreeItem(IDC_PATH_TREE, kv::kTreeRoot, entry.m_group, image, image);
      // A post folder of the same name in the next group is a node of its own.
      lastPost.clear();
      postNode = kv::kTreeNone;
    }
    kv::TreeItemHandle parent = group;
    if (!entry.m_postName.empty()) {
      if (entry.m_postName != lastPost) {
        bool runBad = false;
        for (int j = i; j < count && Entry(j).m_group == entry.m_group &&
                        Entry(j).m_postName == entry.m_postName;
             ++j) {
          runBad |= BadEntry(Entry(j));
        }
        const int image = runBad ? kWarning : kGreen;
        postNode = InsertTreeItem(
            IDC_PATH_TREE, group,
            entry.m_postName + L"  (" +
                (entry.m_version.empty() ? L"Unknown Version" : entry.m_version) + L")",
            image, image);
        lastPost = entry.m_postName;
      }
      parent = postNode;
    }
    int image = kWhite;
    if (entry.m_checked) {
      image = entry.m_valid ? kGreen : kRed;
      if (!entry.m_valid) ++bad;
    } else if (!IsFileKind(entry.m_kind)) {
      image = entry.m_valid ? kGreen : !entry.m_value.empty() ? kYellow : kWhite;
    }
    const kv::TreeItemHandle node = InsertTreeItem(
        IDC_PATH_TREE, parent,
        entry.m_label + L"  =  " + (entry.m_kind == 5 ? entry.m_version : entry.m_value), image,
        image, reinterpret_cast<uintptr_t>(&entry));
    if (!IsFileKind(entry.m_kind)) {
      auto permission = [&](const wchar_t* name, bool granted) {
        const int picture = granted ? kGreen : kRed;
        InsertTreeItem(IDC_PATH_TREE, node, name, picture, picture);
      };
      permission(L"Create", entry.m_mayCreate);
      permission(L"Write", entry.m_mayWrite);
      permission(L"Read", entry.m_mayRead);
      permission(L"Delete", entry.m_mayDelete);
      if (!entry.m_requiredFile.empty())
        permission(L"RequiredFileExists", entry.m_requiredFileFound != 0);
    }
    if (m_pLastEdited != nullptr && entry.m_group == m_pLastEdited->m_group &&
        entry.m_itemName == m_pLastEdited->m_itemName &&
        entry.m_postName == m_pLastEdited->m_postName) {
      remembered = node;
    }
  }
  if (group != kv::kTreeNone) ExpandTreeItem(IDC_PATH_TREE, group);
  if (remembered != kv::kTreeNone) {
    // Selecting an item shows it: its ancestors open.
    for (kv::TreeItemHandle up = GetTreeItem(IDC_PATH_TREE, remembered)->parent;
         up != kv::kTreeRoot; up = GetTreeItem(IDC_PATH_TREE, up)->parent) {
      ExpandTreeItem(IDC_PATH_TREE, up);
    }
    SetTreeSelection(IDC_PATH_TREE, remembered);
  }
  if (SelectedReleaseKey().empty()) {
    m_strStatus = kNoRelease;
  } else {
    m_strStatus = bad == 0 ? std::wstring(kAllValid) : kv::FormatMessageText(kBadPaths, {bad});
  }
  UpdateData(false);
}

bool CPathsDlg::OnCommand(int controlId, int notifyCode) {
  if (controlId == IDC_RELEASE_COMBO && notifyCode == kCbnSelChange) {
    OnReleaseChange();
    return true;
  }
  if (controlId == IDC_APPLY && notifyCode == kBnClicked) {
    ApplyChanges();
    return true;
  }
  return kv::CDialog::OnCommand(controlId, notifyCode);
}

bool CPathsDlg::OnNotify(int controlId, int code) {
  if (controlId == IDC_PATH_TREE && code == kNmDblClk) {
    EditSelectedEntry();
    return true;
  }
  return false;
}

void CPathsDlg::OnUserMessage(int message) {
  if (message == kFillTreeMessage) FillTree();
}

void CPathsDlg::OnSize(int, int) { ApplyLayout(); }

void CPathsDlg::OnGetMinMaxInfo(kv::MinMaxInfo* info) {
  info->minTrackWidth = kMinTrackWidth;
  info->minTrackHeight = kMinTrackHeight;
}

void CPathsDlg::EditSelectedEntry() {
  const kv::TreeItem* item = GetTreeItem(IDC_PATH_TREE, GetTreeSelection(IDC_PATH_TREE));
  if (item == nullptr || item->data == 0) return;
  CDataPath& entry = *reinterpret_cast<CDataPath*>(item->data);
  switch (entry.m_kind) {
    case 8:
      if (!entry.m_value.empty() &&
          kv::ShowMessageBox(kRemoveQuestion, kv::kMbYesNo) == kv::kIdYes) {
        RemoveRegistryTree(entry.m_value);
        entry.m_value.clear();
        PostUserMessage(kFillTreeMessage);
      }
      break;
    case 3: {
      std::vector<std::wstring> lines;
      ReadVariableList(entry.m_source.c_str(), lines);
      CVarListDlg list(entry.m_source.c_str(), &lines, 0, this);
      list.DoModal();
      break;
    }
    case 0:
    case 1:
    case 2:
    case 7: ChooseFolderFor(entry); break;
    default:  // 4, 5, 6: the installation's, not the user's
      break;
  }
}

void CPathsDlg::ChooseFolderFor(CDataPath& entry) {
  for (;;) {
    wchar_t buffer[kFolderPathSize] = {};
    entry.m_value.copy(buffer, std::min<size_t>(entry.m_value.size(), kFolderPathSize - 1));
    if (!kv_BrowseForFolder(buffer, 0, kFolderMustExist, this)) return;
    std::wstring folder = buffer;
    if (!IsTerminated(folder)) folder += L'\\';
    if (kv::EqualsNoCase(folder, entry.m_value)) return;
    if (!entry.m_requiredFile.empty()) {
      entry.m_requiredFileFound = 0;
      if (!Exists(folder + entry.m_requiredFile)) {
        kv::ShowMessageBox(kv::FormatMessageText(kNotToolFolder, {entry.m_requiredFile}),
                           kv::kMbOk);
        continue;
      }
    }
    entry.m_modified = true;
    entry.m_value = folder;
    TestEntryPermissions(entry);
    m_pLastEdited = &entry;
    PostUserMessage(kFillTreeMessage);
    return;
  }
}

void CPathsDlg::StoreModified(const std::wstring& releaseKey) {
  std::wstring dataPath;
  if (releaseKey.empty() || !ReadProductDataPath(releaseKey, dataPath)) return;
  std::wstring unstored;
  for (int i = 0; i < m_paths.GetSize(); ++i) {
    CDataPath& entry = Entry(i);
    if (entry.m_modified && !StoreEntry(entry, dataPath)) unstored += L"\n" + entry.m_value;
  }
  if (!unstored.empty()) {
    kv::ShowMessageBox(kv::FormatMessageText(kTooLong, {unstored.substr(1)}),
                       kv::kMbOk | kv::kMbIconExclamation);
  }
}

void CPathsDlg::OnReleaseChange() {
  StoreModified(SelectedReleaseKey());
  DeleteEntries();
  UpdateData(true);
  const std::wstring key = SelectedReleaseKey();
  std::wstring& installPath = ModuleInstallPath();
  if (!key.empty() &&
      ReadRegistryString(kv::Hive::kLocalMachine, key, L"Install Path", installPath) &&
      (installPath.empty() || installPath.back() != L'\\')) {
    installPath += L'\\';
  }
  m_strInstallPath = installPath;
  BuildTable();
  FillTree();
}

void CPathsDlg::ApplyChanges() { StoreModified(SelectedReleaseKey()); }

void CPathsDlg::OnOK() {
  ApplyChanges();
  EndDialog(kv::kIdOk);
}

}  // namespace kv::datamanager

using kv::datamanager::CPathsDlg;
using kv::datamanager::ModuleInstallPath;
using kv::datamanager::ReadRegistryString;

extern "C" bool DisplayPathDialog(const wchar_t* productKey, kv::CWnd* /*parent*/) {
  if (productKey != nullptr) {
    (void)ReadRegistryString(kv::Hive::kLocalMachine, productKey, L"Install Path",
                             ModuleInstallPath());
  }
  CPathsDlg dialog;
  return dialog.DoModal() == kv::kIdOk;
}
