// The central directory while an archive is written: the encoded central headers, in
// order of addition, kept in blocks of 64 KB so that it takes little more memory than
// its own size. Past 512 KB, when the archive has a place for a scratch file (beside a
// file output, or the host's temporary folder for an open handle), the filled blocks
// move to an unnamed scratch file and are read back at close: an archive near the
// format's 65,535 entries (some 5 MB of headers with 20-byte names) stays within a
// few hundred KB. A memory output keeps its directory in memory, as it keeps the
// archive.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "KVPlatform/file_handle.h"
#include "zip_output.h"
#include "zip_records.h"

namespace kv::fileutil {

class CentralDirectory {
 public:
  // `scratchBeside`: the path that CreateTemporary puts the scratch file beside (empty:
  // the temporary folder); none: the directory stays in memory.
  explicit CentralDirectory(std::optional<std::wstring> scratchBeside)
      : scratchBeside_(std::move(scratchBeside)) {}

  void Add(const EntryRecord& entry);
  uint64_t size() const { return size_; }
  uint32_t count() const { return count_; }

  // Writes the headers to the output, in order, and releases them. False when reading
  // the scratch file back or writing fails; nothing more is written after a failure.
  bool WriteTo(ZipOutput& output);

 private:
  // Moves every block but the one being filled to the scratch file. A scratch file that
  // cannot be made or written ends the spilling: the rest stays in memory.
  void Spill();

  std::optional<std::wstring> scratchBeside_;
  std::deque<std::vector<uint8_t>> blocks_;  // the headers after the spilled ones
  uint64_t inMemory_ = 0;
  FileHandle scratch_;
  uint64_t spilled_ = 0;  // the first bytes of the directory, in the scratch file
  uint64_t size_ = 0;
  uint32_t count_ = 0;
};

}  // namespace kv::fileutil
