// The update count and the update log of a data update.
#include "data_update_log.h"

#include <ctime>
#include <string>

#include "KVPlatform/file_handle.h"
#include "KVPlatform/local_time.h"
#include "KVPlatform/text.h"

namespace kv::datamanager {
namespace {

int g_updateCount = 0;
int g_failedCount = 0;

// The open log, opened for appending: each record is one write at the end, so the log
// never holds half a record.
kv::FileHandle& Log() {
  static kv::FileHandle log;
  return log;
}

void Append(const std::string& record) {
  if (Log().valid()) (void)Log().Write(record.data(), record.size());
}

}  // namespace

void ResetUpdateCount() {
  g_updateCount = 0;
  g_failedCount = 0;
}
void CountUpdatedFile() { ++g_updateCount; }
int UpdateCount() { return g_updateCount; }
void CountFailedFile() { ++g_failedCount; }
int FailedCount() { return g_failedCount; }

bool OpenUpdateLog(const std::wstring& logFile) {
  CloseUpdateLog();
  return kv::FileHandle::OpenForAppending(logFile, &Log()).ok();
}

std::string AsciiTime(const std::tm& time) {
  char text[64] = {};
  // The C locale's names: "Tue Dec  8 01:12:25 2026" (the day padded with a blank).
  std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &time);
  return text;
}

void WriteUpdateLogTimeStamp() {
  if (!Log().valid()) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (!kv::ToLocalTime(static_cast<int64_t>(now), &local)) return;
  Append(AsciiTime(local) + "\r\n\r\n");
}

void LogUpdatedFile(const std::wstring& source, const std::wstring& destination) {
  Append("Source: " + kv::WideToAnsi(source) + "\r\nDestination: " + kv::WideToAnsi(destination) +
         "\r\n");
}

void LogNote(const std::wstring& note) { Append(kv::WideToAnsi(note) + "\r\n"); }

void CloseUpdateLog() { (void)Log().Close(); }

}  // namespace kv::datamanager
