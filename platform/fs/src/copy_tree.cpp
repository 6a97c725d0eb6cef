// The folder-tree copy over host folders: each folder is resolved once and listed once,
// and files are copied between host paths, so a tree of thousands of files costs no
// path walk per file.
#include "KVPlatform/copy_tree.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "host_files.h"
#include "kvhost/host_path.h"

namespace kv {

CopyTreeObserver::~CopyTreeObserver() = default;
bool CopyTreeObserver::WantsFile(std::wstring_view) { return true; }
void CopyTreeObserver::FileCopied(std::wstring_view, std::wstring_view) {}
void CopyTreeObserver::FileFailed(std::wstring_view, std::wstring_view, Status) {}
void CopyTreeObserver::EntrySkipped(std::wstring_view, CopyTreeSkip) {}

namespace {

namespace fs = std::filesystem;

// The real path of a host path (links resolved), empty when it does not exist.
std::string RealPath(const fs::path& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string result(real);
  free(real);
  return result;
}

bool IsWithin(const std::string& path, const std::string& folder) {
  if (folder.empty() || path.size() < folder.size()) return false;
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

// The names of a destination folder by their folded spelling: a name that exists in
// another case is the one written, as names are on Windows.
class DestinationNames {
 public:
  explicit DestinationNames(fs::path folder) : folder_(std::move(folder)) {}

  fs::path Target(const std::wstring& name) {
    if (!listed_) List();
    auto found = names_.find(FoldCase(name));
    std::string hostName = found != names_.end() ? found->second : WideToAnsi(name);
    if (found == names_.end()) names_.emplace(FoldCase(name), hostName);
    return folder_ / hostName;
  }

 private:
  void List() {
    listed_ = true;
    std::vector<DirectoryEntry> entries;
    if (!host::ListFolder(folder_.string(), L"*", &entries).ok()) return;
    for (const DirectoryEntry& entry : entries) {
      names_.emplace(FoldCase(entry.name), WideToAnsi(entry.name));
    }
  }

  fs::path folder_;
  bool listed_ = false;
  std::unordered_map<std::wstring, std::string> names_;
};

class TreeCopy {
 public:
  TreeCopy(std::wstring_view pattern, const CopyTreeOptions& options, CopyTreeObserver* observer)
      : pattern_(pattern), options_(options), observer_(observer ? observer : &silent_) {}

  CopyTreeResult Run(std::wstring_view source, std::wstring_view destination) {
    fs::path destinationHost;
    destinationResolved_ = host::ResolvePath(destination, &destinationHost).ok();
    if (destinationResolved_) {
      struct stat info;
      if (stat(destinationHost.c_str(), &info) == 0) {
        destinationIdentity_ = {static_cast<uint64_t>(info.st_dev),
                                static_cast<uint64_t>(info.st_ino)};
        hasDestinationIdentity_ = true;
      }
      destinationReal_ = RealPath(destinationHost);
    }
    if (!options_.linkForbidden.empty()) destinationReal_ = RealOf(options_.linkForbidden);
    if (!options_.linkRoot.empty()) linkRootReal_ = RealOf(options_.linkRoot);
    Walk(std::wstring(source), std::wstring(destination), destinationHost, /*top=*/true);
    return result_;
  }

 private:
  static std::string RealOf(std::wstring_view path) {
    fs::path host;
    return host::ResolvePath(path, &host).ok() ? RealPath(host) : std::string();
  }

  bool Fits(const std::wstring& path) const {
    return options_.pathLimit == 0 || path.size() < options_.pathLimit;
  }

  void Stop() { result_.completed = false; }

  // Copies one folder level; false when the walk must end.
  bool Walk(const std::wstring& source, const std::wstring& destination,
            const fs::path& destinationHost, bool top) {
    const std::wstring searchPath = source + pattern_;
    if (!Fits(searchPath)) {
      Stop();
      return false;
    }
    // The search path's folder and name pattern, as a directory search splits them.
    size_t split = searchPath.size();
    while (split > 0 && !IsSeparator(searchPath[split - 1])) --split;
    const std::wstring folder = searchPath.substr(0, split);
    const std::wstring namePattern = searchPath.substr(split);
    if (namePattern.empty()) return true;
    fs::path sourceHost;
    if (!host::ResolvePath(folder.empty() ? L"." : folder, &sourceHost).ok()) return true;
    struct stat info;
    if (stat(sourceHost.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return true;
    if (top) {
      if (options_.linkRoot.empty()) linkRootReal_ = RealPath(sourceHost);
      ancestors_.push_back(
          {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)});
    }
    std::vector<DirectoryEntry> entries;
    if (!host::ListFolder(sourceHost.string(), namePattern, &entries).ok()) return true;

    DestinationNames names(destinationHost);
    for (const DirectoryEntry& entry : entries) {
      const std::wstring& name = entry.name;
      if (name.empty() || name[0] == L'.') continue;
      if (entry.isDirectory && !options_.recurse) continue;
      const fs::path entryHost = sourceHost / WideToAnsi(name);
      if (entry.isLink && !LinkAllowed(entryHost, folder + name)) continue;
      if (entry.isDirectory) {
        if (!CopyFolder(entry, folder + name, destination + L"/" + name,
                        destinationResolved_ ? names.Target(name) : fs::path())) {
          return false;
        }
        continue;
      }
      if (!CopyOneFile(entryHost, source + L"/" + name, destination + L"/" + name,
                       destinationResolved_ ? names.Target(name) : fs::path())) {
        return false;
      }
    }
    return true;
  }

  bool LinkAllowed(const fs::path& entryHost, const std::wstring& path) {
    if (!options_.confineLinks) return true;
    const std::string real = RealPath(entryHost);
    CopyTreeSkip reason;
    if (real.empty()) {
      reason = CopyTreeSkip::kDanglingLink;
    } else if (IsWithin(real, destinationReal_)) {
      reason = CopyTreeSkip::kLinkIntoDestination;
    } else if (!IsWithin(real, linkRootReal_)) {
      reason = CopyTreeSkip::kLinkOutside;
    } else {
      return true;
    }
    observer_->EntrySkipped(path, reason);
    return false;
  }

  bool CopyFolder(const DirectoryEntry& entry, const std::wstring& source,
                  const std::wstring& destination, const fs::path& destinationHost) {
    const bool loop =
        std::find(ancestors_.begin(), ancestors_.end(), entry.identity) != ancestors_.end() ||
        (hasDestinationIdentity_ && entry.identity == destinationIdentity_);
    if (loop) {
      observer_->EntrySkipped(source, CopyTreeSkip::kLoop);
      return true;
    }
    if (!Fits(source) || !Fits(destination)) {
      Stop();
      return false;
    }
    if (destinationResolved_) {
      (void)mkdir(destinationHost.c_str(), 0777);  // an existing folder is fine
    } else {
      (void)CreateDirectory(destination);
    }
    ancestors_.push_back(entry.identity);
    const bool go = Walk(source, destination, destinationHost, /*top=*/false);
    ancestors_.pop_back();
    return go;
  }

  Status CopyOnce(const fs::path& from, const std::wstring& fromPath, const fs::path& to,
                  const std::wstring& toPath, bool failIfExists) {
    if (destinationResolved_) return host::CopyHostFile(from, to, failIfExists);
    return CopyFile(fromPath, toPath, failIfExists);
  }

  bool CopyOneFile(const fs::path& from, const std::wstring& fromPath, const std::wstring& toPath,
                   const fs::path& to) {
    if (!Fits(fromPath) || !Fits(toPath)) {
      Stop();
      return false;
    }
    if (!observer_->WantsFile(fromPath)) return true;
    Status status = CopyOnce(from, fromPath, to, toPath, options_.keepExisting);
    if (status.ok()) return Copied(fromPath, toPath);
    if (options_.keepExisting) return true;  // the destination stays as it is
    struct stat info;
    if (stat(from.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
      return true;  // gone meanwhile, or a dangling link
    }
    for (int retry = 0; retry < options_.retries && !status.ok(); ++retry) {
      status = CopyOnce(from, fromPath, to, toPath, false);
    }
    if (status.ok()) return Copied(fromPath, toPath);
    ++result_.failed;
    observer_->FileFailed(fromPath, toPath, status);
    if (!options_.stopAtFailure) return true;
    Stop();
    return false;
  }

  bool Copied(const std::wstring& from, const std::wstring& to) {
    ++result_.copied;
    observer_->FileCopied(from, to);
    return true;
  }

  const std::wstring pattern_;
  const CopyTreeOptions& options_;
  CopyTreeObserver silent_;
  CopyTreeObserver* observer_;
  CopyTreeResult result_;
  std::vector<FileIdentity> ancestors_;
  bool destinationResolved_ = false;
  bool hasDestinationIdentity_ = false;
  FileIdentity destinationIdentity_;
  std::string linkRootReal_, destinationReal_;
};

}  // namespace

CopyTreeResult CopyTree(std::wstring_view source, std::wstring_view pattern,
                        std::wstring_view destination, const CopyTreeOptions& options,
                        CopyTreeObserver* observer) {
  return TreeCopy(pattern, options, observer).Run(source, destination);
}

}  // namespace kv
