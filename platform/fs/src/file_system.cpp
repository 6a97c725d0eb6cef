// File and folder operations on Windows path strings, over POSIX.
#include "KVPlatform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "KVPlatform/path.h"
#include "KVPlatform/text.h"

namespace kv {
namespace {

Status FromErrno(int error) { return Status(Win32CodeFromErrno(error)); }

// A failed lookup of `host` is "file not found" when its folder exists and "path not
// found" when the folder itself is missing, as Windows tells them apart.
Status NotFound(const std::filesystem::path& host) {
  struct stat info;
  const std::filesystem::path parent = host.parent_path();
  if (parent.empty() || (stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
    return Status(kErrorFileNotFound);
  }
  return Status(kErrorPathNotFound);
}

Status FailureFor(int error, const std::filesystem::path& host) {
  if (error == ENOENT) return NotFound(host);
  return FromErrno(error);
}

// Windows' read-only attribute: no write permission bit at all.
bool ReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

std::mutex g_hookMutex;
FreeSpaceHook g_freeSpaceHook;
DriveTypeHook g_driveTypeHook;

template <typename Hook>
Hook CopyHook(const Hook& hook) {
  std::lock_guard lock(g_hookMutex);
  return hook;
}

// Copies the bytes of one open file into another.
bool CopyContents(int in, int out, off_t size) {
  off_t remaining = size;
  while (remaining > 0) {
    const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(remaining), 0);
    if (copied < 0) {
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) break;
      return false;
    }
    if (copied == 0) break;  // the file shrank while being copied
    remaining -= copied;
  }
  // Whatever copy_file_range could not do, plain reads and writes do.
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const ssize_t got = read(in, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += put;
    }
  }
}

