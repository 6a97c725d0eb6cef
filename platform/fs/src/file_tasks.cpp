// Whole-file tasks: reads, atomic writes, appends and new files on Windows paths.
#include "KVPlatform/file_tasks.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "host_files.h"
#include "kvhost/atomic_file.h"
#include "kvhost/fault_injection.h"
#include "kvhost/host_path.h"

namespace kv {
namespace {

// Opens a resolved file for reading; folders are refused as Windows refuses them.
Status OpenForRead(std::wstring_view path, int* fd, struct stat* info) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  *fd = open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (*fd < 0) return host::FailureFor(errno, host);
  if (fstat(*fd, info) != 0 || S_ISDIR(info->st_mode)) {
    close(*fd);
    return Status(kErrorAccessDenied);
  }
  return Status::Ok();
}

// Reads until `count` bytes or the end of the data.
Status ReadUpTo(int fd, size_t count, std::string* out) {
  out->clear();
  char buffer[65536];
  while (out->size() < count) {
    const size_t want = std::min(sizeof buffer, count - out->size());
    const ssize_t got = read(fd, buffer, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      out->clear();
      return host::FromErrno(errno);
    }
    if (got == 0) break;
    out->append(buffer, static_cast<size_t>(got));
  }
  return Status::Ok();
}

// Writes `bytes` to a file opened for appending, with one write (more only if the
// system takes part of it), and closes it.
Status AppendAndClose(int fd, std::string_view bytes) {
  Status result;
  while (!bytes.empty()) {
    const ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      result = host::FromErrno(errno);
      break;
    }
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  if (close(fd) != 0 && result.ok()) result = host::FromErrno(errno);
  return result;
}

// Renames a log larger than `limit` to `previous`, under the log's lock and only if it
// is still that large once the lock is held (another process may have rotated it).
Status RotateHostFile(const std::string& host, std::wstring_view previous, uint64_t limit) {
  std::filesystem::path previousHost;
  if (Status s = host::ResolvePath(previous, &previousHost); !s.ok()) return s;
  host::FileLock lock;
  if (Status s = lock.Acquire(host + ".lock"); !s.ok()) return s;
  struct stat info;
  if (stat(host.c_str(), &info) != 0 || static_cast<uint64_t>(info.st_size) <= limit) {
    return Status::Ok();
  }
  if (uint32_t fault = host::InjectedFault(host::FileStep::kRename, host)) return Status(fault);
  if (rename(host.c_str(), previousHost.c_str()) != 0) return host::FromErrno(errno);
  return Status::Ok();
}

}  // namespace

Status ReadFile(std::wstring_view path, std::string* contents, uint64_t limit) {
  int fd = -1;
  struct stat info;
  if (Status s = OpenForRead(path, &fd, &info); !s.ok()) return s;
  Status result;
  if (S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) > limit) {
    result = Status(kErrorNotEnoughMemory);
  } else {
    // One byte past the limit tells a stream that is too long from one that fits.
    const size_t cap = limit >= SIZE_MAX ? SIZE_MAX : static_cast<size_t>(limit) + 1;
    if (S_ISREG(info.st_mode)) contents->reserve(static_cast<size_t>(info.st_size));
    result = ReadUpTo(fd, cap, contents);
    if (result.ok() && contents->size() > limit) {
      contents->clear();
      result = Status(kErrorNotEnoughMemory);
    }
  }
  close(fd);
  return result;
}

Status ReadFileHead(std::wstring_view path, size_t count, std::string* bytes) {
  int fd = -1;
  struct stat info;
  if (Status s = OpenForRead(path, &fd, &info); !s.ok()) return s;
  Status result = ReadUpTo(fd, count, bytes);
  close(fd);
  return result;
}

Status WriteFileAtomically(std::wstring_view path, std::string_view contents) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  struct stat old;
  const bool hadOld = stat(host.c_str(), &old) == 0;
  if (hadOld && (S_ISDIR(old.st_mode) || host::ReadOnlyMode(old.st_mode))) {
    return Status(kErrorAccessDenied);
  }
  host::AtomicWriter writer;
  if (Status s = writer.Open(host); !s.ok()) return s;
  if (Status s = writer.Write(contents); !s.ok()) return s;
  // A new file keeps the permissions of its creation (0666 less the umask).
  if (hadOld && fchmod(writer.descriptor(), old.st_mode & 07777) != 0) {
    return host::FromErrno(errno);
  }
  return writer.Commit(/*replace=*/true, /*sync=*/true);
}

Status AppendToFile(std::wstring_view path, std::string_view bytes) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return host::FailureFor(errno, host);
  return AppendAndClose(fd, bytes);
}

Status AppendToLogFile(std::wstring_view path, std::wstring_view previous, uint64_t rotateAbove,
                       std::string_view record, Status* rotation) {
  if (rotation != nullptr) *rotation = Status::Ok();
  // A log that exists under its exact name opens without the lookup of each component;
  // its size comes from the open file.
  std::string host;
  int fd = -1;
  if (host::ExactHostPath(path, &host)) {
    do {
      fd = open(host.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) {
    std::filesystem::path resolved;
    if (Status s = host::ResolvePath(path, &resolved); !s.ok()) return s;
    host = resolved.string();
    fd = open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return host::FailureFor(errno, resolved);
  }
  // The end of a file opened for appending is its size (a stream has none).
  const off_t size = lseek(fd, 0, SEEK_END);
  if (size > 0 && static_cast<uint64_t>(size) > rotateAbove) {
    close(fd);
    Status rotated = RotateHostFile(host, previous, rotateAbove);
    if (rotation != nullptr) *rotation = rotated;
    fd = open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return host::FailureFor(errno, host);
  }
  return AppendAndClose(fd, record);
}

struct NewFileWriter::State {
  host::AtomicWriter writer;
  std::filesystem::path target;
  bool open = false;
};

NewFileWriter::NewFileWriter() : state_(std::make_unique<State>()) {}
NewFileWriter::~NewFileWriter() = default;

Status NewFileWriter::Open(std::wstring_view path) {
  Discard();
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (lstat(host.c_str(), &info) == 0) return Status(kErrorFileExists);
  if (Status s = state_->writer.Open(host); !s.ok()) return s;
  state_->target = host;
  state_->open = true;
  return Status::Ok();
}

Status NewFileWriter::Write(const void* data, size_t size) {
  if (!state_->open) return Status(kErrorInvalidHandle);
  return state_->writer.Write(std::string_view(static_cast<const char*>(data), size));
}

Status NewFileWriter::Commit() {
  if (!state_->open) return Status(kErrorInvalidHandle);
  state_->open = false;
  return state_->writer.Commit(/*replace=*/false, /*sync=*/true);
}

void NewFileWriter::Discard() {
  state_->writer.Discard();
  state_->open = false;
}

Status MapDriveFolder(wchar_t letter) {
  if (!((letter >= L'a' && letter <= L'z') || (letter >= L'A' && letter <= L'Z'))) {
    return Status(kErrorInvalidParameter);
  }
  std::error_code error;
  std::filesystem::create_directories(host::DriveFolder(letter), error);
  return error ? host::FromErrno(error.value()) : Status::Ok();
}

}  // namespace kv
