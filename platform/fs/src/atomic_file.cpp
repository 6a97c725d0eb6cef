// Lock file, temporary file and rename: how registry hives and INI files are rewritten
// so that neither a crash nor a concurrent writer leaves a torn or lost version.
#include "kvhost/atomic_file.h"

#include "host_files.h"
#include "kvhost/fault_injection.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <map>
#include <system_error>
#include <utility>

namespace kv::host {
namespace {

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.size = static_cast<uint64_t>(st.st_size);
  id.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

Status ErrnoStatus(int error) { return Status(Win32CodeFromErrno(error)); }

// One mutex per lock file, for the process's life (a handful of files at most).
std::mutex& InProcessMutex(const std::filesystem::path& lockFile) {
  static std::mutex tableMutex;
  static auto* table = new std::map<std::string, std::mutex>();
  std::lock_guard<std::mutex> guard(tableMutex);
  return (*table)[lockFile.lexically_normal().string()];
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

Status SyncFolder(const std::filesystem::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return ErrnoStatus(errno);
  int rc = ::fsync(fd);
  int error = errno;
  ::close(fd);
  // Some file systems cannot flush a folder; the rename itself has happened.
  if (rc != 0 && error != EINVAL && error != EROFS) return ErrnoStatus(error);
  return Status::Ok();
}

// "<pid>-<n>", the part of a temporary file's name after the prefix.
bool IsTemporarySuffix(std::string_view suffix) {
  size_t dash = suffix.find('-');
  auto digits = [](std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  return dash != std::string_view::npos && digits(suffix.substr(0, dash)) &&
         digits(suffix.substr(dash + 1));
}

std::string TemporaryPrefix(const std::filesystem::path& file) {
  return file.filename().string() + ".tmp-";
}

}  // namespace

Status StatFile(const std::filesystem::path& file, FileIdentity* identity) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) {
    *identity = FileIdentity();
    if (errno == ENOENT) return Status::Ok();
    return ErrnoStatus(errno);
  }
  *identity = IdentityOf(st);
  return Status::Ok();
}

Status ReadFileContents(const std::filesystem::path& file, std::string* contents,
                        FileIdentity* identity, uint64_t limit) {
  contents->clear();
  *identity = FileIdentity();
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoStatus(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int error = errno;
    ::close(fd);
    return ErrnoStatus(error);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd);
    return Status(kErrorAccessDenied);
  }
  if (S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > limit) {
    ::close(fd);
    return Status(kErrorNotEnoughMemory);
  }
  // Straight into the string: room for the file's size and a little more, grown as a
  // file that grows (or a stream) needs.
  size_t used = 0;
  contents->resize(static_cast<size_t>(st.st_size) + 1);
  for (;;) {
    // A stream (a device, a pipe) has no size to check first: it is cut off once past
    // the limit.
    if (used > limit) {
      ::close(fd);
      contents->clear();
      return Status(kErrorNotEnoughMemory);
    }
    if (used == contents->size()) {
      const uint64_t cap = limit >= SIZE_MAX - 1 ? SIZE_MAX : limit + 1;
      contents->resize(
          static_cast<size_t>(std::min<uint64_t>(std::max<size_t>(2 * used, 65536), cap)));
    }
    ssize_t n = ::read(fd, contents->data() + used, contents->size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      contents->clear();
      return ErrnoStatus(error);
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
  }
  contents->resize(used);
  ::close(fd);
  *identity = IdentityOf(st);
  return Status::Ok();
}

FileLock::~FileLock() { Release(); }

Status FileLock::Acquire(const std::filesystem::path& lockFile) {
  Release();
  if (uint32_t fault = InjectedFault(FileStep::kOpen, lockFile)) return Status(fault);
  inProcess_ = std::unique_lock<std::mutex>(InProcessMutex(lockFile));
  // Never through a link: a link here would make the writer create or lock a file
  // wherever it points. Anything but a plain file is refused, never removed: replacing
  // it could let two writers lock different files.
  int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    int error = errno;
    inProcess_.unlock();
    if (error == ELOOP) return Status(kErrorCantAccessFile);
    return ErrnoStatus(error == ENOENT ? ENOTDIR : error);
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    inProcess_.unlock();
    return Status(kErrorCantAccessFile);
  }
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int error = errno;
    ::close(fd);
    inProcess_.unlock();
    return ErrnoStatus(error);
  }
  fd_ = fd;
  return Status::Ok();
}

void FileLock::Release() {
  if (fd_ >= 0) {
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
  }
  if (inProcess_.owns_lock()) inProcess_.unlock();
  inProcess_ = std::unique_lock<std::mutex>();
}

AtomicWriter::~AtomicWriter() { Discard(); }

