// Raw deflate of one zip entry on several threads.
#include "zip_deflate_pool.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>

#include <zlib.h>

namespace kv::fileutil {
namespace {

constexpr size_t kWindow = 32 * 1024;  // the dictionary each block gets from the one before
constexpr size_t kBlockRounding = 4 * 1024;
constexpr int kLevel = 8;
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;

}  // namespace

struct DeflatePool::Block {
  // Room for the dictionary (the last 32 KB before the block, or all there is when the
  // entry's first blocks are shorter), which ends where the input starts.
  std::unique_ptr<uint8_t[]> buffer;
  size_t capacity = 0;    // input bytes the buffer holds past the dictionary
  size_t dictionary = 0;  // bytes of dictionary: 0 for the first block of an entry
  size_t size = 0;        // input bytes read
  bool last = false;
  std::vector<uint8_t> output;
  size_t produced = 0;
  uint32_t crc = 0;
  bool ok = false;    // compressed without error
  bool done = false;  // the worker has finished with it (guarded by the mutex)

  uint8_t* input() { return buffer.get() + kWindow; }
};

std::unique_ptr<DeflatePool> DeflatePool::Start(unsigned threads) {
  std::unique_ptr<DeflatePool> pool(new DeflatePool);
  try {
    pool->workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i)
      pool->workers_.emplace_back([p = pool.get()] { p->Work(); });
  } catch (const std::exception&) {  // no thread or no memory: the caller works alone
    return nullptr;                  // (the destructor stops the workers already started)
  }
  return pool;
}

DeflatePool::~DeflatePool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

size_t DeflatePool::BlockSize(uint64_t size, unsigned threads) {
  uint64_t blocks = (size + kMaxBlock - 1) / kMaxBlock;
  // A few blocks: as many as make every worker's share equal.
  if (blocks < 4 * uint64_t{threads}) blocks = (blocks + threads - 1) / threads * threads;
  if (blocks == 0) return kMinBlock;
  const uint64_t even = (size + blocks - 1) / blocks;
  const uint64_t rounded = (even + kBlockRounding - 1) / kBlockRounding * kBlockRounding;
  return static_cast<size_t>(std::clamp<uint64_t>(rounded, kMinBlock, kMaxBlock));
}

void DeflatePool::Work() {
  z_stream stream{};
  const bool ready = deflateInit2(&stream, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                                  Z_DEFAULT_STRATEGY) == Z_OK;
  for (;;) {
    Block* block = nullptr;
    {
      std::unique_lock lock(mutex_);
      workReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) break;
      block = queue_.front();
      queue_.pop_front();
    }
    bool ok = false;
    try {
      ok = Compress(ready ? &stream : nullptr, block);
    } catch (const std::bad_alloc&) {  // the output could not grow
      ok = false;
    }
    {
      std::lock_guard lock(mutex_);
      block->ok = ok;
      block->done = true;
    }
    blockDone_.notify_one();
  }
  if (ready) deflateEnd(&stream);
}

bool DeflatePool::Compress(z_stream* stream, Block* block) {
  block->crc = static_cast<uint32_t>(crc32_z(0, block->input(), block->size));
  if (stream == nullptr || deflateReset(stream) != Z_OK) return false;
  if (block->dictionary > 0 && deflateSetDictionary(stream, block->input() - block->dictionary,
                                                    static_cast<uInt>(block->dictionary)) != Z_OK) {
    return false;
  }
  // The bound of a whole stream, and room for the sync flush's empty stored block.
  const size_t bound = deflateBound(stream, static_cast<uLong>(block->size)) + 16;
  if (block->output.size() < bound) block->output.resize(bound);
  stream->next_in = block->input();
  stream->avail_in = static_cast<uInt>(block->size);
  block->produced = 0;
  const int flush = block->last ? Z_FINISH : Z_SYNC_FLUSH;
  for (;;) {
    stream->next_out = block->output.data() + block->produced;
    stream->avail_out = static_cast<uInt>(block->output.size() - block->produced);
    const int result = deflate(stream, flush);
    block->produced = block->output.size() - stream->avail_out;
    if (result == Z_STREAM_ERROR) return false;
    // Finished: the final block written, or the flush complete with room to spare.
    if (block->last ? result == Z_STREAM_END : stream->avail_out > 0) return true;
    if (stream->avail_out > 0) return false;  // stopped short of the end with room left
    block->output.resize(block->output.size() + block->output.size() / 2);
  }
}

