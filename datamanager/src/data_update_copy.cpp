// The copy of a cache into the data path. Existing folders of the data path are the
// user's: only post-processor folders whose post version is older, a few named files
// and the menu archives are touched in them, and nothing is ever deleted.
#include "data_update_copy.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "data_update_log.h"
#include "data_update_versions.h"
#include "menu_files.h"
#include "process_wait.h"
#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kSkippedFolders[] = {L"InfoCenter", L"Plot Styles", L"Plotters",
                                              L"Support", L"Template"};

constexpr const wchar_t* kAlwaysPresentFiles[] = {
    L"kvdesign/kvdesign/precmval.bin",         L"kvdesign/kvdesign/preceval.bin",
    L"kvdesign/kvdesign/gapmval.bin",          L"kvdesign/kvdesign/gapeval.bin",
    L"kvdesign/win/kvdesignribbon2024.cuix", L"kvdesign/win/kvdieribbon2024.cuix",
};
constexpr size_t kFirstRibbonFile = 4;

constexpr int kCopyRetries = 100;
constexpr unsigned kDisplayLength = 64;

bool Exists(const std::wstring& path) { return kv_AccessCheck(path.c_str(), 0, false); }

// The subfolders of a folder (names not beginning with a dot), in listing order.
std::vector<std::wstring> Subfolders(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(folder + L"*", &search).ok()) return names;
  do {
    const kv::DirectoryEntry& entry = search->Entry();
    if (entry.isDirectory && !entry.name.empty() && entry.name[0] != L'.') {
      names.push_back(entry.name);
    }
  } while (search->Next());
  return names;
}

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

// One file of an updated post-processor: overwritten, and counted and logged when the
// copy succeeded.
void CopyPostFile(const std::wstring& from, const std::wstring& to) {
  if (!kv::CopyFile(from, to, false).ok()) return;
  LogUpdatedFile(from, to);
  CountUpdatedFile();
}

// New and newer post-processor folders of cache folder `a` into existing folder `b`.
void UpdatePostProcessors(CProcessWait& wait, const std::wstring& a, const std::wstring& b) {
  for (const std::wstring& post : Subfolders(a + L"\\")) {
    const std::wstring from = a + L"\\" + post;
    const std::wstring to = b + L"\\" + post;
    if (!Exists(from + L"\\dft.pst")) continue;
    if (!Exists(to + L"\\dft.pst")) {
      if (CreateFolder(to.c_str())) {
        ShowPath(wait, to);
        CopyUpdateFolder(from, L"/*.*", to, DIR_RECURSE | DIR_KEEP_EXISTING);
      }
      continue;
    }
    if (ReadPostVersion(to) >= ReadPostVersion(from)) continue;
    ShowPath(wait, to);
    CopyUpdateFolder(from, L"/*.fas", to, 0);
    CopyPostFile(from + L"\\" + post + L".pst", to + L"\\" + post + L".pst");
    CopyPostFile(from + L"\\KestrelPostDetail.man", to + L"\\KestrelPostDetail.man");
    // The compile data carries the post version: copied last, so that a post whose
    // update was cut short still reads as older and is updated again.
    CopyPostFile(from + L"\\KVPostCompileData.txt", to + L"\\KVPostCompileData.txt");
  }
}

// The parent folder of a file path, with backslashes (CreateFolder walks only those).
std::wstring ParentFolder(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  const size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

struct ListedEntry {
  std::wstring name;
  bool isDirectory = false;
};

// The entries a directory search lists for `searchPath` (a folder and a pattern), in
// its order. False when the folder can't be listed or nothing matches.
bool ListFolder(const std::wstring& searchPath, std::vector<ListedEntry>* entries) {
  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(searchPath, &search).ok()) return false;
  do {
    entries->push_back({search->Entry().name, search->Entry().isDirectory});
  } while (search->Next());
  return true;
}

// The two folders of one level of a folder copy, resolved to host folders once. Files
// are copied between them as the platform's CopyFile copies (contents, permission bits
// and modification time; an existing file is replaced only by a complete copy, never
// left torn; a folder or read-only destination is refused), and a destination name
// that exists in another case is the one written, as names are on Windows. Resolving each file's path again would cost a walk of the whole
// path per file. When a folder can't be resolved, each file goes through CopyFile.
class FolderPair {
 public:
  FolderPair(const std::wstring& source, const std::wstring& destination)
      : source_(source), destination_(destination) {
    resolved_ = kv::ResolvePath(source, &sourceHost_).ok() &&
                kv::ResolvePath(destination, &destinationHost_).ok();
  }

