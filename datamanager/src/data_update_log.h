// The state of one data update, shared by the folder copies of the update and the
// menu-file check: the number of files updated and the update log
// "DataManagerLog.txt" in the data path. Both live for one MigrateDataFromUserCache
// call; the log is appended to and never truncated.
#pragma once

#include <ctime>
#include <string>

namespace kv::datamanager {

// The update count: set to 0 at the start of an update, raised by one per file copied.
// The failure count: files that could not be updated (reset with the update count).
void ResetUpdateCount();
void CountUpdatedFile();
int UpdateCount();
void CountFailedFile();
int FailedCount();

// Opens `logFile` for appending (created when missing); false when it can't be opened.
bool OpenUpdateLog(const std::wstring& logFile);
// Writes the time stamp line ("Tue Dec  8 01:12:25 2026", the standard library's ascii
// time form) of the current local time and an empty line.
void WriteUpdateLogTimeStamp();
// Writes one copy: "Source: <source>" and "Destination: <destination>". Lines end with
// CR LF; text is written in the ANSI code page. Nothing happens while no log is open.
void LogUpdatedFile(const std::wstring& source, const std::wstring& destination);
// Notes a line of its own in the log (a file that could not be copied, an entry passed
// over), ending it with CR LF.
void LogNote(const std::wstring& note);
void CloseUpdateLog();

// The ascii time form of a broken-down time, without the line end.
std::string AsciiTime(const std::tm& time);

}  // namespace kv::datamanager
