// CreateFolder: a folder and its missing parents, one level per attempt.
#include <cwchar>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"

namespace {
constexpr size_t kBufferSize = 260;  // characters, terminator included
constexpr int kMaxAttempts = 30;
}  // namespace

bool CreateFolder(const wchar_t* path) {
  if (path == nullptr) return false;
  const size_t length = std::wcslen(path);
  if (length >= kBufferSize) return false;  // does not fit the work buffer

  wchar_t buffer[kBufferSize];
  std::wmemcpy(buffer, path, length + 1);
  const size_t endMark = length;
  size_t cursor = endMark;

  // Up the tree while the parent is missing, then down again creating each level.
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const uint32_t error = kv::CreateDirectory(buffer).code();
    if (error == kv::kErrorPathNotFound) {
      do {
        if (cursor == 0) return false;
        --cursor;
      } while (buffer[cursor] != L'\\');
      if (cursor == 0) return false;
      buffer[cursor] = L'\0';
      continue;
    }
    if (error != kv::kErrorSuccess && error != kv::kErrorAlreadyExists) return false;
    if (cursor == endMark) return true;
    buffer[cursor] = L'\\';
    while (buffer[cursor] != L'\0') ++cursor;
  }
  return false;
}
