// Host file helpers of the fs library: errno translation, listings, copies, renames.
#include "host_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "KVPlatform/path.h"
#include "KVPlatform/root.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"
#include "kvhost/fault_injection.h"
#include "kvhost/host_path.h"

namespace kv::host {
namespace {

kv::FileIdentity IdentityOf(const struct stat& info) {
  return kv::FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace

Status FromErrno(int error) { return Status(Win32CodeFromErrno(error)); }

Status FailureFor(int error, const std::filesystem::path& host) {
  if (error != ENOENT) return FromErrno(error);
  struct stat info;
  const std::filesystem::path parent = host.parent_path();
  if (parent.empty() || (stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
    return Status(kErrorFileNotFound);
  }
  return Status(kErrorPathNotFound);
}

bool ExactHostPath(std::wstring_view path, std::string* host) {
  // One pass over the text, no parse into components: this runs before every status
  // query of a settings file and must cost little beside the stat.
  std::wstring_view rest;
  if (path.size() >= 2 && path[1] == L':' &&
      ((path[0] >= L'a' && path[0] <= L'z') || (path[0] >= L'A' && path[0] <= L'Z'))) {
    *host = RootFolder();
    *host += "/drives/";
    *host += static_cast<char>(path[0] | 0x20);
    rest = path.substr(2);
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    *host = RootFolder();
    *host += "/unc";
    rest = path.substr(2);
    // Server and share must both be there, as ResolvePath requires.
    size_t parts = 0;
    for (size_t i = 0; i < rest.size(); ++parts) {
      while (i < rest.size() && IsSeparator(rest[i])) ++i;
      if (i == rest.size()) break;
      while (i < rest.size() && !IsSeparator(rest[i])) ++i;
    }
    if (parts < 2) return false;
  } else if (!path.empty() && IsSeparator(path[0])) {
    host->clear();
    rest = path;
  } else {
    return false;
  }
  host->reserve(host->size() + rest.size() + 8);
  bool any = false;
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsSeparator(rest[i])) ++i;
    size_t end = i;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::wstring_view component = rest.substr(i, end - i);
    i = end;
    if (component.empty() || component == L".") continue;
    if (component == L".." || component.find(L'\0') != std::wstring_view::npos) return false;
    *host += '/';
    for (wchar_t c : component) {
      if (c > 0 && c < 0x80) {
        *host += static_cast<char>(c);
      } else {
        *host += WideToAnsi(std::wstring_view(&c, 1));
      }
    }
    any = true;
  }
  return any;
}

bool ReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

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

bool CopyContents(int in, int out, off_t size) {
  off_t remaining = size;
  while (remaining > 0) {
    const ssize_t copied =
        copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(remaining), 0);
    if (copied < 0) {
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) break;
      return false;
    }
    if (copied == 0) break;  // the file shrank while being copied
    remaining -= copied;
  }
  // Whatever copy_file_range could not do (another file system, a file that grew), plain
  // reads and writes do; the buffer is made only when there is something left to copy.
  char probe[4096];
  std::vector<char> buffer;
  for (;;) {
    char* into = buffer.empty() ? probe : buffer.data();
    const size_t room = buffer.empty() ? sizeof probe : buffer.size();
    const ssize_t got = read(in, into, room);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(out, into + done, static_cast<size_t>(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += put;
    }
    if (buffer.empty()) buffer.resize(1 << 20);
  }
}

bool DescribeEntry(const std::string& folder, const std::string& name, DirectoryEntry* entry) {
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

Status ListFolder(const std::string& folder, std::wstring_view pattern,
                  std::vector<DirectoryEntry>* entries) {
  entries->clear();
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return FromErrno(errno);
  std::vector<DirectoryEntry> dots, found;
  DirectoryEntry entry;
  while (dirent* item = readdir(dir)) {
    const std::string name = item->d_name;
    if (!MatchesWildcard(pattern, AnsiToWide(name))) continue;
    if (!DescribeEntry(folder, name, &entry)) continue;
    (name == "." || name == ".." ? dots : found).push_back(std::move(entry));
  }
  closedir(dir);
  // Listed as NTFS lists them: by name without regard to case; "." and ".." first. Each
  // name is folded once, not on every comparison.
  std::sort(dots.begin(), dots.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  std::vector<std::pair<std::wstring, size_t>> order;
  order.reserve(found.size());
  for (size_t i = 0; i < found.size(); ++i) order.emplace_back(FoldCase(found[i].name), i);
  std::sort(order.begin(), order.end(), [&found](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : found[a.second].name < found[b.second].name;
  });
  *entries = std::move(dots);
  entries->reserve(entries->size() + found.size());
  for (const auto& [folded, index] : order) entries->push_back(std::move(found[index]));
  return Status::Ok();
}

Status CopyHostFile(const std::filesystem::path& from, const std::filesystem::path& to,
                    bool failIfExists) {
  if (uint32_t fault = InjectedFault(FileStep::kOpen, from)) return Status(fault);
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

  AtomicWriter writer;
  if (Status opened = writer.Open(to); !opened.ok()) {
    // A folder that takes no new files may still let an existing file be rewritten, as
    // Windows does; then the copy goes into the file itself.
    if (opened.code() == kErrorAccessDenied && !failIfExists) {
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
    return opened.code() == kErrorPathNotFound ? Status(kErrorPathNotFound) : opened;
  }
  const int out = writer.descriptor();
  if (uint32_t fault = InjectedFault(FileStep::kWrite, to)) {
    close(in);
    return Status(fault);
  }
  bool ok = CopyContents(in, out, info.st_size);
  int error = ok ? 0 : errno;
  close(in);
  if (ok && fchmod(out, info.st_mode & 07777) != 0) ok = false, error = errno;
  if (ok) {
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    futimens(out, times);
  }
  if (!ok) return FromErrno(error);
  return writer.Commit(/*replace=*/!failIfExists, /*sync=*/false);
}

}  // namespace kv::host
