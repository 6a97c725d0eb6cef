// The root folder of the parts-library and nesting databases of the current release.
#pragma once

#include <string>

#include "KVPlatform/export.h"

// Finds the database root for the current release, carrying an earlier release's path
// forward or moving a pre-2008 database into the data path on first use. On true,
// `path` holds a terminated folder. On false, `path` is unchanged when no data path is
// configured, and holds the terminated data path when the user gave up the move for
// lack of disk space.
KV_EXPORT bool kv_GetDataBaseRootPath(std::wstring& path);
