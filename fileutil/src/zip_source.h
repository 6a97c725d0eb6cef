// The sources of the zip writer's entries: an open descriptor (a disk file or a
// stream), a file opened by name, a memory block, or a folder entry without data; with
// the size, attributes and times that the entry records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace kv::fileutil {

inline constexpr uint32_t kStreamAttributes =
    0x80000000;  // regular file, no permissions, no DOS bits
inline constexpr uint32_t kFolderAttributes = 0x41C00010;  // drwx------, DOS folder bit

struct SourceProperties {
  bool sizeKnown = false;
  uint64_t size = 0;
  uint32_t externalAttributes = kStreamAttributes;
  int64_t modifiedTime = 0;  // seconds since 1970 (UTC)
  int64_t accessTime = 0;
  int64_t creationTime = 0;
};

class ZipSource {
 public:
  virtual ~ZipSource() = default;
  const SourceProperties& properties() const { return properties_; }
  // Reads up to `size` bytes; `*got` is 0 at the end of the data. False on a read error.
  virtual bool Read(void* buffer, size_t size, size_t* got) = 0;

 protected:
  explicit ZipSource(const SourceProperties& properties) : properties_(properties) {}

 private:
  SourceProperties properties_;
};

// The external attributes of a disk file or folder: a Unix mode in the high 16 bits
// (file 0100000 or folder 040000, owner read 0400 when read-only, else read and write
// 0600) and the Windows attributes (read-only 0x01, folder 0x10, else archive 0x20)
// masked with 0x37 in the low 8.
//   writable file => 0x81800020    read-only file => 0x81000021
uint32_t DiskAttributes(bool folder, bool readOnly);

// Opens a source by kind (ZIP_HANDLE, ZIP_FILENAME, ZIP_MEMORY, ZIP_FOLDER) and returns a
// result code of the zip interface: HZ_ARGUMENTS for an unknown kind, a null file name
// or memory block, or a memory length of 0; HZ_OPEN_FILE when the file cannot be opened
// or examined, or names a folder.
unsigned long OpenSource(unsigned long kind, void* source, unsigned int length,
                         std::unique_ptr<ZipSource>* opened);

}  // namespace kv::fileutil
