// The host side of the file operations: errno translation, folder listings, copies and
// renames on host paths. Shared by the sources of the fs library; not exported.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/status.h"

namespace kv::host {

Status FromErrno(int error);

// A failed lookup of `host` is "file not found" when its folder exists and "path not
// found" when the folder itself is missing, as Windows tells them apart.
Status FailureFor(int error, const std::filesystem::path& host);

// The host path that ResolvePath gives for a path whose every component exists under
// its exact name, found without looking at the disk: callers try it first and resolve
// the path only when it does not exist. False for a path with ".." (which ResolvePath
// takes lexically), for relative host paths and for bare roots.
bool ExactHostPath(std::wstring_view path, std::string* host);

// Windows' read-only attribute: no write permission bit at all.
bool ReadOnlyMode(mode_t mode);

// Renames without replacing an existing target (errno EEXIST then). File systems that
// refuse the flag (NFS) get the same through a hard link, or a check and a rename for
// folders.
bool RenameNoReplace(const std::string& from, const std::string& to);

// Copies the bytes of one open file into another (copy_file_range where it can).
bool CopyContents(int in, int out, off_t size);

// Describes the entry `name` of a host folder (a link by its target; a dangling link
// stays described as a link). False when it vanished.
bool DescribeEntry(const std::string& folder, const std::string& name, DirectoryEntry* entry);

// The entries of a host folder whose names match a Windows wildcard pattern, listed as
// NTFS lists them: "." and ".." first, then by name without regard to case. Fails with
// the Win32 code when the folder cannot be read.
Status ListFolder(const std::string& folder, std::wstring_view pattern,
                  std::vector<DirectoryEntry>* entries);

// Copies one file between host paths with its contents, permission bits and times. The
// copy is written beside the destination and put in its place only when complete (a
// rename over it, or with failIfExists a rename that replaces nothing: 80 when taken). A
// folder or read-only destination is refused (5), as Windows refuses it; in a folder
// that takes no new files an existing writable file is rewritten in place.
Status CopyHostFile(const std::filesystem::path& from, const std::filesystem::path& to,
                    bool failIfExists);

}  // namespace kv::host
