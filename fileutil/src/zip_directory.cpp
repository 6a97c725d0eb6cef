// The central directory of the zip writer, in memory or spilled to a scratch file.
#include "zip_directory.h"

#include <algorithm>

namespace kv::fileutil {
namespace {

constexpr size_t kBlock = 64 * 1024;
constexpr uint64_t kMemoryLimit = 512 * 1024;

}  // namespace

void CentralDirectory::Add(const EntryRecord& entry) {
  const size_t length = CentralHeaderLength(entry);
  if (blocks_.empty() || blocks_.back().size() + length > blocks_.back().capacity()) {
    if (inMemory_ >= kMemoryLimit && scratchBeside_) Spill();
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kBlock, length));
  }
  AppendCentralHeader(entry, &blocks_.back());
  inMemory_ += length;
  size_ += length;
  ++count_;
}

void CentralDirectory::Spill() {
  if (!scratch_.valid() && !FileHandle::CreateTemporary(*scratchBeside_, &scratch_).ok()) {
    scratchBeside_.reset();
    return;
  }
  while (!blocks_.empty()) {
    const std::vector<uint8_t>& block = blocks_.front();
    if (!scratch_.WriteAt(spilled_, block.data(), block.size()).ok()) {
      scratchBeside_.reset();  // what was written stays; the rest stays here
      return;
    }
    spilled_ += block.size();
    inMemory_ -= block.size();
    blocks_.pop_front();
  }
}

bool CentralDirectory::WriteTo(ZipOutput& output) {
  bool ok = true;
  for (uint64_t at = 0; ok && at < spilled_;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(kBlock, spilled_ - at));
    uint8_t* room = output.Reserve(chunk);
    size_t got = 0;
    ok = room != nullptr && scratch_.ReadAt(at, room, chunk, &got).ok() && got > 0 &&
         output.Commit(got);
    at += got;
  }
  for (const std::vector<uint8_t>& block : blocks_) {
    ok = ok && output.Write(block.data(), block.size());
  }
  blocks_.clear();
  scratch_ = FileHandle();  // a scratch file has nothing to lose at close
  return ok;
}

}  // namespace kv::fileutil
