// Volumes: the kind of a drive and its free space, with the simulation hooks that tests
// and demonstrations use instead of the host's answers.
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <mutex>

#include "KVPlatform/file_system.h"
#include "host_files.h"
#include "kvhost/host_path.h"

namespace kv {
namespace {

std::mutex g_hookMutex;
FreeSpaceHook g_freeSpaceHook;
DriveTypeHook g_driveTypeHook;

template <typename Hook>
Hook CopyHook(const Hook& hook) {
  std::lock_guard lock(g_hookMutex);
  return hook;
}

}  // namespace

DriveType GetDriveType(std::wstring_view root) {
  if (DriveTypeHook hook = CopyHook(g_driveTypeHook)) {
    DriveType type;
    if (hook(root, &type)) return type;
  }
  std::filesystem::path host;
  if (!host::ResolvePath(root, &host).ok()) return DriveType::kNoRootDirectory;
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
    default: return DriveType::kFixed;
  }
}

Status GetDiskFreeSpace(std::wstring_view path, uint64_t* freeBytes) {
  if (FreeSpaceHook hook = CopyHook(g_freeSpaceHook)) {
    if (hook(path, freeBytes)) return Status::Ok();
  }
  std::filesystem::path host;
  if (Status s = host::ResolvePath(path, &host); !s.ok()) return s;
  struct statvfs info;
  while (statvfs(host.c_str(), &info) != 0) {
    const int error = errno;
    if (error != ENOENT || !host.has_relative_path()) return host::FailureFor(error, host);
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
