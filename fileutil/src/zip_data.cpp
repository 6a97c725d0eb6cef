// Entry data of the zip writer: raw deflate through zlib, or a stored copy.
#include "zip_data.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>

#include "zip_deflate_pool.h"

namespace kv::fileutil {
namespace {

constexpr size_t kDeflateBlock = 64 * 1024;  // source bytes per deflate step
constexpr size_t kStoreChunk = 16 * 1024;    // source bytes per stored copy step
constexpr int kLevel = 8;
constexpr int kRawWindowBits = -15;  // a 32 KB window, no zlib header or trailer
constexpr int kMemoryLevel = 8;
// Entries below this size are deflated on the calling thread: their few milliseconds
// of work gain little from being shared.
constexpr uint64_t kParallelMinimum = 2 * DeflatePool::kMinBlock;
constexpr unsigned kMaxThreads = 64;

// The deflate threads: KESTREL_ZIP_THREADS when it is a number from 1, else the cores.
unsigned DeflateThreads() {
  if (const char* setting = std::getenv("KESTREL_ZIP_THREADS");
      setting != nullptr && *setting != '\0') {
    char* end = nullptr;
    const unsigned long value = std::strtoul(setting, &end, 10);
    if (*end == '\0' && value >= 1)
      return static_cast<unsigned>(std::min<unsigned long>(value, kMaxThreads));
  }
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

}  // namespace

EntryDataWriter::EntryDataWriter() : threads_(DeflateThreads()) {}

EntryDataWriter::~EntryDataWriter() {
  StopThreads();
  if (streamReady_) deflateEnd(&stream_);
}

void EntryDataWriter::StopThreads() { pool_.reset(); }

bool EntryDataWriter::Deflate(ZipSource& source, ZipOutput& output, uint64_t maxSize,
                              EntryData* data) {
  const SourceProperties& properties = source.properties();
  if (threads_ > 1 && !poolFailed_ &&
      (!properties.sizeKnown || properties.size >= kParallelMinimum)) {
    if (pool_ == nullptr) {
      pool_ = DeflatePool::Start(threads_);
      poolFailed_ = pool_ == nullptr;
    }
    if (pool_ != nullptr) {
      const size_t blockSize = properties.sizeKnown
                                   ? DeflatePool::BlockSize(properties.size, threads_)
                                   : DeflatePool::kMaxBlock;
      return pool_->Deflate(source, output, maxSize, blockSize, data);
    }
  }
  return DeflateOnThisThread(source, output, maxSize, data);
}

bool EntryDataWriter::DeflateOnThisThread(ZipSource& source, ZipOutput& output, uint64_t maxSize,
                                          EntryData* data) {
  if (!streamReady_) {
    if (deflateInit2(&stream_, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
      return false;
    }
    streamReady_ = true;
  } else if (deflateReset(&stream_) != Z_OK) {
    return false;
  }
  if (input_.size() < kDeflateBlock) input_.resize(kDeflateBlock);
  if (output_.size() < kDeflateBlock) output_.resize(kDeflateBlock);

  uLong crc = crc32(0, nullptr, 0);
  uint64_t read = 0;
  uint64_t written = 0;
  int flush = Z_NO_FLUSH;
  do {
    size_t got = 0;
    if (!source.Read(input_.data(), kDeflateBlock, &got)) return false;
    read += got;
    if (read > maxSize) return false;
    crc = crc32_z(crc, input_.data(), got);
    stream_.next_in = input_.data();
    stream_.avail_in = static_cast<uInt>(got);
    flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream_.next_out = output_.data();
      stream_.avail_out = static_cast<uInt>(kDeflateBlock);
      if (deflate(&stream_, flush) == Z_STREAM_ERROR) return false;
      const size_t produced = kDeflateBlock - stream_.avail_out;
      if (produced > 0 && !output.Write(output_.data(), produced)) return false;
      written += produced;
    } while (stream_.avail_out == 0);
  } while (flush != Z_FINISH);

  data->crc = static_cast<uint32_t>(crc);
  data->uncompressedSize = read;
  data->compressedSize = written;
  return true;
}

bool EntryDataWriter::Store(ZipSource& source, ZipOutput& output, uint64_t maxSize,
                            EntryData* data) {
  uLong crc = crc32(0, nullptr, 0);
  uint64_t read = 0;
  for (;;) {
    // Each chunk is read straight into the output's buffer.
    uint8_t* chunk = output.Reserve(kStoreChunk);
    if (chunk == nullptr) return false;
    size_t got = 0;
    if (!source.Read(chunk, kStoreChunk, &got)) return false;
    if (got == 0) break;
    read += got;
    if (read > maxSize) return false;
    crc = crc32_z(crc, chunk, got);
    if (!output.Commit(got)) return false;
  }
  data->crc = static_cast<uint32_t>(crc);
  data->uncompressedSize = read;
  data->compressedSize = read;
  return true;
}

}  // namespace kv::fileutil
