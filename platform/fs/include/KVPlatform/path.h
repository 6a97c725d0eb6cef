// Windows path strings and their resolution to host paths.
//
// The system keeps Windows path strings as its currency: `\` and `/` both separate, and
// drive letters and UNC names are allowed. The split of a path into its parts is pure
// string work; only ResolvePath looks at the disk.
//
//   C:\data\post        => <root>/drives/c/data/post
//   c:/data\post        => <root>/drives/c/data/post
//   \\srv\share\jobs    => <root>/unc/srv/share/jobs
//   /home/ann/data\post => /home/ann/data/post        (a host path)
#pragma once

#include "KVPlatform/export.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"

namespace kv {

enum class PathKind {
  kDrive,  // X:\rest or X:/rest (also the bare X: and X:rest, read as X:\rest)
  kUnc,    // \\server\share\rest
  kHost,   // anything else: a host path with either separator
};

struct KV_EXPORT WindowsPath {
  PathKind kind = PathKind::kHost;
  wchar_t drive = 0;              // lower-case drive letter for kDrive
  std::wstring server, share;     // for kUnc
  bool absolute = false;          // kHost: begins with a separator
  std::vector<std::wstring> components;  // the rest, without empty components or "."
};

// Splits a path; ".." components are kept as they stand. Never fails.
KV_EXPORT WindowsPath ParseWindowsPath(std::wstring_view path);

// True for `\` and `/`.
constexpr bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Maps a path to the host file system. Existing components are looked up by exact name
// first, then without regard to case; the first component that does not exist and all
// after it keep the caller's spelling. Fails with 3 (path not found) for an unmapped
// drive, a UNC path without a share, or an empty path.
KV_EXPORT Status ResolvePath(std::wstring_view path, std::filesystem::path* host);

// The host folder of a drive letter under the root (it may not exist).
KV_EXPORT std::filesystem::path DriveFolder(wchar_t letter);

}  // namespace kv
