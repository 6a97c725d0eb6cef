// The archive handle shared by the writing and reading entry points: a kind tag and the
// state of the archive.
#pragma once

namespace kv::fileutil {
class ZipWriter;

inline constexpr unsigned long kReadingKind = 1;  // opened for reading (never made here)
inline constexpr unsigned long kWritingKind = 2;  // being written
}  // namespace kv::fileutil

struct HZIP__ {
  unsigned long kind = 0;
  kv::fileutil::ZipWriter* writer = nullptr;
};
