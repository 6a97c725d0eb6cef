// IsFileUnicode: does a file begin with a byte-order mark?
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/path.h"

bool IsFileUnicode(const wchar_t* const fileName) {
  if (fileName == nullptr) return false;
  std::filesystem::path host;
  if (!kv::ResolvePath(fileName, &host).ok()) return false;
  std::ifstream file(host, std::ios::binary);
  if (!file) return false;
  unsigned char bytes[4] = {};
  file.read(reinterpret_cast<char*>(bytes), sizeof bytes);
  const size_t count = static_cast<size_t>(file.gcount());
  if (count < 2) return false;

  // Compared only over the bytes actually read; the longer marks first.
  static constexpr unsigned char kMarks[][4] = {
      {0xFF, 0xFE, 0x00, 0x00}, {0x00, 0x00, 0xFE, 0xFF}, {0xEF, 0xBB, 0xBF}, {0xFF, 0xFE}, {0xFE, 0xFF}};
  static constexpr size_t kLengths[] = {4, 4, 3, 2, 2};
  for (size_t m = 0; m < std::size(kMarks); ++m) {
    const size_t compared = std::min(kLengths[m], count);
    if (std::equal(bytes, bytes + compared, kMarks[m])) return true;
  }
  return false;
}
