// Reading the data version and the post version of folders.
#include "data_update_versions.h"

#include <climits>
#include <string_view>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"

namespace kv::datamanager {
namespace {

// Version files are a few lines; anything past this is not one.
constexpr uint64_t kVersionFileLimit = 1 << 20;

bool ReadText(const std::wstring& file, std::string* text) {
  return kv::ReadFile(file, text, kVersionFileLimit).ok();
}

// The next line of `text` from `*pos`, without its line end; false past the end.
bool NextLine(const std::string& text, size_t* pos, std::string* line) {
  if (*pos >= text.size()) return false;
  size_t end = text.find('\n', *pos);
  if (end == std::string::npos) end = text.size();
  line->assign(text, *pos, end - *pos);
  *pos = end + 1;
  if (!line->empty() && line->back() == '\r') line->pop_back();
  return true;
}

}  // namespace

std::wstring ReadDataVersion(const std::wstring& folder) {
  std::string text, line;
  size_t pos = 0;
  if (!ReadText(folder + L"DataVersion.txt", &text) || !NextLine(text, &pos, &line)) return {};
  // A UTF-8 byte-order mark written by an editor is not part of the version.
  if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  return kv::AnsiToWide(line);
}

bool ParsePostVersionLine(const std::string& line, int* version) {
  if (line.compare(0, 12, "Post Version") != 0 || line.size() < 12) return false;
  const size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  size_t pos = colon + 1;
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < line.size() && (line[pos] == '-' || line[pos] == '+')) {
    negative = line[pos] == '-';
    ++pos;
  }
  long long value = 0;
  for (; pos < line.size() && line[pos] >= '0' && line[pos] <= '9'; ++pos) {
    value = value * 10 + (line[pos] - '0');
    if (value > INT_MAX) value = INT_MAX;  // saturate, as the runtime's conversion does
  }
  *version = static_cast<int>(negative ? -value : value);
  return true;
}

int ReadPostVersion(const std::wstring& folder) {
  std::string text, line;
  if (!ReadText(folder + L"\\KVPostCompileData.txt", &text)) return 0;
  int version = 0;
  size_t pos = 0;
  while (NextLine(text, &pos, &line)) {
    int value = 0;
    if (ParsePostVersionLine(line, &value)) version = value;
  }
  return version;
}

}  // namespace kv::datamanager
