// CPathsDlg: the product path table of one installed release as a tree (groups, post
// folders, entries with their permission results), edited by double-click and stored on
// OK, Apply or a change of release.
#pragma once

#include <string>
#include <vector>

#include "KVDataManager/data_path.h"
#include "KVPlatform/dialog.h"

namespace kv::datamanager {

// The message the dialog posts to itself to rebuild the tree (WM_USER + 1).
inline constexpr int kFillTreeMessage = 1;

class CPathsDlg : public kv::CDialog {
 public:
  explicit CPathsDlg(kv::CWnd* parent = nullptr);
  ~CPathsDlg() override;

  bool OnInitDialog() override;
  void DoDataExchange(kv::CDataExchange* pDX) override;
  bool OnCommand(int controlId, int notifyCode) override;
  bool OnNotify(int controlId, int code) override;
  void OnUserMessage(int message) override;
  void OnSize(int cx, int cy) override;
  void OnGetMinMaxInfo(kv::MinMaxInfo* info) override;
  void OnOK() override;

  const kv::CObArray& Paths() const { return m_paths; }

 private:
  CDataPath& Entry(int index) const { return *static_cast<CDataPath*>(m_paths[index]); }
  // The release key of the selected item, empty when none is.
  std::wstring SelectedReleaseKey() const;
  void BuildTable();
  void DeleteEntries();
  void FillTree();
  void EditSelectedEntry();
  void ChooseFolderFor(CDataPath& entry);
  void OnReleaseChange();
  // Stores every modified entry in the release of `releaseKey`.
  void StoreModified(const std::wstring& releaseKey);
  void ApplyChanges();

  kv::CObArray m_paths;
  std::vector<kv::ImagePicture> m_images;
  CDataPath* m_pLastEdited = nullptr;
  CDataPath m_lastEdited;  // what m_pLastEdited points at once its table is gone
  int m_nRelease = -1;
  std::wstring m_strStatus;
  std::wstring m_strInstallPath;
};

// Writes an entry's value back where its kind keeps it (kinds 0, 1 and 2; others are
// not written), with the placeholders of post paths put back, and clears its modified
// flag. False, with the flag kept, when the value does not fit the variable file's
// 260-byte field.
bool StoreEntry(CDataPath& entry, const std::wstring& dataPath);

// Deletes a key of HKEY_CURRENT_USER with everything below it.
void RemoveRegistryTree(const std::wstring& key);

}  // namespace kv::datamanager