Status AtomicWriter::Open(const std::filesystem::path& target, Naming naming) {
  static std::atomic<unsigned> counter{0};
  Discard();
  if (uint32_t fault = InjectedFault(FileStep::kOpen, target)) return Status(fault);
  target_ = target;
  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    const std::string prefix = naming == Naming::kShort ? ".kvtmp-" : TemporaryPrefix(target);
    temp_ =
        folder / (prefix + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) {
      int error = errno;
      temp_.clear();
      return ErrnoStatus(error == ENOENT ? ENOTDIR : error);
    }
  }
  if (fd_ < 0) {
    temp_.clear();
    return Status(kErrorAlreadyExists);
  }
  return Status::Ok();
}

Status AtomicWriter::Write(std::string_view data) {
  if (fd_ < 0) return Status(kErrorInvalidHandle);
  if (uint32_t fault = InjectedFault(FileStep::kWrite, target_)) return Status(fault);
  if (!WriteAll(fd_, data)) return ErrnoStatus(errno);
  return Status::Ok();
}

Status AtomicWriter::Commit(bool replace, bool sync) {
  if (fd_ < 0) return Status(kErrorInvalidHandle);
  auto fail = [this](int error) {
    Discard();
    return ErrnoStatus(error);
  };
  auto injected = [this](uint32_t fault) {
    Discard();
    return Status(fault);
  };
  if (sync) {
    if (uint32_t fault = InjectedFault(FileStep::kSync, target_)) return injected(fault);
    if (::fsync(fd_) != 0) return fail(errno);
  }
  int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) return fail(errno);
  if (uint32_t fault = InjectedFault(FileStep::kRename, target_)) return injected(fault);
  bool placed = replace ? ::rename(temp_.c_str(), target_.c_str()) == 0
                        : RenameNoReplace(temp_.string(), target_.string());
  if (!placed) {
    int error = errno;
    Discard();
    return error == EEXIST ? Status(kErrorFileExists) : ErrnoStatus(error);
  }
  temp_.clear();
  if (!sync) return Status::Ok();
  std::filesystem::path folder = target_.parent_path();
  return SyncFolder(folder.empty() ? std::filesystem::path(".") : folder);
}

void AtomicWriter::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

Status ReplaceFileContents(const std::filesystem::path& file, std::string_view contents,
                           const FileIdentity& previous, FileIdentity* identity) {
  struct stat old;
  bool hadOld = ::stat(file.c_str(), &old) == 0;
  // A file without any write permission is read-only, as a Windows file with the
  // read-only attribute: it is not replaced (even by a user who may write the folder).
  if (hadOld && (old.st_mode & 0222) == 0) return Status(kErrorAccessDenied);

  AtomicWriter writer;
  if (Status s = writer.Open(file, AtomicWriter::Naming::kAfterTarget); !s.ok()) return s;
  if (Status s = writer.Write(contents); !s.ok()) return s;
  const int fd = writer.descriptor();
  if (hadOld) (void)::fchmod(fd, old.st_mode & 07777);

  // A modification time strictly later than the replaced version's, at nanosecond
  // resolution, so that (inode, size, time) never repeats for different contents.
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  int64_t nowNs = static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  int64_t floorNs = previous.exists ? previous.mtimeNs : 0;
  if (hadOld) {
    floorNs = std::max<int64_t>(
        floorNs, static_cast<int64_t>(old.st_mtim.tv_sec) * 1000000000 + old.st_mtim.tv_nsec);
  }
  int64_t stampNs = std::max(nowNs, floorNs + 1);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(stampNs / 1000000000);
  times[1].tv_nsec = static_cast<long>(stampNs % 1000000000);
  if (::futimens(fd, times) != 0) return ErrnoStatus(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) return ErrnoStatus(errno);
  if (Status s = writer.Commit(/*replace=*/true, /*sync=*/true); !s.ok()) return s;
  if (identity != nullptr) *identity = IdentityOf(st);
  return Status::Ok();
}

void RemoveStaleTemporaries(const std::filesystem::path& file) {
  std::filesystem::path folder = file.parent_path();
  if (folder.empty()) folder = ".";
  std::string prefix = TemporaryPrefix(file);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    if (name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix &&
        IsTemporarySuffix(name.substr(prefix.size()))) {
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

Status FollowLinks(const std::filesystem::path& file, std::filesystem::path* target) {
  // Link by link, so that a link whose target does not exist yet still leads there.
  std::filesystem::path at = file;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      std::error_code error;
      std::filesystem::path resolved =
          hops == 0 ? at : std::filesystem::weakly_canonical(at, error);
      if (error) return ErrnoStatus(error.value());
      *target = std::move(resolved);
      return Status::Ok();
    }
    std::error_code error;
    std::filesystem::path next = std::filesystem::read_symlink(at, error);
    if (error) return ErrnoStatus(error.value());
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  // A loop: writing to the link's own name instead would replace the link.
  return ErrnoStatus(ELOOP);
}

}  // namespace kv::host
