// The update count and the update log of a data update.
#include "data_update_log.h"

#include <ctime>
#include <filesystem>
#include <fstream>

#include "KVPlatform/path.h"
#include "KVPlatform/text.h"

namespace {

int g_updateCount = 0;

std::ofstream& Log() {
  static std::ofstream log;
  return log;
}

}  // namespace

void ResetUpdateCount() { g_updateCount = 0; }
void CountUpdatedFile() { ++g_updateCount; }
int UpdateCount() { return g_updateCount; }

bool OpenUpdateLog(const std::wstring& logFile) {
  CloseUpdateLog();
  std::filesystem::path host;
  if (!kv::ResolvePath(logFile, &host).ok()) return false;
  std::error_code error;
  if (std::filesystem::is_directory(host, error)) return false;
  Log().open(host, std::ios::binary | std::ios::app);
  return Log().is_open();
}

std::string AsciiTime(const std::tm& time) {
  char text[64] = {};
  // The C locale's names: "Tue Dec  8 01:12:25 2026" (the day padded with a blank).
  std::strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &time);
  return text;
}

void WriteUpdateLogTimeStamp() {
  if (!Log().is_open()) return;
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return;
  Log() << AsciiTime(*local) << "\r\n\r\n";
}

void LogUpdatedFile(const std::wstring& source, const std::wstring& destination) {
  if (!Log().is_open()) return;
  Log() << "Source: " << kv::WideToAnsi(source) << "\r\nDestination: "
        << kv::WideToAnsi(destination) << "\r\n";
}

void CloseUpdateLog() {
  if (Log().is_open()) Log().close();
  Log().clear();
}