  // Copies the file `name`; false when it was not copied (with failIfExists, also
  // when the destination exists).
  bool Copy(const std::wstring& name, bool failIfExists) {
    if (!resolved_) {
      return kv::CopyFile(source_ + L"/" + name, destination_ + L"/" + name, failIfExists).ok();
    }
    ListDestination();
    const std::wstring folded = kv::FoldCase(name);
    const auto existing = destinationNames_.find(folded);
    const bool exists = existing != destinationNames_.end();
    if (exists && failIfExists) return false;
    const std::string hostName = exists ? existing->second : kv::WideToAnsi(name);
    const fs::path from = sourceHost_ / kv::WideToAnsi(name);
    const fs::path to = destinationHost_ / hostName;
    std::error_code error;
    if (exists) {
      const fs::file_status status = fs::status(to, error);
      if (error || fs::is_directory(status) ||
          (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        return false;
      }
    }
    // A new file is written in place (a failed copy removes it); an existing one is
    // replaced only by a complete copy.
    const fs::path target = exists ? destinationHost_ / ("." + hostName + ".kvupdate") : to;
    if (!fs::copy_file(from, target,
                       exists ? fs::copy_options::overwrite_existing : fs::copy_options::none,
                       error)) {
      if (error != std::errc::file_exists) fs::remove(target, error);
      return false;
    }
    const fs::file_time_type modified = fs::last_write_time(from, error);
    if (!error) fs::last_write_time(target, modified, error);
    if (exists) {
      fs::rename(target, to, error);
      if (error) {
        fs::remove(target, error);
        return false;
      }
    }
    destinationNames_.emplace(folded, hostName);
    return true;
  }

 private:
  void ListDestination() {
    if (listed_) return;
    listed_ = true;
    std::error_code error;
    for (fs::directory_iterator it(destinationHost_, error), end; !error && it != end;
         it.increment(error)) {
      const std::string hostName = it->path().filename().string();
      destinationNames_.emplace(kv::FoldCase(kv::AnsiToWide(hostName)), hostName);
    }
  }

  std::wstring source_, destination_;
  fs::path sourceHost_, destinationHost_;
  bool resolved_ = false;
  bool listed_ = false;
  std::unordered_map<std::wstring, std::string> destinationNames_;
};

}  // namespace

bool IsSkippedTopLevelFolder(const std::wstring& name) {
  return std::any_of(std::begin(kSkippedFolders), std::end(kSkippedFolders),
                     [&](const wchar_t* skipped) { return name == skipped; });
}

namespace {

// The folders being copied, outermost first: a link back to one of them is a loop and
// is not descended into.
using Ancestors = std::vector<kv::FileIdentity>;

int CopyUpdateTree(const std::wstring& source, const std::wstring& pattern,
                   const std::wstring& destination, unsigned mode, Ancestors* ancestors);

int CopyUpdateFolderIn(const std::wstring& source, const std::wstring& pattern,
                       const std::wstring& destination, unsigned mode, Ancestors* ancestors) {
  kv::FileStatus status;
  const bool known = kv::GetFileStatus(source, &status).ok();
  if (known && std::find(ancestors->begin(), ancestors->end(), status.identity) != ancestors->end()) {
    return 1;
  }
  if (known) ancestors->push_back(status.identity);
  const int result = CopyUpdateTree(source, pattern, destination, mode, ancestors);
  if (known) ancestors->pop_back();
  return result;
}

}  // namespace

int CopyUpdateFolder(const std::wstring& source, const std::wstring& pattern,
                     const std::wstring& destination, unsigned mode) {
  Ancestors ancestors;
  return CopyUpdateFolderIn(source, pattern, destination, mode, &ancestors);
}

namespace {

int CopyUpdateTree(const std::wstring& source, const std::wstring& pattern,
                   const std::wstring& destination, unsigned mode, Ancestors* ancestors) {
  const std::wstring searchPath = source + pattern;
  const size_t slash = searchPath.find_last_of(L'/');
  std::vector<ListedEntry> entries;
  if (!ListFolder(searchPath, &entries)) return 1;
  const bool keepExisting = (mode & DIR_KEEP_EXISTING) != 0;
  FolderPair folders(source, destination);
  for (const ListedEntry& entry : entries) {
    const std::wstring& name = entry.name;
    if (name[0] == L'.' || entry.isDirectory) {
      if ((mode & DIR_RECURSE) == 0 || name[0] == L'.') continue;
      if (slash == std::wstring::npos) return 0;
      const std::wstring sourceFolder = searchPath.substr(0, slash + 1) + name;
      const std::wstring destinationFolder = destination + L"/" + name;
      (void)kv::CreateDirectory(destinationFolder);
      if (CopyUpdateFolderIn(sourceFolder, pattern, destinationFolder, mode, ancestors) == 0) return 0;
      continue;
    }
    const std::wstring from = source + L"/" + name;
    const std::wstring to = destination + L"/" + name;
    bool copied = folders.Copy(name, keepExisting);
    if (!copied) {
      if (keepExisting) continue;
      for (int retry = 0; retry < kCopyRetries && !copied; ++retry) {
        copied = folders.Copy(name, false);
      }
      if (!copied) return 0;
    }
    CountUpdatedFile();
    LogUpdatedFile(from, to);
  }
  return 1;
}

}  // namespace

void CopyCacheToDataPath(const std::wstring& cache, const std::wstring& dataPath,
                         kv::CWnd* parent) {
  CProcessWait wait(L"Copying Data Files",
                    L"Please wait while the data files are copied to your data directory.",
                    parent);
  const std::vector<std::wstring> folders = Subfolders(cache);
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
        CopyUpdateFolder(a, L"/*.*", b, DIR_RECURSE | DIR_KEEP_EXISTING);
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
    if (kv::CopyFile(from, to, false).ok()) CountUpdatedFile();
  }
  const int afterRibbons = UpdateCount();

  CheckMenuFiles(cache, dataPath);
  if (beforeRibbons != afterRibbons && UpdateCount() == afterRibbons) {
    kv::ShowMessageBox(kNewMenuFilesMessage, kv::kMbOk);
  }

  (void)kv::CopyFile(cache + L"DataVersion.txt", dataPath + L"DataVersion.txt", false);
  wait.Close();
}
