// Minizip's file access through the platform: archives are opened by Windows path and
// read through a platform file handle, so the archive reader does no file I/O of its own.
#pragma once

#include <ioapi.h>
#include <unzip.h>

#include <string_view>

namespace kv::datamanager {

// Opens the archive `path` (a regular file) for minizip; null when it cannot be opened
// or is not a zip archive. Close it with unzClose.
unzFile OpenZipThroughPlatform(std::wstring_view path);

}  // namespace kv::datamanager
