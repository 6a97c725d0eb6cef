// The outputs of the zip writer.
#include "zip_output.h"

#include <algorithm>
#include <cstring>

#include "KVFileUtilities/zip.h"
#include "KVPlatform/file_handle.h"

namespace kv::fileutil {
namespace {

// Appends are gathered in a buffer and written in large pieces; the writer flushes at
// the end of every entry, so that a write failure belongs to the entry that caused it.
constexpr size_t kBufferSize = 256 * 1024;

class DescriptorOutput final : public ZipOutput {
 public:
  DescriptorOutput(FileHandle file, uint64_t base, bool canSeek)
      : ZipOutput(base, canSeek),
        file_(std::move(file)),
        buffer_(new uint8_t[kBufferSize]),
        bufferStart_(base) {}

  bool Overwrite(uint64_t position, const void* data, size_t size) override {
    if (!canSeek()) return false;
    if (position >= bufferStart_) {
      // Still in the buffer: patch it there.
      std::memcpy(buffer_.get() + (position - bufferStart_), data, size);
      return true;
    }
    if (position + size > bufferStart_ && !Flush()) return false;
    return file_.WriteAt(position, data, size).ok();
  }

  uint8_t* Reserve(size_t size) override {
    reservedInBuffer_ = size <= kBufferSize;
    if (!reservedInBuffer_) return ZipOutput::Reserve(size);
    if (used_ + size > kBufferSize && !Flush()) return nullptr;
    return buffer_.get() + used_;
  }

  bool Flush() override {
    if (used_ == 0) return true;
    const bool ok = file_.Write(buffer_.get(), used_).ok();
    bufferStart_ += used_;
    used_ = 0;
    return ok;
  }

  bool Close() override {
    const bool flushed = Flush();
    const bool closed = file_.Close().ok();
    return flushed && closed;
  }

 protected:
  bool Append(const void* data, size_t size) override {
    if (used_ + size > kBufferSize && !Flush()) return false;
    if (size >= kBufferSize) {
      const bool ok = file_.Write(data, size).ok();
      bufferStart_ += size;
      return ok;
    }
    std::memcpy(buffer_.get() + used_, data, size);
    used_ += size;
    return true;
  }

  bool AppendReserved(size_t size) override {
    if (!reservedInBuffer_) return ZipOutput::AppendReserved(size);
    used_ += size;
    return true;
  }

 private:
  FileHandle file_;
  std::unique_ptr<uint8_t[]> buffer_;
  size_t used_ = 0;
  uint64_t bufferStart_;           // the position of buffer_[0]
  bool reservedInBuffer_ = false;  // the last Reserve handed out the buffer's free room
};

class MemoryOutput final : public ZipOutput {
 public:
  MemoryOutput(uint8_t* block, size_t size, AnonymousMapping mapping)
      : ZipOutput(0, true), block_(block), size_(size), mapping_(std::move(mapping)) {}

  bool Overwrite(uint64_t position, const void* data, size_t size) override {
    std::memcpy(block_ + position, data, size);
    return true;
  }
  bool Flush() override { return true; }
  bool Close() override {
    mapping_ = AnonymousMapping();
    block_ = nullptr;
    size_ = 0;
    return true;
  }

 protected:
  bool Append(const void* data, size_t size) override {
    const size_t at = static_cast<size_t>(position());
    if (size > size_ - at) {
      // Grow only when the bytes do not fit: a caller's block that holds the archive
      // exactly keeps all of it.
      AnonymousMapping larger;
      const size_t needed = at + size;
      if (!AnonymousMapping::Create(std::max(needed, 2 * size_), &larger).ok()) return false;
      std::memcpy(larger.data(), block_, at);
      mapping_ = std::move(larger);
      block_ = mapping_.data();
      size_ = mapping_.size();
    }
    std::memcpy(block_ + at, data, size);
    return true;
  }

 private:
  uint8_t* block_;
  size_t size_;
  AnonymousMapping mapping_;  // empty while the archive lives in the caller's block
};

}  // namespace

unsigned long OpenDescriptorOutput(int descriptor, std::unique_ptr<ZipOutput>* output) {
  FileHandle file;
  if (!FileHandle::Duplicate(descriptor, &file).ok()) return HZ_DUPLICATE_HANDLE;
  HandleInfo info;
  uint64_t base = 0;
  const bool disk = file.GetInfo(&info).ok() && info.kind == HandleKind::kDiskFile &&
                    file.GetPosition(&base).ok();
  *output = std::make_unique<DescriptorOutput>(std::move(file), disk ? base : 0, disk);
  return HZ_OK;
}

unsigned long OpenFileOutput(std::wstring_view path, std::unique_ptr<ZipOutput>* output) {
  FileHandle file;
  if (!FileHandle::Create(path, &file).ok()) return HZ_OPEN_FILE;
  *output = std::make_unique<DescriptorOutput>(std::move(file), 0, true);
  return HZ_OK;
}

unsigned long OpenMemoryOutput(void* block, size_t size, std::unique_ptr<ZipOutput>* output) {
  if (size == 0) return HZ_MEMORY_SIZE;
  AnonymousMapping mapping;
  if (block == nullptr) {
    if (!AnonymousMapping::Create(size, &mapping).ok()) return HZ_ALLOCATE;
    block = mapping.data();
  }
  *output = std::make_unique<MemoryOutput>(static_cast<uint8_t*>(block), size, std::move(mapping));
  return HZ_OK;
}

}  // namespace kv::fileutil
