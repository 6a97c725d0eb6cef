// Text files read line by line: the post descriptions, compile data and variable lists.
#include <string>
#include <vector>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "path_table.h"

namespace kv::datamanager {
namespace {

// These files are small; anything larger is not one of them.
constexpr uint64_t kTextFileLimit = uint64_t{16} << 20;

}  // namespace

bool ReadTextLines(const std::wstring& path, std::vector<std::wstring>& lines) {
  std::string bytes;
  if (!kv::ReadFile(path, &bytes, kTextFileLimit).ok()) return false;
  std::wstring text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    text = kv::Utf16LeToWide(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
  } else {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    text = kv::AnsiToWide(bytes);
  }
  lines.clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return true;
}

}  // namespace kv::datamanager
