// kvdbroot: prints the database root of the current release, as the suite's products
// find it at start-up (carrying an earlier release forward, or moving a pre-2008
// database into the data path with its messages and progress window).
//
//   kvdbroot          prints the folder; exit 0, or 1 when none could be had
#include <cstdio>
#include <cstring>
#include <string>

#include "KVDataManager/data_root.h"
#include "KVPlatform/root.h"
#include "KVPlatform/text.h"

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
    std::printf("usage: kvdbroot\nPrints the database root folder of the current release.\n");
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
      std::fprintf(stderr, "kvdbroot: the database move into %s was cancelled\n",
                   kv::WideToAnsi(path).c_str());
    }
    return 1;
  }
  std::printf("Database root: %s\n", kv::WideToAnsi(path).c_str());
  return 0;
}
