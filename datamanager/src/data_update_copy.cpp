// The copy of a cache into the data path. Existing folders of the data path are the
// user's: only post-processor folders whose post version is older, a few named files
// and the menu archives are touched in them, and nothing is ever deleted.
#include "data_update_copy.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/copy_tree.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "data_update_log.h"
#include "data_update_versions.h"
#include "menu_files.h"
#include "path_table.h"
#include "process_wait.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kSkippedFolders[] = {L"InfoCenter", L"Plot Styles", L"Plotters",
                                              L"Support", L"Template"};

constexpr const wchar_t* kAlwaysPresentFiles[] = {
    L"kvdesign/kvdesign/precmval.bin",       L"kvdesign/kvdesign/preceval.bin",
    L"kvdesign/kvdesign/gapmval.bin",        L"kvdesign/kvdesign/gapeval.bin",
    L"kvdesign/win/kvdesignribbon2024.cuix", L"kvdesign/win/kvdieribbon2024.cuix",
};
constexpr size_t kFirstRibbonFile = 4;

constexpr unsigned kDisplayLength = 64;

bool Exists(const std::wstring& path) { return kv_AccessCheck(path.c_str(), 0, false); }

// The path line shows a path shortened for display; a path without a drive letter is
// shown as it is.
void ShowPath(CProcessWait& wait, const std::wstring& path) {
  std::vector<wchar_t> shortened(std::max<size_t>(path.size(), kDisplayLength) + 1, L'\0');
  if (kv_trunc_path(path.c_str(), shortened.data(), kDisplayLength) == 1) {
    wait.SetPath(shortened.data());
  } else {
    wait.SetPath(path);
  }
}

// A copy of one named file; a source that does not exist is nothing to copy. A failed
// copy is counted and noted, never counted as updated.
bool CopyNamedFile(const std::wstring& from, const std::wstring& to) {
  if (!Exists(from)) return true;
  if (kv::CopyFile(from, to, false).ok()) {
    LogUpdatedFile(from, to);
    CountUpdatedFile();
    return true;
  }
  CountFailedFile();
  LogNote(L"Could not copy: " + from + L" to " + to);
  return false;
}

// The cache and the data path of the update under way: links in the cache are followed
// only inside the cache, and never into the data path.
std::wstring g_cacheRoot;
std::wstring g_dataRoot;

// The compile-data file carries the post version: it is copied last and only when
// every other file of the post was copied, so that a post whose update failed or was
// cut short still reads as older and is updated again.
constexpr const wchar_t* kCompileData = L"KVPostCompileData.txt";

// The folder copy of a data update: every copy counted and logged, failures counted
// and noted, links that leave the cache (or lead into the data path) passed over and
// noted. A post's compile-data file can be held back for the end.
class UpdateCopy : public kv::CopyTreeObserver {
 public:
  explicit UpdateCopy(bool holdCompileData = false) : holdCompileData_(holdCompileData) {}

  // Copies `source` + `pattern` into `destination` with DIR_RECURSE / DIR_KEEP_EXISTING
  // in `mode`; false when any file could not be copied.
  bool Run(const std::wstring& source, const std::wstring& pattern, const std::wstring& destination,
           unsigned mode) {
    source_ = source;
    kv::CopyTreeOptions options;
    options.recurse = (mode & DIR_RECURSE) != 0;
    options.keepExisting = (mode & DIR_KEEP_EXISTING) != 0;
    options.stopAtFailure = false;
    options.confineLinks = true;
    options.linkRoot = g_cacheRoot;
    options.linkForbidden = g_dataRoot;
    return kv::CopyTree(source, pattern, destination, options, this).failed == 0;
  }

  bool WantsFile(std::wstring_view from) override {
    return !holdCompileData_ || !kv::EqualsNoCase(from, source_ + L"/" + kCompileData);
  }
  void FileCopied(std::wstring_view from, std::wstring_view to) override {
    CountUpdatedFile();
    LogUpdatedFile(std::wstring(from), std::wstring(to));
  }
  void FileFailed(std::wstring_view from, std::wstring_view to, kv::Status) override {
    CountFailedFile();
    LogNote(L"Could not copy: " + std::wstring(from) + L" to " + std::wstring(to));
  }
  void EntrySkipped(std::wstring_view path, kv::CopyTreeSkip reason) override {
    const wchar_t* why = L"a link to a folder being copied";
    switch (reason) {
      case kv::CopyTreeSkip::kLoop: break;
      case kv::CopyTreeSkip::kLinkOutside: why = L"a link that leads out of the cache"; break;
      case kv::CopyTreeSkip::kLinkIntoDestination: why = L"a link into the data path"; break;
      case kv::CopyTreeSkip::kDanglingLink: why = L"a link to nothing"; break;
    }
    LogNote(L"Not copied (" + std::wstring(why) + L"): " + std::wstring(path));
  }

