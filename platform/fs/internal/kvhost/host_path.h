// The host side of Windows paths: where a path lies on this machine's file system.
// Internal to the platform: the system's code names files by Windows paths and hands
// whole tasks to the platform, which alone resolves them.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv::host {

// Maps a path to the host file system. Existing components are looked up by exact name
// first, then without regard to case; the first component that does not exist and all
// after it keep the caller's spelling. ".." never climbs above a drive or a share.
// Fails with 3 (path not found) for an unmapped drive, a UNC path without a share, or an
// empty path, and with 123 (invalid name) for a path holding a zero character (the
// system call would stop at it, after the checks saw the whole name).
KV_EXPORT Status ResolvePath(std::wstring_view path, std::filesystem::path* host);

// The host folder of a drive letter under the root (it may not exist).
KV_EXPORT std::filesystem::path DriveFolder(wchar_t letter);

// The Windows path of a host path, the way back from ResolvePath for a folder a
// person picked on the host (the desktop's folder dialog): inside a mapped drive's folder it is
// that drive, inside <root>/unc/<server>/<share> that share, elsewhere the host path as
// it stands. Links are followed on both sides, so a drive linked elsewhere still maps;
// the spelling of the components below the drive or share is the host's.
//
//   <root>/drives/c             => C:\ (the root of the drive)
//   <root>/drives/c/Jobs/nc     => C:\Jobs\nc
//   <root>/unc/srv/share/jobs   => \\srv\share\jobs
//   /home/ann/data              => /home/ann/data
KV_EXPORT std::wstring HostToWindowsPath(const std::filesystem::path& host);

// The root folder and its registry folder as host paths.
KV_EXPORT std::filesystem::path RootPath();
KV_EXPORT std::filesystem::path RegistryFolder();

}  // namespace kv::host
