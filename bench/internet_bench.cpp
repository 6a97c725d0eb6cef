// kvinternet's exports for bench/internet_bench.sh: one upload with kvInetSendFile, or
// one notification check, in this process; the script times it against curl.
//   internet_bench upload LOCAL_FILE REMOTE_PATH
//   internet_bench notes REMOTE_FOLDER LOCAL_FOLDER
// The configuration (hosts, accounts) comes from the registry of $KESTREL_ROOT.
#include <cstdio>
#include <cstring>
#include <string>

#include "KVPlatform/text.h"
#include "kvinternet/internet.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: internet_bench upload LOCAL REMOTE | notes REMOTE_FOLDER LOCAL_FOLDER\n");
    return 2;
  }
  std::wstring first = kv::AnsiToWide(argv[2]);
  std::wstring second = kv::AnsiToWide(argv[3]);
  if (std::strcmp(argv[1], "upload") == 0) {
    return kvInetSendFile(nullptr, first, second, 0) == 1 ? 0 : 1;
  }
  if (std::strcmp(argv[1], "notes") == 0) {
    const int count = kvInetNotificationCheck(first, second);
    std::printf("%d\n", count);
    return count > 0 ? 0 : 1;
  }
  return 2;
}
