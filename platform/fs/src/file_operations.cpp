// File and folder operations on Windows path strings, over POSIX.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "KVPlatform/file_system.h"
#include "host_files.h"
#include "kvhost/host_path.h"

namespace kv {

Status CreateDirectory(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  if (mkdir(host.c_str(), 0777) == 0) return Status::Ok();
  const int error = errno;
  if (error == ENOENT || error == ENOTDIR) return Status(kErrorPathNotFound);
  return host::FromErrno(error);
}

Status RemoveDirectory(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  if (rmdir(host.c_str()) == 0) return Status::Ok();
  const int error = errno;
  if (error == ENOTDIR) return Status(kErrorDirectory);
  if (error == EEXIST) return Status(kErrorDirNotEmpty);
  return host::FailureFor(error, host);
}

Status CopyFile(std::wstring_view source, std::wstring_view destination, bool failIfExists) {
  std::filesystem::path from, to;
  if (Status s = host::ResolvePath(source, &from); !s.ok()) return s;
  if (Status s = host::ResolvePath(destination, &to); !s.ok()) return s;
  return host::CopyHostFile(from, to, failIfExists);
}

Status DeleteFile(std::wstring_view path) {
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (lstat(host.c_str(), &info) != 0) return host::FailureFor(errno, host);
  if (S_ISDIR(info.st_mode)) return Status(kErrorAccessDenied);
  if (!S_ISLNK(info.st_mode) && host::ReadOnlyMode(info.st_mode)) return Status(kErrorAccessDenied);
  if (unlink(host.c_str()) != 0) return host::FailureFor(errno, host);
  return Status::Ok();
}

Status MoveFile(std::wstring_view source, std::wstring_view destination) {
  std::filesystem::path from, to;
  if (Status s = host::ResolvePath(source, &from); !s.ok()) return s;
  if (Status s = host::ResolvePath(destination, &to); !s.ok()) return s;
  if (host::RenameNoReplace(from.string(), to.string())) return Status::Ok();
  const int error = errno;
  if (error == ENOENT) {
    struct stat info;
    return lstat(from.c_str(), &info) != 0 ? host::FailureFor(ENOENT, from)
                                           : Status(kErrorPathNotFound);
  }
  return host::FromErrno(error);
}

Status GetFileStatus(std::wstring_view path, FileStatus* status) {
  // Settings files are asked for their status before every use: a path that exists
  // under its exact name costs one stat, without the lookup of each component.
  struct stat info;
  std::string exact;
  if (!host::ExactHostPath(path, &exact) || stat(exact.c_str(), &info) != 0) {
    std::filesystem::path host;
    if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
    if (stat(host.c_str(), &info) != 0) return host::FailureFor(errno, host);
  }
  status->isDirectory = S_ISDIR(info.st_mode);
  status->readOnly = host::ReadOnlyMode(info.st_mode);
  status->size = status->isDirectory ? 0 : static_cast<uint64_t>(info.st_size);
  status->modifiedTime = info.st_mtim.tv_sec;
  status->modifiedNanoseconds = info.st_mtim.tv_nsec;
  status->identity =
      FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  return Status::Ok();
}

Status Access(std::wstring_view path, int mode) {
  if (mode != 0 && mode != 2 && mode != 4 && mode != 6) return Status(kErrorInvalidParameter);
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  struct stat info;
  if (stat(host.c_str(), &info) != 0) return host::FailureFor(errno, host);
  // Write access needs the permission and, as on Windows, no read-only attribute
  // (which also holds for a process running as root).
  if ((mode & 2) != 0 && (host::ReadOnlyMode(info.st_mode) || access(host.c_str(), W_OK) != 0)) {
    return Status(kErrorAccessDenied);
  }
  if ((mode & 4) != 0 && access(host.c_str(), R_OK) != 0) return Status(kErrorAccessDenied);
  return Status::Ok();
}

}  // namespace kv
