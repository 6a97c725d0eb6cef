// Raw deflate of one zip entry on several threads, in the manner of pigz: the data is
// cut into blocks, each block is deflated on its own (level 8) with the 32 KB before it
// as its dictionary and ended on a byte boundary by a sync flush (an empty stored
// block), the last one with the final block, so that the blocks written one after the
// other in order form one raw deflate stream that every inflater reads. The CRC-32 of
// each block is taken beside its deflate and the entry's CRC combined from them.
//
// The calling thread reads the source and writes the blocks in order; the workers only
// compute. Memory stays bounded: a fixed ring of 2 blocks per worker and two more (one
// being read, one waiting for the read that tells whether it is the last).
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <zlib.h>

#include "zip_data.h"
#include "zip_output.h"
#include "zip_source.h"

namespace kv::fileutil {

class DeflatePool {
 public:
  // The largest and the smallest block.
  static constexpr size_t kMaxBlock = 128 * 1024;
  static constexpr size_t kMinBlock = 16 * 1024;

  // Starts `threads` workers (at least 2); null when the system cannot start them.
  static std::unique_ptr<DeflatePool> Start(unsigned threads);
  // Stops and joins the workers (they are idle between entries).
  ~DeflatePool();
  DeflatePool(const DeflatePool&) = delete;
  DeflatePool& operator=(const DeflatePool&) = delete;

  unsigned threads() const { return static_cast<unsigned>(workers_.size()); }

  // The block size for an entry of `size` bytes: 128 KB, or less for an entry of a few
  // blocks, so that every worker gets a share (a 100 KB entry on two workers is cut
  // in two blocks of 52 KB); never below 16 KB.
  static size_t BlockSize(uint64_t size, unsigned threads);

  // Reads the source to its end and writes its raw deflate stream, cut in blocks of
  // `blockSize` bytes (16 KB to 128 KB). False when reading, compressing or writing
  // fails, or when the source passes `maxSize` bytes; the workers have finished with
  // the entry when it returns, whatever the outcome.
  bool Deflate(ZipSource& source, ZipOutput& output, uint64_t maxSize, size_t blockSize,
               EntryData* data);

 private:
  struct Block;

  DeflatePool() = default;
  void Work();
  // Takes the block's CRC-32 and deflates it (null stream: a worker without one).
  static bool Compress(z_stream* stream, Block* block);
  // A free block for the next read, writing finished blocks (in order) to make room.
  Block* Acquire(ZipOutput& output, EntryData* data, bool* ok);
  // Hands a block to the workers.
  void Dispatch(Block* block);
  // Writes the oldest dispatched blocks that are done (all of them when `all`, waiting
  // for each). After a failure the blocks are only waited for.
  void Retire(ZipOutput& output, EntryData* data, bool all, bool* ok);

  std::vector<std::thread> workers_;
  std::vector<std::unique_ptr<Block>> blocks_;  // the ring, made on first use
  std::vector<Block*> free_;                    // blocks neither read nor dispatched
  std::deque<Block*> inFlight_;                 // dispatched blocks, in stream order

  // Shared with the workers.
  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable blockDone_;
  std::deque<Block*> queue_;
  bool stopping_ = false;
};

}  // namespace kv::fileutil