void DeflatePool::Dispatch(Block* block) {
  block->done = false;  // no worker sees the block before it is queued
  inFlight_.push_back(block);
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(block);
  }
  workReady_.notify_one();
}

void DeflatePool::Retire(ZipOutput& output, EntryData* data, bool all, bool* ok) {
  while (!inFlight_.empty()) {
    Block* block = inFlight_.front();
    {
      std::unique_lock lock(mutex_);
      if (!block->done && !all) return;
      blockDone_.wait(lock, [block] { return block->done; });
    }
    inFlight_.pop_front();
    free_.push_back(block);
    if (!*ok) continue;
    *ok = block->ok && output.Write(block->output.data(), block->produced);
    data->crc = static_cast<uint32_t>(
        crc32_combine(data->crc, block->crc, static_cast<z_off_t>(block->size)));
    data->compressedSize += block->produced;
  }
}

DeflatePool::Block* DeflatePool::Acquire(ZipOutput& output, EntryData* data, bool* ok) {
  while (free_.empty()) {
    // Waits for the oldest block, and writes whatever else is done behind it.
    Block* oldest = inFlight_.front();
    {
      std::unique_lock lock(mutex_);
      blockDone_.wait(lock, [oldest] { return oldest->done; });
    }
    Retire(output, data, false, ok);
  }
  Block* block = free_.back();
  free_.pop_back();
  return block;
}

bool DeflatePool::Deflate(ZipSource& source, ZipOutput& output, uint64_t maxSize, size_t blockSize,
                          EntryData* data) {
  blockSize = std::clamp(blockSize, kMinBlock, kMaxBlock);
  if (blocks_.empty()) {
    blocks_.resize(2 * workers_.size() + 2);
    for (std::unique_ptr<Block>& block : blocks_) block.reset(new (std::nothrow) Block);
    if (std::find(blocks_.begin(), blocks_.end(), nullptr) != blocks_.end()) {
      blocks_.clear();
      return false;
    }
  }
  free_.clear();
  for (const std::unique_ptr<Block>& block : blocks_) free_.push_back(block.get());
  *data = EntryData();
  data->crc = static_cast<uint32_t>(crc32(0, nullptr, 0));

  bool ok = true;
  uint64_t read = 0;
  // Fills a block to `blockSize` bytes or to the end of the source (a pipe delivers
  // what it has: read again until the block is full).
  auto fill = [&](Block* block) {
    block->size = 0;
    while (block->size < blockSize) {
      size_t got = 0;
      if (!source.Read(block->input() + block->size, blockSize - block->size, &got)) return false;
      if (got == 0) break;
      block->size += got;
      read += got;
      if (read > maxSize) return false;
    }
    return true;
  };
  // A free block with room for `blockSize` bytes; null when memory runs out (nothing
  // may throw while blocks are with the workers).
  auto acquire = [&]() -> Block* {
    Block* block = Acquire(output, data, &ok);
    if (block->capacity < blockSize) {
      block->buffer.reset(new (std::nothrow) uint8_t[kWindow + blockSize]);
      block->capacity = block->buffer ? blockSize : 0;
    }
    if (block->capacity == 0) ok = false;
    return ok ? block : nullptr;
  };

  Block* current = acquire();
  if (current != nullptr) {
    current->dictionary = 0;
    ok = fill(current);
  }
  while (ok) {
    // A short block ends the data; a full one is the last when nothing follows it.
    Block* following = nullptr;
    if (current->size == blockSize) {
      following = acquire();
      if (following == nullptr) break;
      // The dictionary is the 32 KB before `following`: the end of `current` and, with
      // blocks shorter than that, the end of current's own dictionary.
      following->dictionary = std::min(kWindow, current->dictionary + blockSize);
      std::memcpy(following->input() - following->dictionary,
                  current->input() + blockSize - following->dictionary, following->dictionary);
      if (!(ok = fill(following))) break;
    }
    current->last = following == nullptr || following->size == 0;
    Dispatch(current);
    Retire(output, data, false, &ok);
    if (current->last) break;
    current = following;
  }
  Retire(output, data, true, &ok);
  data->uncompressedSize = read;
  return ok;
}

}  // namespace kv::fileutil
