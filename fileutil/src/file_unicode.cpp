// IsFileUnicode: does a file begin with a byte-order mark?
#include <algorithm>
#include <string>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_tasks.h"

bool IsFileUnicode(const wchar_t* const fileName) {
  if (fileName == nullptr) return false;
  std::string head;
  if (!kv::ReadFileHead(fileName, 4, &head).ok()) return false;
  const size_t count = head.size();
  if (count < 2) return false;
  const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());

  // Compared only over the bytes actually read; the longer marks first.
  static constexpr unsigned char kMarks[][4] = {{0xFF, 0xFE, 0x00, 0x00},
                                                {0x00, 0x00, 0xFE, 0xFF},
                                                {0xEF, 0xBB, 0xBF},
                                                {0xFF, 0xFE},
                                                {0xFE, 0xFF}};
  static constexpr size_t kLengths[] = {4, 4, 3, 2, 2};
  for (size_t m = 0; m < std::size(kMarks); ++m) {
    const size_t compared = std::min(kLengths[m], count);
    if (std::equal(bytes, bytes + compared, kMarks[m])) return true;
  }
  return false;
}
