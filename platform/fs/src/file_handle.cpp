// File handles and anonymous mappings over POSIX descriptors and mmap.
#include "KVPlatform/file_handle.h"
#include "kvhost/host_path.h"

#include "host_files.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "KVPlatform/path.h"
#include "KVPlatform/root.h"
#include "KVPlatform/text.h"
#include "host_files.h"

namespace kv {
namespace {

using host::FromErrno;

// A missing file is "file not found" when its folder exists, else "path not found".
Status OpenFailure(int error, const std::filesystem::path& host) {
  return host::FailureFor(error, host);
}

int64_t Seconds(const struct statx_timestamp& t) { return t.tv_sec; }

// Opens `path` for reading: first under its exact name, then as ResolvePath finds it
// (a component that matches only without regard to case).
int OpenResolved(std::wstring_view path, std::filesystem::path* host, Status* failure) {
  std::string exact;
  if (host::ExactHostPath(path, &exact)) {
    int descriptor;
    do {
      descriptor = open(exact.c_str(), O_RDONLY | O_CLOEXEC);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor >= 0 || (errno != ENOENT && errno != ENOTDIR)) {
      if (descriptor < 0) *failure = OpenFailure(errno, exact);
      return descriptor;
    }
  }
  if (Status s = host::ResolvePath(path, host); !s.ok()) {
    *failure = s;
    return -1;
  }
  int descriptor;
  do {
    descriptor = open(host->c_str(), O_RDONLY | O_CLOEXEC);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) *failure = OpenFailure(errno, *host);
  return descriptor;
}

Status Describe(int descriptor, HandleInfo* info) {
  struct statx st;
  if (statx(descriptor, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
    return FromErrno(errno);
  }
  HandleInfo result;
  if (S_ISREG(st.stx_mode)) {
    result.kind = HandleKind::kDiskFile;
    result.size = st.stx_size;
  } else if (S_ISDIR(st.stx_mode)) {
    result.kind = HandleKind::kDirectory;
  } else {
    result.kind = HandleKind::kStream;
  }
  result.readOnly = (st.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  result.modifiedTime = Seconds(st.stx_mtime);
  result.accessTime = Seconds(st.stx_atime);
  result.creationTime = (st.stx_mask & STATX_BTIME) ? Seconds(st.stx_btime) : result.modifiedTime;
  *info = result;
  return Status::Ok();
}

}  // namespace

FileHandle::~FileHandle() {
  if (owned_ && descriptor_ >= 0) close(descriptor_);
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)),
      owned_(std::exchange(other.owned_, false)),
      isStream_(std::exchange(other.isStream_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    if (owned_ && descriptor_ >= 0) close(descriptor_);
    descriptor_ = std::exchange(other.descriptor_, -1);
    owned_ = std::exchange(other.owned_, false);
    isStream_ = std::exchange(other.isStream_, -1);
  }
  return *this;
}

Status FileHandle::Duplicate(int descriptor, FileHandle* out) {
  if (descriptor < 0) return Status(kErrorInvalidHandle);
  const int copy = fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return FromErrno(errno);
  *out = FileHandle(copy, true);
  return Status::Ok();
}

FileHandle FileHandle::Borrow(int descriptor) { return FileHandle(descriptor, false); }

Status FileHandle::Create(std::wstring_view path, FileHandle* out) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  int descriptor;
  do {
    descriptor = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return OpenFailure(errno, host);
  *out = FileHandle(descriptor, true);
  return Status::Ok();
}

Status FileHandle::OpenForAppending(std::wstring_view path, FileHandle* out) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  int descriptor;
  do {
    descriptor = open(host.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0) return OpenFailure(errno, host);
  *out = FileHandle(descriptor, true);
  return Status::Ok();
}

Status FileHandle::CreateTemporary(std::wstring_view beside, FileHandle* out) {
  std::filesystem::path folder;
  if (beside.empty()) {
    const char* temporary = std::getenv("TMPDIR");
    folder = temporary != nullptr && *temporary != '\0' ? temporary : "/tmp";
  } else {
    std::filesystem::path host;
    if (Status s = host::ResolvePath(beside, &host); !s.ok()) return s;
    folder = host.parent_path();
    if (folder.empty()) folder = ".";
  }
  int descriptor;
  do {
    descriptor = open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  } while (descriptor < 0 && errno == EINTR);
  if (descriptor < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
    // A file system without unnamed files: a fresh name, removed at once.
    std::string name = (folder / ".kv-scratch-XXXXXX").string();
    descriptor = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor >= 0) unlink(name.c_str());
  }
  if (descriptor < 0)
    return errno == ENOENT || errno == ENOTDIR ? Status(kErrorPathNotFound) : FromErrno(errno);
  *out = FileHandle(descriptor, true);
  return Status::Ok();
}

Status FileHandle::OpenForReading(std::wstring_view path, FileHandle* out, HandleInfo* info) {
  std::filesystem::path host;
  Status failure;
  const int descriptor = OpenResolved(path, &host, &failure);
  if (descriptor < 0) return failure;
  FileHandle handle(descriptor, true);
  HandleInfo described;
  if (Status s = Describe(descriptor, &described); !s.ok()) return s;
  // Windows opens no folder as a file.
  if (described.kind == HandleKind::kDirectory) return Status(kErrorAccessDenied);
  if (info != nullptr) *info = described;
  *out = std::move(handle);
  return Status::Ok();
}

Status FileHandle::GetInfo(HandleInfo* info) const {
  if (descriptor_ < 0) return Status(kErrorInvalidHandle);
  return Describe(descriptor_, info);
}

Status FileHandle::GetPosition(uint64_t* position) const {
  const off_t at = lseek(descriptor_, 0, SEEK_CUR);
  if (at < 0) return FromErrno(errno);
  *position = static_cast<uint64_t>(at);
  return Status::Ok();
}

Status FileHandle::Read(void* buffer, size_t size, size_t* got) {
  ssize_t n;
  do {
    n = read(descriptor_, buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *got = 0;
    return FromErrno(errno);
  }
  *got = static_cast<size_t>(n);
  return Status::Ok();
}

Status FileHandle::ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got) {
  ssize_t n;
  do {
    n = pread(descriptor_, buffer, size, static_cast<off_t>(offset));
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *got = 0;
    return FromErrno(errno);
  }
  *got = static_cast<size_t>(n);
  return Status::Ok();
}

namespace {

// write(2) that reports a pipe or socket whose reader has gone as an error (EPIPE)
// instead of letting SIGPIPE end the process, as Windows reports a broken pipe. The
// signal is blocked for this thread during the call and a SIGPIPE raised by it is
// consumed; one that was already pending stays pending.
ssize_t WriteWithoutSigpipe(int descriptor, const void* data, size_t size) {
  sigset_t pipeSignal, previous, pending;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  sigpending(&pending);
  const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
  const ssize_t n = write(descriptor, data, size);
  const int error = errno;
  if (n < 0 && error == EPIPE && !wasPending) {
    const struct timespec now = {0, 0};
    while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return n;
}

}  // namespace

Status FileHandle::Write(const void* data, size_t size) {
  if (isStream_ < 0) {
    struct stat info;
    isStream_ = fstat(descriptor_, &info) == 0 && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))
                    ? 1
                    : 0;
  }
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n =
        isStream_ ? WriteWithoutSigpipe(descriptor_, bytes, size) : write(descriptor_, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno == EPIPE ? Status(kErrorWriteFault) : FromErrno(errno);
    }
    if (n == 0) return Status(kErrorWriteFault);
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return Status::Ok();
}

