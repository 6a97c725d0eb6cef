// Reading the data version and the post version of folders.
#include "data_update_versions.h"

#include <climits>
#include <filesystem>
#include <fstream>

#include "KVPlatform/path.h"
#include "KVPlatform/text.h"

namespace {

bool OpenText(const std::wstring& file, std::ifstream& in) {
  std::filesystem::path host;
  if (!kv::ResolvePath(file, &host).ok()) return false;
  std::error_code error;
  if (!std::filesystem::is_regular_file(host, error)) return false;
  in.open(host, std::ios::binary);
  return in.is_open();
}

void DropLineEnd(std::string& line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

std::wstring ReadDataVersion(const std::wstring& folder) {
  std::ifstream in;
  if (!OpenText(folder + L"DataVersion.txt", in)) return {};
  std::string line;
  if (!std::getline(in, line)) return {};
  DropLineEnd(line);
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
  std::ifstream in;
  if (!OpenText(folder + L"\\KVPostCompileData.txt", in)) return 0;
  int version = 0;
  std::string line;
  while (std::getline(in, line)) {
    DropLineEnd(line);
    int value = 0;
    if (ParsePostVersionLine(line, &value)) version = value;
  }
  return version;
}
