// The data of one zip entry: raw deflate (level 8, 32 KB window, read in 64 KB blocks)
// or a stored copy (16 KB chunks), with the CRC-32 of the source bytes as read.
#pragma once

#include <cstdint>
#include <vector>

#include <zlib.h>

#include "zip_output.h"
#include "zip_source.h"

namespace kv::zip {

struct EntryData {
  uint32_t crc = 0;
  uint64_t uncompressedSize = 0;  // the bytes read from the source
  uint64_t compressedSize = 0;    // the bytes written to the output
};

// Writes entry data; one object serves every entry of an archive, so that the deflate
// state and the buffers are allocated once.
class EntryDataWriter {
 public:
  EntryDataWriter() = default;
  ~EntryDataWriter();
  EntryDataWriter(const EntryDataWriter&) = delete;
  EntryDataWriter& operator=(const EntryDataWriter&) = delete;

  // Both read the source to its end. False when reading, compressing or writing fails,
  // or when the source passes `maxSize` bytes (the format's 32-bit size limit).
  bool Deflate(ZipSource& source, ZipOutput& output, uint64_t maxSize, EntryData* data);
  bool Store(ZipSource& source, ZipOutput& output, uint64_t maxSize, EntryData* data);

 private:
  z_stream stream_{};
  bool streamReady_ = false;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> output_;
};

}  // namespace kv::zip
