// Whole-file tasks on Windows paths: what the system's code asks of files, done by the
// platform, which alone resolves paths to the host. Each fails with the Win32 code of
// the matching Windows call (2 file not found, 3 path not found, 5 access denied, 80
// file exists, 112 disk full, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv {

// The largest file ReadFile takes unless told otherwise.
inline constexpr uint64_t kReadFileLimit = uint64_t{256} << 20;

// Reads a whole file. 2/3 when it is missing, 5 for a folder, 8 (not enough memory) when
// it holds more than `limit` bytes (nothing is read then).
KV_EXPORT Status ReadFile(std::wstring_view path, std::string* contents,
                          uint64_t limit = kReadFileLimit);

// Reads at most `count` bytes from the start of a file (fewer when it is shorter).
KV_EXPORT Status ReadFileHead(std::wstring_view path, size_t count, std::string* bytes);

// Writes a whole file atomically: a temporary file beside it, flushed, renamed over it,
// so that a reader or a crash sees the old contents or the new, never a torn file. An
// existing file keeps its permission bits; a read-only one (no write bit) is refused
// with 5. The folder must exist (3).
KV_EXPORT Status WriteFileAtomically(std::wstring_view path, std::string_view contents);

// Appends `bytes` to a file, creating it when missing, with one write on a file opened
// for appending: records appended by several processes never interleave.
KV_EXPORT Status AppendToFile(std::wstring_view path, std::string_view bytes);

// Appends one record to a log file that keeps at most two generations: when the file
// is larger than `rotateAbove` bytes it is first renamed to `previous` (replacing the
// older generation). The rotation takes a lock on "<log>.lock", a file beside the log
// that stays there, and looks at the size again once the lock is held, so that processes
// rotating at once rotate once and none removes the generation another has just made.
// The record is appended with one write on a file opened for appending (created when
// missing): records of several processes never interleave. The folder must exist (3).
// A rotation that fails does not stop the record; `rotation` (when given) tells how
// the rotation went (success also when none was due).
KV_EXPORT Status AppendToLogFile(std::wstring_view path, std::wstring_view previous,
                                 uint64_t rotateAbove, std::string_view record,
                                 Status* rotation = nullptr);

// A file created in steps that takes its name only when complete, and never in place of
// another: written as a temporary file in the target's folder, then given the name with
// a rename that replaces nothing. Until Commit nobody sees a file under the name; a
// writer destroyed before Commit leaves nothing behind. For downloads, whose broken
// transfers must never look like finished ones.
class KV_EXPORT NewFileWriter {
 public:
  NewFileWriter();
  ~NewFileWriter();
  NewFileWriter(const NewFileWriter&) = delete;
  NewFileWriter& operator=(const NewFileWriter&) = delete;

  // Starts the file `path`. 3 when the folder is missing, 5 when it takes no new files,
  // 80 when the name is already taken (checked again at Commit).
  Status Open(std::wstring_view path);
  // Appends bytes; 112 when the disk is full.
  Status Write(const void* data, size_t size);
  // Gives the file its name: 80, and nothing written, when the name was taken meanwhile.
  Status Commit();
  // Drops what was written.
  void Discard();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Creates the folder of a drive letter under the root, mapping the drive (for setting
// up a machine: installers, demonstrations). An existing drive stays as it is.
KV_EXPORT Status MapDriveFolder(wchar_t letter);

}  // namespace kv
