// The walk from a PE file's headers to its version resource: DOS header, PE signature,
// COFF header, optional header (PE32 or PE32+), the resource data directory, the
// section table to map addresses to file offsets, and three levels of resource
// directory. Each read is checked against the file and the structure that holds it.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "version_parse.h"

namespace kv::version {
namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kMaxSections = 96;  // as the Windows loader allows
constexpr uint32_t kMaxDirectoryEntries = 4096;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Section {
  uint32_t virtualAddress = 0;
  uint32_t rawSize = 0;
  uint32_t rawOffset = 0;
};

class Image {
 public:
  explicit Image(ByteSource& source) : source_(source) {}

  Status Load() {
    uint8_t dos[64];
    if (!source_.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return Bad();
    const uint64_t pe = U32(dos + 0x3C);
    uint8_t header[24];
    if (!source_.ReadAt(pe, header, sizeof header) || header[0] != 'P' || header[1] != 'E' ||
        header[2] != 0 || header[3] != 0) {
      return Bad();
    }
    const uint32_t sections = U16(header + 6);
    const uint32_t optionalSize = U16(header + 20);
    if (sections == 0 || sections > kMaxSections || optionalSize < 2) return Bad();
    std::vector<uint8_t> optional(optionalSize);
    if (!source_.ReadAt(pe + 24, optional.data(), optional.size())) return Bad();
    size_t countAt = 0;
    switch (U16(optional.data())) {
      case 0x10b: countAt = 92; break;   // PE32
      case 0x20b: countAt = 108; break;  // PE32+
      default: return Bad();
    }
    const size_t directoriesAt = countAt + 4;
    const size_t resourceAt = directoriesAt + 2 * 8;  // entry 2: resources
    if (optional.size() < countAt + 4) return Bad();
    if (U32(optional.data() + countAt) <= 2 || optional.size() < resourceAt + 8) {
      return Status(kErrorResourceTypeNotFound);
    }
    resourceRva_ = U32(optional.data() + resourceAt);
    resourceSize_ = U32(optional.data() + resourceAt + 4);
    std::vector<uint8_t> table(static_cast<size_t>(sections) * 40);
    if (!source_.ReadAt(pe + 24 + optionalSize, table.data(), table.size())) return Bad();
    for (uint32_t i = 0; i < sections; ++i) {
      const uint8_t* s = table.data() + i * 40;
      sections_.push_back({U32(s + 12), U32(s + 16), U32(s + 20)});
    }
    if (resourceRva_ == 0 || resourceSize_ < 16) return Status(kErrorResourceTypeNotFound);
    return Status::Ok();
  }

  // Reads `size` bytes at an address of the image: they must lie in one section's file
  // data and in the file.
  bool ReadRva(uint64_t rva, void* buffer, size_t size) {
    for (const Section& s : sections_) {
      if (rva < s.virtualAddress) continue;
      const uint64_t into = rva - s.virtualAddress;
      if (into >= s.rawSize || size > s.rawSize - into) continue;
      return source_.ReadAt(static_cast<uint64_t>(s.rawOffset) + into, buffer, size);
    }
    return false;
  }

  // Reads `size` bytes at an offset of the resource directory, inside it.
  bool ReadResource(uint32_t offset, void* buffer, size_t size) {
    if (offset >= resourceSize_ || size > resourceSize_ - offset) return false;
    return ReadRva(static_cast<uint64_t>(resourceRva_) + offset, buffer, size);
  }

  // The entries (name or id, offset) of the directory at `offset`.
  bool ReadDirectory(uint32_t offset, std::vector<std::pair<uint32_t, uint32_t>>* entries) {
    uint8_t head[16];
    if (!ReadResource(offset, head, sizeof head)) return false;
    const uint32_t count = static_cast<uint32_t>(U16(head + 12)) + U16(head + 14);
    if (count > kMaxDirectoryEntries) return false;
    std::vector<uint8_t> raw(static_cast<size_t>(count) * 8);
    if (!ReadResource(offset + 16, raw.data(), raw.size())) return false;
    entries->clear();
    for (uint32_t i = 0; i < count; ++i)
      entries->push_back({U32(&raw[i * 8]), U32(&raw[i * 8 + 4])});
    return true;
  }

  Status FindVersion(std::vector<uint8_t>* block) {
    std::vector<std::pair<uint32_t, uint32_t>> entries;
    if (!ReadDirectory(0, &entries)) return Damaged();
    // Level 1: the type.
    auto type = std::find_if(entries.begin(), entries.end(),
                             [](const auto& e) { return e.first == kRtVersion; });
    if (type == entries.end()) return Status(kErrorResourceTypeNotFound);
    if ((type->second & 0x80000000u) == 0) return Damaged();
    // Level 2: the name, 1 (VS_VERSION_INFO) when there is one.
    if (!ReadDirectory(type->second & 0x7FFFFFFFu, &entries) || entries.empty()) return Damaged();
    auto name =
        std::find_if(entries.begin(), entries.end(), [](const auto& e) { return e.first == 1; });
    if (name == entries.end()) name = entries.begin();
    if ((name->second & 0x80000000u) == 0) return Damaged();
    // Level 3: the first language, a data entry.
    if (!ReadDirectory(name->second & 0x7FFFFFFFu, &entries) || entries.empty()) return Damaged();
    if ((entries[0].second & 0x80000000u) != 0) return Damaged();
    uint8_t data[16];
    if (!ReadResource(entries[0].second, data, sizeof data)) return Damaged();
    const uint32_t rva = U32(data);
    const uint32_t size = U32(data + 4);
    if (size == 0 || size > kMaxVersionBlock) return Damaged();
    block->resize(size);
    if (!ReadRva(rva, block->data(), block->size())) {
      block->clear();
      return Damaged();
    }
    return Status::Ok();
  }

 private:
  static Status Bad() { return Status(kErrorBadFormat); }
  static Status Damaged() { return Status(kErrorInvalidData); }

  ByteSource& source_;
  uint32_t resourceRva_ = 0;
  uint32_t resourceSize_ = 0;
  std::vector<Section> sections_;
};

}  // namespace

Status FindVersionResource(ByteSource& source, std::vector<uint8_t>* block) {
  block->clear();
  Image image(source);
  if (Status s = image.Load(); !s.ok()) return s;
  return image.FindVersion(block);
}

}  // namespace kv::version
