// The outputs of the zip writer: a descriptor (a disk file, which can seek, or a pipe or
// socket, which cannot), a file created by name, or memory. Positions are absolute:
// counted from the start of the output file, so an archive written at byte 1000 of an
// open file starts at position 1000.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace kv::fileutil {

class ZipOutput {
 public:
  virtual ~ZipOutput() = default;

  // The position of the next byte appended.
  uint64_t position() const { return position_; }
  // Whether bytes written earlier can be replaced (Overwrite).
  bool canSeek() const { return canSeek_; }
  // No byte may end past `limit` (an absolute position): a write that would pass it
  // fails and writes nothing.
  void set_limit(uint64_t limit) { limit_ = limit; }

  // Appends bytes. False when the output failed or the write would pass the limit.
  bool Write(const void* data, size_t size) {
    if (!Fits(size) || !Append(data, size)) return false;
    position_ += size;
    return true;
  }
  // Room for up to `size` bytes at the end of the output, for the caller to fill and
  // hand over with Commit (saves a copy); valid until the next call on the output.
  // Null when the output failed.
  virtual uint8_t* Reserve(size_t size) {
    scratch_.resize(size);
    return scratch_.data();
  }
  // Appends the first `size` bytes of the room that Reserve gave.
  bool Commit(size_t size) {
    if (!Fits(size) || !AppendReserved(size)) return false;
    position_ += size;
    return true;
  }
  // Replaces `size` bytes written earlier at `position` (seekable outputs only).
  virtual bool Overwrite(uint64_t position, const void* data, size_t size) = 0;
  // Hands buffered bytes to the output, so that a failure shows now.
  virtual bool Flush() = 0;
  // Flushes and releases the output (closes the descriptor, unmaps the memory).
  virtual bool Close() = 0;

 protected:
  ZipOutput(uint64_t base, bool canSeek) : position_(base), canSeek_(canSeek) {}
  virtual bool Append(const void* data, size_t size) = 0;
  virtual bool AppendReserved(size_t size) { return Append(scratch_.data(), size); }

 private:
  bool Fits(size_t size) const { return position_ <= limit_ && size <= limit_ - position_; }

  uint64_t position_;
  bool canSeek_;
  uint64_t limit_ = std::numeric_limits<uint64_t>::max();
  std::vector<uint8_t> scratch_;
};

// Each opener returns a result code of the zip interface (HZ_OK on success).

// A duplicate of an open writable descriptor: HZ_DUPLICATE_HANDLE when it cannot be
// duplicated. A disk file starts at its current position and can seek; anything else
// starts at 0 and cannot.
unsigned long OpenDescriptorOutput(int descriptor, std::unique_ptr<ZipOutput>* output);
// A file created or emptied: HZ_OPEN_FILE when it cannot be.
unsigned long OpenFileOutput(std::wstring_view path, std::unique_ptr<ZipOutput>* output);
// Memory: the caller's block, or (block null) a mapping of `size` bytes. HZ_MEMORY_SIZE
// for a size of 0, HZ_ALLOCATE when the mapping fails. When a write does not fit, the
// archive moves to a new mapping of twice the size (or the size needed, if larger).
unsigned long OpenMemoryOutput(void* block, size_t size, std::unique_ptr<ZipOutput>* output);

}  // namespace kv::fileutil
