// MigrateEarlierDatabase: a pre-2008 database moved into the data path under a progress
// window, after a disk-space check; one on a network drive stays where it is.
#include "database_migration.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "process_wait.h"

namespace kv::datamanager {
namespace {

struct DatabaseFolder {
  const wchar_t* folder;
  unsigned mode;  // kv_copy_directory flags
};

// In copy order.
constexpr std::array<DatabaseFolder, 7> kDatabaseFolders = {{
    {L"material", 0},
    {L"partlib", DIR_RECURSE},
    {L"kvnest/bin", 0},
    {L"kvnest/jobs061", DIR_RECURSE},
    {L"kvnest/dbases", DIR_RECURSE},
    {L"kvnest/jobs", DIR_RECURSE},
    {L"kvnest/reports", DIR_RECURSE},
}};

constexpr const wchar_t* kDoneMarker = L"DataMigration2008Done.txt";

std::wstring NetworkMessage(const std::wstring& earlier) {
  return L"IMPORTANT NOTE:  An earlier version of your PIECEbank and KV-Nest databases has been "
         L"detected\non the following networked drive:\n\n" +
         earlier +
         L"\n\nThis data WILL NOT be connected to automatically as it will require a conversion "
         L"for Release 2008\ncompatibility. "
         L"This could affect other Kestrel Systems users. This Library Path will be set to your "
         L"local\nsystem. The Library Path can be redirected to the network location in the "
         L"KV-Design Preferences;\n"
         L"however, it is strongly recommended that you consult with your IT department before "
         L"connecting to\nnetworked data as a conversion will be performed. "
         L"For technical assistance, please contact Kestrel\nSystems Technical Support at " +
         std::wstring(kSupportTelephone) + L".\n\n" + L"This dialog will not be displayed again.";
}

std::wstring NoteMessage(const std::wstring& dataPath) {
  return L"NOTE:  An earlier version of your PIECEbank and KV-Nest databases has been detected.\n"
         L"For Microsoft\u00AE Windows\u00AE compliancy, this data will be copied to the following "
         L"location\nand converted for Release 2008 compatibility. This will become your new "
         L"working data.\nThis process may take a few minutes.\n\n" +
         dataPath;
}

constexpr const wchar_t* kCopyFailedMessage =
    L"Error copying the database folder\n%s\nto\n%s\nThe databases will be copied again the next "
    L"time the software starts.\nCheck permission levels.";

constexpr const wchar_t* kNoSpaceMessage =
    L"There is not enough disk space available to copy the databases to the new location.\n"
    L"Please free of some disk space and press Retry.";

// The bytes of all files below a folder; names beginning with '.' are skipped. Sizes
// count in full (a file of 4 GiB or more is not cut to its low 32 bits). A link back to
// a folder being counted is a loop and counts nothing, as the copy skips it.
uint64_t FolderBytes(const std::wstring& folder, std::vector<kv::FileIdentity>* ancestors) {
  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(folder + L"/*.*", &search).ok()) return 0;
  uint64_t total = 0;
  do {
    const kv::DirectoryEntry& entry = search->Entry();
    if (entry.name == L".") ancestors->push_back(entry.identity);
    if (entry.name.empty() || entry.name[0] == L'.') continue;
    if (!entry.isDirectory) {
      total += entry.size;
    } else if (std::find(ancestors->begin(), ancestors->end(), entry.identity) ==
               ancestors->end()) {
      const size_t depth = ancestors->size();
      total += FolderBytes(folder + L"/" + entry.name, ancestors);
      ancestors->resize(depth);
    }
  } while (search->Next());
  return total;
}

// Four thirds of the data: room for the copy and its conversion.
uint64_t SpaceNeeded(const std::wstring& earlier) {
  uint64_t sum = 0;
  for (const DatabaseFolder& row : kDatabaseFolders) {
    std::vector<kv::FileIdentity> ancestors;
    sum += FolderBytes(earlier + row.folder, &ancestors);
  }
  return sum + sum / 3;
}

std::wstring ShortenedForDisplay(const std::wstring& path) {
  std::vector<wchar_t> shortened(std::max<size_t>(path.size(), 64) + 1, L'\0');
  if (kv_trunc_path(path.c_str(), shortened.data(), 64) == 0) return path;
  return shortened.data();
}

void CreateEmptyFile(const std::wstring& path) { (void)kv::WriteFileAtomically(path, {}); }

}  // namespace

MigrationOutcome MigrateEarlierDatabase(const std::wstring& earlier, const std::wstring& dataPath) {
  if (kv::GetDriveType(earlier.substr(0, 3)) == kv::DriveType::kRemote) {
    kv::ShowMessageBox(NetworkMessage(earlier), kv::kMbOk);
    return MigrationOutcome::kLeftOnNetwork;
  }

  kv::ShowMessageBox(NoteMessage(dataPath), kv::kMbOk);
  const std::wstring marker = dataPath + kDoneMarker;
  if (kv_AccessCheck(marker.c_str(), 0, false)) return MigrationOutcome::kDone;

  for (;;) {
    const uint64_t needed = SpaceNeeded(earlier);
    uint64_t freeBytes = 0;
    if (!kv::GetDiskFreeSpace(dataPath, &freeBytes).ok()) freeBytes = 0;
    if (freeBytes >= needed) break;
    if (kv::ShowMessageBox(kNoSpaceMessage, kv::kMbRetryCancel) != kv::kIdRetry) {
      return MigrationOutcome::kGivenUp;
    }
  }

  // The data path may not exist yet on a first start; the single-level folders below
  // and the done marker need it.
  (void)CreateFolder(dataPath.c_str());
  CProcessWait progress(L"Copying Database Files",
                        L"Please wait while the database files are copied to your data directory.");
  progress.SetRange(0, static_cast<int>(kDatabaseFolders.size()));
  int step = 0;
  for (const DatabaseFolder& row : kDatabaseFolders) {
    const std::wstring folder = row.folder;
    const std::wstring destination = dataPath + folder;
    if (folder.starts_with(L"kvnest/")) (void)kv::CreateDirectory(dataPath + L"kvnest");
    (void)kv::CreateDirectory(destination);
    progress.SetPath(ShortenedForDisplay(destination));
    const std::wstring source = earlier + folder;
    if (kv_copy_directory(source.c_str(), L"/*.*", destination.c_str(), row.mode) == 0) {
      progress.Close();
      kv::ShowMessageBox(kv::FormatMessageText(kCopyFailedMessage, {source, destination}),
                         kv::kMbOk | kv::kMbIconError);
      return MigrationOutcome::kFailed;
    }
    progress.SetPos(++step);
  }
  CreateEmptyFile(marker);
  progress.Close();
  return MigrationOutcome::kDone;
}

}  // namespace kv::datamanager
