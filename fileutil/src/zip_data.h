// The data of one zip entry: raw deflate (level 8, 32 KB window) or a stored copy (16 KB
// chunks), with the CRC-32 of the source bytes as read.
//
// Deflate runs on one thread (64 KB reads) for entries under 32 KB and on machines with
// one core; larger entries, and sources of unknown size, are deflated on all cores by
// a pool of threads (zip_deflate_pool.h) that the writer starts on first need and joins
// when it is released. KESTREL_ZIP_THREADS, a number, sets the number of threads (1:
// everything on the calling thread).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <zlib.h>

#include "zip_output.h"
#include "zip_source.h"

namespace kv::fileutil {

class DeflatePool;

struct EntryData {
  uint32_t crc = 0;
  uint64_t uncompressedSize = 0;  // the bytes read from the source
  uint64_t compressedSize = 0;    // the bytes written to the output
};

// Writes entry data; one object serves every entry of an archive, so that the deflate
// state and the buffers are allocated once.
class EntryDataWriter {
 public:
  EntryDataWriter();
  ~EntryDataWriter();
  EntryDataWriter(const EntryDataWriter&) = delete;
  EntryDataWriter& operator=(const EntryDataWriter&) = delete;

  // Both read the source to its end. False when reading, compressing or writing fails,
  // or when the source passes `maxSize` bytes (the format's 32-bit size limit).
  bool Deflate(ZipSource& source, ZipOutput& output, uint64_t maxSize, EntryData* data);
  bool Store(ZipSource& source, ZipOutput& output, uint64_t maxSize, EntryData* data);

  // Stops and joins the deflate threads, if any were started.
  void StopThreads();

 private:
  bool DeflateOnThisThread(ZipSource& source, ZipOutput& output, uint64_t maxSize, EntryData* data);

  unsigned threads_;                   // deflate threads to use; 1: none
  std::unique_ptr<DeflatePool> pool_;  // made on the first entry that needs it
  bool poolFailed_ = false;            // the system could not start the threads
  z_stream stream_{};
  bool streamReady_ = false;
  std::vector<uint8_t> input_;
  std::vector<uint8_t> output_;
};

}  // namespace kv::fileutil
