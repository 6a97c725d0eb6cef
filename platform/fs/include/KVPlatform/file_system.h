// The file and folder operations the system needs, on Windows path strings.
//
// Every call resolves its paths with ResolvePath and fails with the Win32 code that the
// matching Windows call would give (2, 3, 5, 80, 183, 112, ...).
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "KVPlatform/status.h"

namespace kv {

// Creates one folder; its parent must exist. 183 when something of that name exists,
// 3 when the parent is missing.
KV_EXPORT Status CreateDirectory(std::wstring_view path);

// Removes an empty folder. 145 when it is not empty, 2/3 when missing.
KV_EXPORT Status RemoveDirectory(std::wstring_view path);

// Copies a file with its contents, permission bits and modification time. With
// failIfExists an existing destination gives 80 and stays unchanged. The copy is
// written beside the destination and renamed over it, so a failed copy never leaves a
// torn destination.
KV_EXPORT Status CopyFile(std::wstring_view source, std::wstring_view destination,
                          bool failIfExists);

// Deletes a file (not a folder: 5).
KV_EXPORT Status DeleteFile(std::wstring_view path);

// Renames a file or folder; an existing destination gives 183.
KV_EXPORT Status MoveFile(std::wstring_view source, std::wstring_view destination);

// The identity of a file or folder on its volume: two paths with equal identities name
// the same thing (a folder reached again through a link, for one).
struct KV_EXPORT FileIdentity {
  uint64_t volume = 0;
  uint64_t file = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct KV_EXPORT FileStatus {
  bool isDirectory = false;
  bool readOnly = false;     // no write permission for this process
  uint64_t size = 0;         // bytes; 0 for folders
  int64_t modifiedTime = 0;  // seconds since 1970-01-01 UTC
  int64_t modifiedNanoseconds = 0;
  FileIdentity identity;
};

// Status of a file or folder (symbolic links followed).
KV_EXPORT Status GetFileStatus(std::wstring_view path, FileStatus* status);

// The runtime library's access test: mode 0 existence, 2 write, 4 read, 6 read and
// write. Any other mode gives 87 (invalid parameter). Fails with 2 when the path does
// not exist and 5 when the access is not granted.
KV_EXPORT Status Access(std::wstring_view path, int mode);

// One entry found by a directory search.
struct KV_EXPORT DirectoryEntry {
  std::wstring name;         // the entry's name as stored
  bool isDirectory = false;  // a folder, or a link to one
  bool isLink = false;       // a symbolic link (the other fields describe its target)
  uint64_t size = 0;
  int64_t modifiedTime = 0;
  bool readOnly = false;
  FileIdentity identity;  // of the target
};

// A directory search with Windows semantics. The search path is a folder and a
// pattern, as FindFirstFile takes it ("C:\data\*.txt"): `*` any run, `?` one character,
// no regard to case, "*.*" matches every name; "." and ".." come first when the pattern
// matches them. A search path without wildcards names one entry.
class KV_EXPORT DirectorySearch {
 public:
  // Starts a search. Fails with 2 when nothing matches, 3 when the folder is missing.
  static Status Start(std::wstring_view searchPath, std::unique_ptr<DirectorySearch>* search);

  virtual ~DirectorySearch();
  // The current entry; valid until Next.
  virtual const DirectoryEntry& Entry() const = 0;
  // Moves to the next entry; false (18, no more files) at the end.
  virtual bool Next() = 0;
};

// True when a name matches a Windows wildcard pattern (no regard to case).
KV_EXPORT bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name);

enum class DriveType : uint32_t {
  kUnknown = 0,
  kNoRootDirectory = 1,
  kRemovable = 2,
  kFixed = 3,
  kRemote = 4,
  kCdRom = 5,
  kRamDisk = 6,
};

// The kind of the volume that holds a root such as "C:\" or "\\srv\share\": remote when
// its host folder lies on a network file system, fixed otherwise; no root folder when
// it does not exist.
KV_EXPORT DriveType GetDriveType(std::wstring_view root);

// The free bytes of the volume that holds `path` (the whole volume's, not a quota). A
// path that does not exist yet is measured on the volume of its nearest existing folder.
KV_EXPORT Status GetDiskFreeSpace(std::wstring_view path, uint64_t* freeBytes);

// Simulation hooks for tests and demonstrations, answering a query instead of the host
// (a hook returns false to leave the query to the host; an empty hook removes it).
using FreeSpaceHook = std::function<bool(std::wstring_view path, uint64_t* freeBytes)>;
KV_EXPORT void SetFreeSpaceHook(FreeSpaceHook hook);
using DriveTypeHook = std::function<bool(std::wstring_view root, DriveType* type)>;
KV_EXPORT void SetDriveTypeHook(DriveTypeHook hook);

}  // namespace kv
