// kv_GetDataBaseRootPath: the database root of the current release.
#include "KVDataManager/data_root.h"

#include "KVPlatform/file_system.h"
#include "database_migration.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kDatabasePath = L"Database Path";
constexpr const wchar_t* kDataPath = L"Data Path";
constexpr int kOldestRelease = 2008;

std::wstring DatabaseKey(int year) {
  return L"Software\\Kestrel\\PIECEbank\\" + std::to_wstring(year);
}

}  // namespace
}  // namespace kv::datamanager

using namespace kv::datamanager;

bool kv_GetDataBaseRootPath(std::wstring& path) {
  // Set up before: the current release's own key.
  if (kv::ReadRegistryPath(kv::Hive::kCurrentUser, kCurrentDatabaseKey, kDatabasePath, &path)
          .ok()) {
    const std::wstring folder = IsTerminated(path) ? path.substr(0, path.size() - 1) : path;
    (void)kv::CreateDirectory(folder);  // one level; exists or parent missing are fine
    Terminate(path);
    return true;
  }

  std::wstring dataPath;
  if (!kv::ReadRegistryPath(kv::Hive::kCurrentUser, kCurrentDatabaseKey, kDataPath, &dataPath)
           .ok() &&
      !kv::ReadRegistryPath(kv::Hive::kLocalMachine, kCurrentDatabaseKey, kDataPath, &dataPath)
           .ok()) {
    return false;
  }
  Terminate(dataPath);
  path = dataPath;

  // An earlier release (the one just before this, down to 2008) is carried forward, and
  // this call hands back the path it carried, as every later call will.
  std::wstring earlier;
  for (int year = kCurrentReleaseYear - 1; year >= kOldestRelease; --year) {
    if (kv::ReadRegistryPath(kv::Hive::kCurrentUser, DatabaseKey(year), kDatabasePath, &earlier)
            .ok()) {
      Terminate(earlier);
      WriteUserRegistryString(kCurrentDatabaseKey, kDatabasePath, earlier);
      path = earlier;
      return true;
    }
  }

  // A release older than 2008 kept its database under the 2007 key or the bare one.
  if (!kv::ReadRegistryPath(kv::Hive::kCurrentUser, DatabaseKey(2007), kDatabasePath, &earlier)
           .ok() &&
      !kv::ReadRegistryPath(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank", kDatabasePath,
                            &earlier)
           .ok()) {
    WriteUserRegistryString(kCurrentDatabaseKey, kDatabasePath, path);  // a fresh installation
    return true;
  }

  Terminate(earlier);
  const MigrationOutcome outcome = MigrateEarlierDatabase(earlier, path);
  if (outcome == MigrationOutcome::kGivenUp || outcome == MigrationOutcome::kFailed) return false;
  WriteUserRegistryString(kCurrentDatabaseKey, kDatabasePath, path);
  return true;
}
