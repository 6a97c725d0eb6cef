// The suite's log file: the folder found once per process, entries stamped with the
// local time and appended by the platform, which rotates the file under a lock.
#include "KVFileUtilities/log_file.h"

#include <algorithm>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>

#include "KVPlatform/clock.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "registry_value.h"

namespace kv::fileutil {
namespace {

constexpr uint64_t kRotateAbove = 1000000;  // bytes

// Creates every level of a folder; failures (levels that exist, the drive) are ignored.
// The separators that begin the path stay in front of every level, so that a share
// (\\server\share\...) or a host path (/home/...) keeps its root.
void CreateLevels(std::wstring_view folder) {
  size_t start = 0;
  while (start < folder.size() && kv::IsSeparator(folder[start])) ++start;
  std::wstring prefix(folder.substr(0, start));
  while (start < folder.size()) {
    size_t end = start;
    while (end < folder.size() && !kv::IsSeparator(folder[end])) ++end;
    if (end > start) {
      prefix.append(folder.substr(start, end - start));
      prefix += L'\\';
      (void)kv::CreateDirectory(prefix);
    }
    start = end + 1;
  }
}

// The log files: their folder worked out by the first call that finds "Data Path",
// then fixed for the process.
class LogFiles {
 public:
  // False while no call has found the value.
  bool Get(const wchar_t* registryKey, std::wstring* current, std::wstring* previous) {
    std::lock_guard lock(mutex_);
    if (current_.empty()) {
      if (registryKey == nullptr) return false;
      std::wstring folder;
      // An empty or relative value counts as missing: the log never lands in the
      // host's root or the working folder.
      if (!kv::ReadRegistryPath(kv::Hive::kCurrentUser, registryKey, L"Data Path", &folder).ok() &&
          !kv::ReadRegistryPath(kv::Hive::kLocalMachine, registryKey, L"Data Path", &folder).ok()) {
        return false;
      }
      if (folder.back() != L'\\') folder += L'\\';
      folder += L"Logs\\";
      CreateLevels(folder);
      current_ = folder + L"KestrelSystemLog.txt";
      previous_ = folder + L"KestrelSystemsPrevLog.txt";
    }
    *current = current_;
    *previous = previous_;
    return true;
  }

 private:
  std::mutex mutex_;
  std::wstring current_;  // empty until found
  std::wstring previous_;
};

LogFiles& Files() {
  static LogFiles files;
  return files;
}

void AppendNumber(int value, int width, std::string* out) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out->append(width - digits.size(), '0');
  *out += digits;
}

// "\r\nMM-DD-YYYY hh:mm:ss:ms | message" in UTF-8, every line feed stored as CR LF.
std::string FormatEntry(const kv::SystemTime& time, std::wstring_view message) {
  std::string entry = "\r\n";
  entry.reserve(32 + message.size());
  AppendNumber(time.month, 2, &entry);
  entry += '-';
  AppendNumber(time.day, 2, &entry);
  entry += '-';
  AppendNumber(time.year, 0, &entry);
  entry += ' ';
  AppendNumber(time.hour, 2, &entry);
  entry += ':';
  AppendNumber(time.minute, 2, &entry);
  entry += ':';
  AppendNumber(time.second, 2, &entry);
  entry += ':';
  AppendNumber(time.milliseconds, 0, &entry);
  entry += " | ";
  for (size_t i = 0; i < message.size();) {
    // Runs of ASCII go in whole; other characters one by one.
    size_t end = i;
    while (end < message.size() && message[end] > 0 && message[end] < 0x80 &&
           message[end] != L'\n') {
      ++end;
    }
    if (end > i) {
      const size_t at = entry.size();
      entry.resize(at + (end - i));
      std::copy(message.begin() + static_cast<ptrdiff_t>(i),
                message.begin() + static_cast<ptrdiff_t>(end),
                entry.begin() + static_cast<ptrdiff_t>(at));
      i = end;
    } else {
      entry += message[i] == L'\n' ? std::string("\r\n") : kv::WideToAnsi(message.substr(i, 1));
      ++i;
    }
  }
  return entry;
}

}  // namespace
}  // namespace kv::fileutil

void WriteLogMessageCore(const wchar_t* registryKey, const wchar_t* message) {
  std::wstring current, previous;
  if (!kv::fileutil::Files().Get(registryKey, &current, &previous)) return;
  const std::string entry = kv::fileutil::FormatEntry(
      kv::GetLocalTime(), message != nullptr ? std::wstring_view(message) : std::wstring_view());
  // A failed rotation keeps the entry in the current log rather than losing it.
  (void)kv::AppendToLogFile(current, previous, kv::fileutil::kRotateAbove, entry);
}

void WriteLogMessageExCore(const wchar_t*, const std::wstring&, wchar_t*, bool) {}

void KtlMessageBoxCore(const wchar_t* registryKey, const wchar_t* message) {
  WriteLogMessageCore(registryKey, message);
  kv::ShowMessageBox(message != nullptr ? message : L"", kv::kMbOk);
}
