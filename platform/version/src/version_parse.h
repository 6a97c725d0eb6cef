// The version reader's parts, internal to the version library (and built alone into
// its fuzz target): the PE walk to the version resource over a source of bytes, and the
// VS_VERSIONINFO tree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"
#include "KVPlatform/version.h"

namespace kv::version {

// Where a module's bytes come from: a file or memory.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Fills `size` bytes at `offset`; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t size) override {
    if (offset > size_ || size > size_ - offset) return false;
    if (size > 0) std::memcpy(buffer, data_ + offset, size);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

// The largest version resource taken (real ones hold a few kilobytes).
inline constexpr uint32_t kMaxVersionBlock = 1u << 20;

// The bytes of the module's version resource (type 16, name 1 or else the first, the
// first language). 11 when the headers are not those of a PE module or point outside
// the file, 1813 when there is no version resource, 13 when its directory is damaged.
Status FindVersionResource(ByteSource& source, std::vector<uint8_t>* block);

// One node of the VS_VERSIONINFO tree.
struct Node {
  std::wstring key;
  uint16_t type = 0;           // 1 text, 0 binary
  std::vector<uint8_t> value;  // the value's bytes (text: UTF-16LE)
  std::vector<Node> children;
};

// Parses a version resource; false when any length or offset in it is inconsistent.
bool ParseVersionBlock(const std::vector<uint8_t>& block, Node* root);

// The node a VerQueryValue path names ("\" the root), or null.
const Node* FindNode(const Node& root, std::wstring_view subBlock);

}  // namespace kv::version
