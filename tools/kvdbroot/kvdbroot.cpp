// kvdbroot: finds the database root of the current release as the suite's products do
// at start-up, and prints it. Like them, the first run of a release stores the root
// ("Database Path") in the registry, carrying an earlier release's forward or moving a
// pre-2008 database into the data path (with its questions and progress window).
//
//   kvdbroot          prints the folder; exit 0, or 1 when none could be had
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "KVDataManager/data_root.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/root.h"
#include "KVPlatform/text.h"

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::printf(
        "usage: kvdbroot\n"
        "Finds the database root folder of the current release, as the products do at\n"
        "start-up, and prints it. The first run of a release also stores it in the\n"
        "registry (\"Database Path\" under Software\\Kestrel\\PIECEbank\\2024), carrying an\n"
        "earlier release's root forward or moving a pre-2008 database into the data\n"
        "path; it asks before a move.\n");
    return 0;
  }
  std::printf("Root folder: %s\n", kv::RootFolder().c_str());
  std::fflush(stdout);  // before the console UI writes its boxes to standard error
  std::wstring path;
  if (!kv_GetDataBaseRootPath(path)) {
    if (path.empty()) {
      std::fprintf(stderr,
                   "kvdbroot: no \"Data Path\" under Software\\Kestrel\\PIECEbank\\2024 in "
                   "HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE\n");
    } else {
      std::fprintf(stderr,
                   "kvdbroot: the database move into %s was cancelled or failed; it is tried again "
                   "at the next run\n",
                   kv::WideToAnsi(path).c_str());
    }
    return 1;
  }
  std::printf("Database root: %s\n", kv::WideToAnsi(path).c_str());
  // A root on a drive letter that is not mapped under the root folder cannot be reached.
  if (path.size() >= 2 && path[1] == L':' &&
      kv::GetDriveType(path.substr(0, 2) + L"\\") == kv::DriveType::kNoRootDirectory) {
    std::fprintf(stderr,
                 "kvdbroot: warning: drive %c: of the database root is not mapped (no folder "
                 "%s/drives/%c)\n",
                 static_cast<char>(path[0]), kv::RootFolder().c_str(),
                 static_cast<char>(std::tolower(static_cast<unsigned char>(path[0]))));
  }
  return 0;
}