 private:
  bool holdCompileData_;
  std::wstring source_;
};

// A new post-processor folder: everything, with the compile data last.
void CopyNewPost(const std::wstring& from, const std::wstring& to) {
  const bool complete =
      UpdateCopy(/*holdCompileData=*/true).Run(from, L"/*.*", to, DIR_RECURSE | DIR_KEEP_EXISTING);
  if (complete) CopyNamedFile(from + L"/" + kCompileData, to + L"/" + kCompileData);
}

// New and newer post-processor folders of cache folder `a` into existing folder `b`.
void UpdatePostProcessors(CProcessWait& wait, const std::wstring& a, const std::wstring& b) {
  for (const std::wstring& post : ListSubfolders(a + L"\\")) {
    const std::wstring from = a + L"\\" + post;
    const std::wstring to = b + L"\\" + post;
    if (!Exists(from + L"\\dft.pst")) continue;
    if (!Exists(to + L"\\dft.pst")) {
      if (CreateFolder(to.c_str())) {
        ShowPath(wait, to);
        CopyNewPost(from, to);
      }
      continue;
    }
    if (ReadPostVersion(to) >= ReadPostVersion(from)) continue;
    ShowPath(wait, to);
    bool complete = UpdateCopy().Run(from, L"/*.fas", to, 0);
    complete &= CopyNamedFile(from + L"\\" + post + L".pst", to + L"\\" + post + L".pst");
    complete &= CopyNamedFile(from + L"\\KestrelPostDetail.man", to + L"\\KestrelPostDetail.man");
    if (complete) CopyNamedFile(from + L"\\" + kCompileData, to + L"\\" + kCompileData);
  }
}

// The parent folder of a file path, with backslashes (CreateFolder walks only those).
std::wstring ParentFolder(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

}  // namespace

bool IsSkippedTopLevelFolder(const std::wstring& name) {
  return std::any_of(std::begin(kSkippedFolders), std::end(kSkippedFolders),
                     [&](const wchar_t* skipped) { return name == skipped; });
}

int CopyUpdateFolder(const std::wstring& source, const std::wstring& pattern,
                     const std::wstring& destination, unsigned mode) {
  return UpdateCopy().Run(source, pattern, destination, mode) ? 1 : 0;
}

void CopyCacheToDataPath(const std::wstring& cache, const std::wstring& dataPath,
                         kv::CWnd* parent) {
  g_cacheRoot = cache;
  g_dataRoot = dataPath;
  CProcessWait wait(L"Copying Data Files",
                    L"Please wait while the data files are copied to your data directory.", parent);
  const std::vector<std::wstring> folders = ListSubfolders(cache);
  wait.SetRange(0, static_cast<int>(folders.size()));
  int handled = 0;
  for (const std::wstring& folder : folders) {
    if (IsSkippedTopLevelFolder(folder)) continue;
    wait.SetPos(handled++);
    wait.Pump();
    const std::wstring a = cache + folder;
    const std::wstring b = dataPath + folder;
    if (!Exists(b)) {
      if (CreateFolder(b.c_str())) {
        ShowPath(wait, b);
        UpdateCopy().Run(a, L"/*.*", b, DIR_RECURSE | DIR_KEEP_EXISTING);
      }
    } else {
      UpdatePostProcessors(wait, a, b);
    }
  }
  wait.SetPos(static_cast<int>(folders.size()));  // the skipped folders are done too

  int beforeRibbons = 0;
  for (size_t i = 0; i < std::size(kAlwaysPresentFiles); ++i) {
    if (i == kFirstRibbonFile) beforeRibbons = UpdateCount();
    const std::wstring to = dataPath + kAlwaysPresentFiles[i];
    const std::wstring from = cache + kAlwaysPresentFiles[i];
    if (Exists(to) || !Exists(from)) continue;
    const std::wstring parentFolder = ParentFolder(to);
    if (!parentFolder.empty()) CreateFolder(parentFolder.c_str());
    if (kv::CopyFile(from, to, false).ok()) {
      CountUpdatedFile();
    } else {
      CountFailedFile();
      LogNote(L"Could not copy: " + from + L" to " + to);
    }
  }
  const int afterRibbons = UpdateCount();

  CheckMenuFiles(cache, dataPath);
  if (beforeRibbons != afterRibbons && UpdateCount() == afterRibbons) {
    kv::ShowMessageBox(kNewMenuFilesMessage, kv::kMbOk);
  }

  // The cache's version marks the data path as current: only an update that copied
  // everything may say so; otherwise the next start tries again.
  if (FailedCount() == 0) {
    (void)kv::CopyFile(cache + L"DataVersion.txt", dataPath + L"DataVersion.txt", false);
  }
  wait.Close();
}

}  // namespace kv::datamanager
