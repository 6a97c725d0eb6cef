// The data update that every product start runs: brings the user's data path up to
// date with the install cache or the network cache.
#pragma once

#include "KVPlatform/export.h"

namespace kv {
class CWnd;
}

extern "C" {

// Compares the data version ("DataVersion.txt") of the product's data path with those
// of the install cache (<Install Path>UserDataCache\) and the network cache, and when
// one is newer copies its new folders and newer post-processors into the data path
// under a progress window, logging every copy in "DataManagerLog.txt" and telling the
// user how many files were updated. `productKey` is the key below the registry hive
// roots ("SOFTWARE\Kestrel\KVDNC"); `parent` owns the progress window (may be null).
// True when the data path exists (or was created) and its log could be opened, whether
// or not anything was copied; false after an error message, with nothing copied.
KV_EXPORT bool MigrateDataFromUserCache(const wchar_t* productKey, kv::CWnd* parent);

}  // extern "C"