// Renames without replacing an existing target (errno EEXIST then). File systems that
// refuse the flag (NFS) get the same through a hard link, or a check and a rename for
// folders.
bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info;
  if (lstat(from.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) {
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
  }
  if (lstat(to.c_str(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

class PosixDirectorySearch : public DirectorySearch {
 public:
  explicit PosixDirectorySearch(std::vector<DirectoryEntry> entries) : entries_(std::move(entries)) {}
  const DirectoryEntry& Entry() const override { return entries_[index_]; }
  bool Next() override {
    if (index_ + 1 >= entries_.size()) {
      index_ = entries_.size() - 1;
      return false;
    }
    ++index_;
    return true;
  }

 private:
  std::vector<DirectoryEntry> entries_;
  size_t index_ = 0;
};

FileIdentity IdentityOf(const struct stat& info) {
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

bool FillEntry(const std::string& folder, const std::string& name, DirectoryEntry* entry) {
  struct stat info;
  const std::string full = folder + "/" + name;
  if (lstat(full.c_str(), &info) != 0) return false;
  entry->isLink = S_ISLNK(info.st_mode);
  if (entry->isLink) stat(full.c_str(), &info);  // a dangling link stays described as a link
  entry->identity = IdentityOf(info);
  entry->name = AnsiToWide(name);
  entry->isDirectory = S_ISDIR(info.st_mode);
  entry->size = entry->isDirectory ? 0 : static_cast<uint64_t>(info.st_size);
  entry->modifiedTime = info.st_mtim.tv_sec;
  entry->readOnly = ReadOnlyMode(info.st_mode);
  return true;
}

bool HasWildcard(std::wstring_view pattern) {
  return pattern.find_first_of(L"*?") != std::wstring_view::npos;
}

bool MatchFrom(std::wstring_view pattern, std::wstring_view name) {
  // Iterative matching with one backtrack point for the last '*'.
  size_t p = 0, n = 0, star = std::wstring_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  if (MatchFrom(pattern, name)) return true;
  // "name.*" also matches "name": a missing extension counts as an empty one.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" &&
      name.find(L'.') == std::wstring_view::npos) {
    return MatchFrom(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

Status CreateDirectory(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  if (mkdir(host.c_str(), 0777) == 0) return Status::Ok();
  const int error = errno;
  if (error == ENOENT || error == ENOTDIR) return Status(kErrorPathNotFound);
  return FromErrno(error);
}

Status RemoveDirectory(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  if (rmdir(host.c_str()) == 0) return Status::Ok();
  const int error = errno;
  if (error == ENOTDIR) return Status(kErrorDirectory);
  if (error == EEXIST) return Status(kErrorDirNotEmpty);
  return FailureFor(error, host);
}

Status CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  std::filesystem::path from, to;
  if (Status s = ResolvePath(source, &from); !s.ok()) return s;
  if (Status s = ResolvePath(destination, &to); !s.ok()) return s;

  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return FailureFor(errno, from);
  struct stat info;
  if (fstat(in, &info) != 0 || S_ISDIR(info.st_mode)) {
    close(in);
    return Status(kErrorAccessDenied);
  }

  struct stat existing;
  if (stat(to.c_str(), &existing) == 0) {
    if (failIfExists) {
      close(in);
      return Status(kErrorFileExists);
    }
    // Windows refuses to overwrite a folder or a read-only file.
    if (S_ISDIR(existing.st_mode) || ReadOnlyMode(existing.st_mode)) {
      close(in);
      return Status(kErrorAccessDenied);
    }
  }

  // Written beside the destination and renamed over it: never a torn destination. The
  // temporary name is short, so that a destination name of any legal length works.
  const std::string target = to.string();
  const size_t slash = target.find_last_of('/');
  std::string temp = target.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".kvcopy-XXXXXX";
  const int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    const int error = errno;
    // A folder that takes no new files may still let an existing file be rewritten, as
    // Windows does; then the copy goes into the file itself.
    if (error == EACCES && !failIfExists) {
      const int direct = open(to.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (direct >= 0) {
        const bool copied = CopyContents(in, direct, info.st_size);
        const int copyError = copied ? 0 : errno;
        const bool closed = close(direct) == 0;
        close(in);
        if (copied && closed) return Status::Ok();
        return FromErrno(copied ? EIO : copyError);
      }
    }
    close(in);
    return FailureFor(error, to);
  }
  bool ok = CopyContents(in, out, info.st_size);
  int error = ok ? 0 : errno;
  if (ok && fchmod(out, info.st_mode & 07777) != 0) ok = false, error = errno;
  if (ok) {
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(out, times);
  }
  if (close(out) != 0 && ok) ok = false, error = errno;
  close(in);
  if (ok && !(failIfExists ? RenameNoReplace(temp, to.string()) : rename(temp.c_str(), to.c_str()) == 0)) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    if (error == EEXIST) return Status(kErrorFileExists);
    return FailureFor(error, to);
  }
  return Status::Ok();
}

Status DeleteFile(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (lstat(host.c_str(), &info) != 0) return FailureFor(errno, host);
  if (S_ISDIR(info.st_mode)) return Status(kErrorAccessDenied);
  if (!S_ISLNK(info.st_mode) && ReadOnlyMode(info.st_mode)) return Status(kErrorAccessDenied);
  if (unlink(host.c_str()) != 0) return FailureFor(errno, host);
  return Status::Ok();
}

Status MoveFile(std::wstring_view source, std::wstring_view destination) {
  std::filesystem::path from, to;
  if (Status s = ResolvePath(source, &from); !s.ok()) return s;
  if (Status s = ResolvePath(destination, &to); !s.ok()) return s;
  if (RenameNoReplace(from.string(), to.string())) return Status::Ok();
  const int error = errno;
  if (error == ENOENT) {
    struct stat info;
    return lstat(from.c_str(), &info) != 0 ? NotFound(from) : Status(kErrorPathNotFound);
  }
  return FromErrno(error);
}

Status GetFileStatus(std::wstring_view path, FileStatus* status) {
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (stat(host.c_str(), &info) != 0) return FailureFor(errno, host);
  status->isDirectory = S_ISDIR(info.st_mode);
  status->readOnly = ReadOnlyMode(info.st_mode);
  status->size = status->isDirectory ? 0 : static_cast<uint64_t>(info.st_size);
  status->modifiedTime = info.st_mtim.tv_sec;
  status->modifiedNanoseconds = info.st_mtim.tv_nsec;
  status->identity = IdentityOf(info);
  return Status::Ok();
}

Status Access(std::wstring_view path, int mode) {
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) return Status(kErrorInvalidParameter);
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (stat(host.c_str(), &info) != 0) return FailureFor(errno, host);
  // Write access needs the permission and, as on Windows, no read-only attribute
  // (which also holds for a process running as root).
  if ((mode & 2) != 0 && (ReadOnlyMode(info.st_mode) || access(host.c_str(), W_OK) != 0)) {
    return Status(kErrorAccessDenied);
  }
  if ((mode & 4) != 0 && access(host.c_str(), R_OK) != 0) return Status(kErrorAccessDenied);
  return Status::Ok();
}

Status DirectorySearch::Start(std::wstring_view searchPath,
                              std::unique_ptr<DirectorySearch>* search) {
  search->reset();
  size_t split = searchPath.size();
  while (split > 0 && !IsSeparator(searchPath[split - 1])) --split;
  // "C:name" searches the drive's root folder.
  std::wstring folderPath(searchPath.substr(0, split));
  std::wstring_view pattern = searchPath.substr(split);
  if (folderPath.empty() && pattern.size() >= 2 && pattern[1] == L':') {
    folderPath = std::wstring(pattern.substr(0, 2)) + L"\\";
    pattern.remove_prefix(2);
  }
  if (pattern.empty()) return Status(kErrorFileNotFound);
  if (folderPath.empty()) folderPath = L".";

  std::filesystem::path host;
  if (Status s = ResolvePath(folderPath, &host); !s.ok()) return s;
  const std::string folder = host.string();
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return Status(kErrorPathNotFound);

  std::vector<DirectoryEntry> entries;
  DirectoryEntry entry;
  if (!HasWildcard(pattern)) {
    // One named entry, found without regard to case.
    std::filesystem::path named;
    if (Status s = ResolvePath(folderPath + L"/" + std::wstring(pattern), &named); !s.ok()) return s;
    if (!FillEntry(folder, named.filename().string(), &entry)) return Status(kErrorFileNotFound);
    entries.push_back(std::move(entry));
  } else {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return FromErrno(errno);
    std::vector<DirectoryEntry> dots;
    while (dirent* found = readdir(dir)) {
      const std::string name = found->d_name;
      const std::wstring wide = AnsiToWide(name);
      if (!MatchesWildcard(pattern, wide)) continue;
      if (!FillEntry(folder, name, &entry)) continue;
      (name == "." || name == ".." ? dots : entries).push_back(std::move(entry));
    }
    closedir(dir);
    // Listed as NTFS lists them: by name without regard to case; "." and ".." first.
    std::sort(dots.begin(), dots.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    std::vector<std::pair<std::wstring, size_t>> order;
    order.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) order.emplace_back(FoldCase(entries[i].name), i);
    std::sort(order.begin(), order.end(), [&entries](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : entries[a.second].name < entries[b.second].name;
    });
    std::vector<DirectoryEntry> sorted = std::move(dots);
    sorted.reserve(sorted.size() + entries.size());
    for (const auto& [folded, index] : order) sorted.push_back(std::move(entries[index]));
    entries = std::move(sorted);
  }
  if (entries.empty()) return Status(kErrorFileNotFound);
  *search = std::make_unique<PosixDirectorySearch>(std::move(entries));
  return Status::Ok();
}

DriveType GetDriveType(std::wstring_view root) {
  if (DriveTypeHook hook = CopyHook(g_driveTypeHook)) {
    DriveType type;
    if (hook(root, &type)) return type;
  }
  std::filesystem::path host;
  if (!ResolvePath(root, &host).ok()) return DriveType::kNoRootDirectory;
  struct statfs info;
  if (statfs(host.c_str(), &info) != 0) return DriveType::kNoRootDirectory;
  switch (static_cast<unsigned long>(info.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL:  // CIFS
    case 0xFE534D42UL:  // SMB2
    case AFS_SUPER_MAGIC:
    case CODA_SUPER_MAGIC:
    case NCP_SUPER_MAGIC:
    case 0x00C36400UL:  // Ceph
      return DriveType::kRemote;
    default:
      return DriveType::kFixed;
  }
}

Status GetDiskFreeSpace(std::wstring_view path, uint64_t* freeBytes) {
  if (FreeSpaceHook hook = CopyHook(g_freeSpaceHook)) {
    if (hook(path, freeBytes)) return Status::Ok();
  }
  std::filesystem::path host;
  if (Status s = ResolvePath(path, &host); !s.ok()) return s;
  struct statvfs info;
  while (statvfs(host.c_str(), &info) != 0) {
    const int error = errno;
    if (error != ENOENT || !host.has_relative_path()) return FailureFor(error, host);
    host = host.parent_path();  // the volume that will hold the path
  }
  *freeBytes = static_cast<uint64_t>(info.f_bfree) * info.f_frsize;
  return Status::Ok();
}

void SetFreeSpaceHook(FreeSpaceHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_freeSpaceHook = std::move(hook);
}

void SetDriveTypeHook(DriveTypeHook hook) {
  std::lock_guard lock(g_hookMutex);
  g_driveTypeHook = std::move(hook);
}

}  // namespace kv