Status FileHandle::WriteAt(uint64_t offset, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = pwrite(descriptor_, bytes, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (n == 0) return Status(kErrorWriteFault);
    bytes += n;
    offset += static_cast<uint64_t>(n);
    size -= static_cast<size_t>(n);
  }
  return Status::Ok();
}

Status FileHandle::Close() {
  const int descriptor = std::exchange(descriptor_, -1);
  const bool owned = std::exchange(owned_, false);
  if (!owned || descriptor < 0) return Status::Ok();
  // Linux releases the descriptor even when close reports an error: never retry.
  if (close(descriptor) != 0 && errno != EINTR) return FromErrno(errno);
  return Status::Ok();
}

AnonymousMapping::~AnonymousMapping() { Release(); }

AnonymousMapping::AnonymousMapping(AnonymousMapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

AnonymousMapping& AnonymousMapping::operator=(AnonymousMapping&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

Status AnonymousMapping::Create(size_t size, AnonymousMapping* out) {
  if (size == 0) return Status(kErrorInvalidParameter);
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return Status(kErrorNotEnoughMemory);
  AnonymousMapping mapping;
  mapping.data_ = static_cast<uint8_t*>(block);
  mapping.size_ = size;
  *out = std::move(mapping);
  return Status::Ok();
}

void AnonymousMapping::Release() {
  if (data_ != nullptr) munmap(data_, size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace kv
