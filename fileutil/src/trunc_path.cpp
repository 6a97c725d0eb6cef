// kv_trunc_path: a drive path shortened for a display field.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>

#include "KVFileUtilities/path_utilities.h"

namespace {
constexpr size_t kBufferSize = 512;  // characters, terminator included
}  // namespace

int kv_trunc_path(const wchar_t* path, wchar_t* out, unsigned maxLength) {
  if (path == nullptr || out == nullptr) return 0;
  if (!std::iswalpha(static_cast<wint_t>(path[0])) || path[1] != L':') return 0;
  const size_t length = std::wcslen(path);
  if (length >= kBufferSize) return 0;  // does not fit the work buffer

  if (length < 15 || length < maxLength) {
    std::wmemcpy(out, path, length + 1);
    return 1;
  }

  // Head: the path up to and including its first separator (as '/'), then "...".
  std::wstring copy(path, length);
  std::replace(copy.begin(), copy.end(), L'\\', L'/');
  const size_t firstSlash = copy.find(L'/');
  std::wstring result =
      firstSlash == std::wstring::npos ? L"..." : copy.substr(0, firstSlash + 1) + L"...";

  // Tail: the last maxLength - 6 characters, from the first backslash among them. A
  // maxLength below 6 would start past the end: the tail is then empty.
  const size_t start = std::min<size_t>(length, length - maxLength + 6);
  std::wstring tail(path + start, length - start);
  const size_t backslash = tail.find(L'\\');
  if (backslash != std::wstring::npos) tail.erase(0, backslash);
  result += tail;

  // The caller's buffer holds max(length, maxLength) characters and the terminator; a
  // long head (a drive-relative path) could pass that, and then the path stays whole.
  if (result.size() > std::max<size_t>(length, maxLength)) result.assign(path, length);
  std::wmemcpy(out, result.c_str(), result.size() + 1);
  return 1;
}
