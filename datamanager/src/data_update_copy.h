// The copying of a data update: the counting and logging folder copy, and the copy of
// a cache (the install cache or the network cache) into the data path.
#pragma once

#include <string>

namespace kv {
class CWnd;
}

namespace kv::datamanager {

// Copies the entries of `source` matching `pattern` ("/*.*" or "/*.fas") into
// `destination`, walking as kv_copy_directory does with the same mode (DIR_RECURSE,
// DIR_KEEP_EXISTING); every file copied raises the update count and is logged, every
// file that could not be copied after 100 retries raises the failure count and is noted
// (the walk goes on). Links are followed only inside the source and never into the
// destination; others are passed over and noted. Returns 0 when any file failed, else 1
// (also when the source can't be listed).
int CopyUpdateFolder(const std::wstring& source, const std::wstring& pattern,
                     const std::wstring& destination, unsigned mode);

// Top-level folders of a cache that an update never copies.
bool IsSkippedTopLevelFolder(const std::wstring& name);

// Copies the new and updated data of `cache` into `dataPath` (both terminated) under a
// progress window: new top-level folders whole, new or newer post-processors into
// existing folders, the missing always-present files, the changed menu archives, and
// finally, when nothing failed, the cache's "DataVersion.txt".
void CopyCacheToDataPath(const std::wstring& cache, const std::wstring& dataPath, kv::CWnd* parent);

}  // namespace kv::datamanager
