// Uses one export of each installed library and says what it got: a length formatted,
// a path shortened, a zip archive written to memory, and the data manager's release
// table reached through its database-root call on an empty root.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "KVDataManager/data_root.h"
#include "KVFileUtilities/path_utilities.h"
#include "KVFileUtilities/zip.h"
#include "KVNumber/number.h"
#include "KVPlatform/ui.h"

int main() {
  wchar_t text[64] = {};
  rtos(3.14159, 2, 3, text);
  const std::wstring formatted = text;

  wchar_t shortened[64] = {};
  const int cut =
      kv_trunc_path(L"C:\\Users\\Public\\Documents\\Kestrel\\KVDNC\\Post\\Fanuc", shortened, 24);

  HZIP zip = CreateZipZ(nullptr, 1 << 16, ZIP_MEMORY);
  char data[] = "hello";
  const unsigned long added = ZipAdd(zip, L"hello.txt", data, 5, ZIP_MEMORY);
  const unsigned long closed = CloseZipZ(zip);

  std::wstring root;
  const bool found = kv_GetDataBaseRootPath(root);  // no registry: nothing found

  std::printf("rtos: %ls\ntrunc: %d %ls\nzip: %lu %lu\ndatabase root found: %d\n",
              formatted.c_str(), cut, shortened, added, closed, found ? 1 : 0);
  const bool ok = formatted == L"3.142" && cut == 1 && added == HZ_OK && closed == HZ_OK && !found;
  std::puts(ok ? "consumer: OK" : "consumer: FAILED");
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
