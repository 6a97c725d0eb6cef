// MigrateDataFromUserCache: which cache, if any, is newer than the data path, the copy
// from it, and what the user is told.
#include "KVDataManager/migrate_data.h"

#include <string>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "data_update_copy.h"
#include "data_update_log.h"
#include "data_update_versions.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kInventorPreferenceKeys[] = {
    L"SOFTWARE\\Autodesk\\Inventor\\RegistryVersion26.0\\System\\Preferences",
    L"SOFTWARE\\Autodesk\\Inventor\\RegistryVersion27.0\\System\\Preferences",
};

constexpr const wchar_t* kCacheFolder = L"UserDataCache\\";
constexpr size_t kCacheFolderLength = 14;

constexpr const wchar_t* kNoDataPath = L"No Data Path directory set\nPlease reinstall.";
constexpr const wchar_t* kCreateFailed =
    L"Error creating the Data Path directory\n%s\nCheck permission levels.";
constexpr const wchar_t* kLogFailed =
    L"Error creating the DataManagerLog.txt file in the Data Path Directory.\n%s\n"
    L"Check permission levels.";
constexpr const wchar_t* kFilesUpdated =
    L"A software update has completed.\nNumber of files updated = %d";
constexpr const wchar_t* kFilesNotUpdated =
    L"\nNumber of files that could not be updated = %d"
    L"\nThe update will be tried again at the next start. Check permission levels.";
constexpr const wchar_t* kUpToDate =
    L"A software update has completed.\nAll Data Files were up to date.";
constexpr const wchar_t* kSharedPathNotice =
    L"\n\nYour Kestrel Systems Software is currently configured to update from a shared path."
    L"\nA network administrator or person with administrator rights must complete the"
    L"\nNetwork update by running the Kestrel Systems Data Manager command."
    L"\n\nNotice: Your LOCAL (on this computer) data files have been updated.";

bool HoldsDwordOne(const wchar_t* key, const wchar_t* name) {
  kv::RegKey existing;
  kv::RegValue value;
  return kv::RegKey::Open(kv::Hive::kCurrentUser, key, kv::kKeyQueryValue | kv::kKeyWow64_64Key,
                          &existing)
             .ok() &&
         existing.QueryValue(name, &value).ok() && value == kv::RegValue::Dword(1);
}

// Lets Inventor load registry-based add-ins; failures are of no consequence here. A
// value that already holds 1 is not written again: every product start passes here,
// and a write rewrites the whole hive file.
void AllowInventorAddins() {
  for (const wchar_t* key : kInventorPreferenceKeys) {
    if (HoldsDwordOne(key, L"LoadRegisterBasedAddins")) continue;
    kv::RegKey preferences;
    if (!kv::RegKey::Create(kv::Hive::kCurrentUser, key, kv::kKeySetValue | kv::kKeyWow64_64Key,
                            &preferences)
             .ok()) {
      continue;
    }
    (void)preferences.SetValue(L"LoadRegisterBasedAddins", kv::RegValue::Dword(1));
  }
}

struct NetworkCache {
  std::wstring folder;
  bool configured = false;  // a shared path was read from the registry
};

// The network cache: a configured folder that names the installation itself is the
// install cache; any other is the parent of "Kestrel Systems\UserDataCache\".
NetworkCache FindNetworkCache(const std::wstring& productKey, const std::wstring& installCache) {
  NetworkCache cache;
  cache.configured = kv::ReadRegistryPath(kv::Hive::kCurrentUser, productKey,
                                          L"NetworkDataCache Path", &cache.folder)
                         .ok() ||
                     kv::ReadRegistryPath(kv::Hive::kLocalMachine, productKey,
                                          L"UserDataCache Path", &cache.folder)
                         .ok();
  if (cache.configured) Terminate(cache.folder);
  const std::wstring installPath = installCache.substr(0, installCache.size() - kCacheFolderLength);
  if (!kv::EqualsNoCase(cache.folder, installPath)) cache.folder += L"Kestrel Systems\\";
  cache.folder += kCacheFolder;
  return cache;
}

std::wstring UpdatedMessage() {
  std::wstring message =
      UpdateCount() < 1 && FailedCount() == 0
          ? std::wstring(kUpToDate)
          : kv::FormatMessageText(kFilesUpdated, {static_cast<long long>(UpdateCount())});
  // Files that could not be copied leave the data path older than the cache: the user
  // is told, and the next start tries again.
  if (FailedCount() > 0) {
    message += kv::FormatMessageText(kFilesNotUpdated, {static_cast<long long>(FailedCount())});
  }
  return message;
}

}  // namespace
}  // namespace kv::datamanager

using namespace kv::datamanager;

extern "C" bool MigrateDataFromUserCache(const wchar_t* productKey, kv::CWnd* parent) {
  AllowInventorAddins();
  ResetUpdateCount();
  const std::wstring key = productKey ? productKey : L"";

  std::wstring dataPath;
  if (!ReadProductDataPath(key, dataPath)) {
    kv::ShowMessageBox(kNoDataPath, kv::kMbOk);
    return false;
  }
  if (!CreateFolder(dataPath.c_str())) {
    kv::ShowMessageBox(kv::FormatMessageText(kCreateFailed, {dataPath}), kv::kMbOk);
    return false;
  }
  if (!OpenUpdateLog(dataPath + L"DataManagerLog.txt")) {
    kv::ShowMessageBox(kv::FormatMessageText(kLogFailed, {dataPath}), kv::kMbOk);
    return false;
  }
  WriteUpdateLogTimeStamp();

  const std::wstring dataVersion = ReadDataVersion(dataPath);
  std::wstring installCache;
  const bool installed =
      kv::ReadRegistryPath(kv::Hive::kLocalMachine, key, L"Install Path", &installCache).ok();
  installCache += kCacheFolder;
  const NetworkCache network = FindNetworkCache(key, installCache);

  // Without an install path, or without a configured shared folder, the cache is a
  // relative path whose version counts as empty: it is never looked up in whatever
  // the current folder happens to be.
  const std::wstring installVersion = installed ? ReadDataVersion(installCache) : std::wstring();
  if (installVersion > dataVersion) {
    CopyCacheToDataPath(installCache, dataPath, parent);
    std::wstring message = UpdatedMessage();
    // The notice is for installations set up to take their data from a shared folder
    // other than the installation itself.
    if (UpdateCount() >= 1 && network.configured &&
        !kv::EqualsNoCase(network.folder, installCache)) {
      message += kSharedPathNotice;
    }
    kv::ShowMessageBox(message, kv::kMbOk);
  } else if (network.configured && dataVersion < ReadDataVersion(network.folder)) {
    CopyCacheToDataPath(network.folder, dataPath, parent);
    kv::ShowMessageBox(UpdatedMessage(), kv::kMbOk);
  }

  CloseUpdateLog();
  return true;
}
