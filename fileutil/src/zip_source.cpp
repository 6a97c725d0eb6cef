// The sources of the zip writer's entries.
#include "zip_source.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>

#include "KVFileUtilities/zip.h"
#include "KVPlatform/file_handle.h"

namespace kv::fileutil {
namespace {

SourceProperties Now(uint32_t attributes) {
  SourceProperties properties;
  properties.externalAttributes = attributes;
  properties.modifiedTime = properties.accessTime = properties.creationTime =
      static_cast<int64_t>(std::time(nullptr));
  return properties;
}

// A disk file: read from its start whatever the descriptor's position (a caller's
// descriptor keeps its position).
class DiskSource final : public ZipSource {
 public:
  DiskSource(FileHandle file, const SourceProperties& properties)
      : ZipSource(properties), file_(std::move(file)) {}
  bool Read(void* buffer, size_t size, size_t* got) override {
    if (!file_.ReadAt(offset_, buffer, size, got).ok()) return false;
    offset_ += *got;
    return true;
  }

 private:
  FileHandle file_;  // owned (closed with the source) or borrowed
  uint64_t offset_ = 0;
};

class StreamSource final : public ZipSource {
 public:
  StreamSource(FileHandle file, const SourceProperties& properties)
      : ZipSource(properties), file_(std::move(file)) {}
  bool Read(void* buffer, size_t size, size_t* got) override {
    return file_.Read(buffer, size, got).ok();
  }

 private:
  FileHandle file_;  // borrowed
};

class MemorySource final : public ZipSource {
 public:
  MemorySource(const uint8_t* data, size_t size, const SourceProperties& properties)
      : ZipSource(properties), data_(data), size_(size) {}
  bool Read(void* buffer, size_t size, size_t* got) override {
    *got = std::min(size, size_ - offset_);
    std::memcpy(buffer, data_ + offset_, *got);
    offset_ += *got;
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t offset_ = 0;
};

class FolderSource final : public ZipSource {
 public:
  FolderSource() : ZipSource(Properties()) {}
  bool Read(void*, size_t, size_t* got) override {
    *got = 0;
    return true;
  }

 private:
  static SourceProperties Properties() {
    SourceProperties properties = Now(kFolderAttributes);
    properties.sizeKnown = true;
    return properties;
  }
};

SourceProperties DiskProperties(const HandleInfo& info) {
  SourceProperties properties;
  properties.sizeKnown = true;
  properties.size = info.size;
  properties.externalAttributes =
      DiskAttributes(info.kind == HandleKind::kDirectory, info.readOnly);
  properties.modifiedTime = info.modifiedTime;
  properties.accessTime = info.accessTime;
  properties.creationTime = info.creationTime;
  return properties;
}

unsigned long OpenDescriptor(int descriptor, unsigned int length,
                             std::unique_ptr<ZipSource>* opened) {
  FileHandle file = FileHandle::Borrow(descriptor);
  HandleInfo info;
  if (!file.GetInfo(&info).ok()) return HZ_OPEN_FILE;
  switch (info.kind) {
    case HandleKind::kDiskFile:
      *opened = std::make_unique<DiskSource>(std::move(file), DiskProperties(info));
      return HZ_OK;
    case HandleKind::kDirectory: return HZ_OPEN_FILE;
    case HandleKind::kStream: {
      SourceProperties properties = Now(kStreamAttributes);
      properties.sizeKnown = length != 0;
      properties.size = length;
      *opened = std::make_unique<StreamSource>(std::move(file), properties);
      return HZ_OK;
    }
  }
  return HZ_OPEN_FILE;
}

unsigned long OpenFile(const wchar_t* name, std::unique_ptr<ZipSource>* opened) {
  if (name == nullptr) return HZ_ARGUMENTS;
  FileHandle file;
  HandleInfo info;
  if (!FileHandle::OpenForReading(name, &file, &info).ok() || info.kind != HandleKind::kDiskFile) {
    return HZ_OPEN_FILE;
  }
  *opened = std::make_unique<DiskSource>(std::move(file), DiskProperties(info));
  return HZ_OK;
}

}  // namespace

uint32_t DiskAttributes(bool folder, bool readOnly) {
  const uint32_t mode = (folder ? 040000u : 0100000u) | (readOnly ? 0400u : 0600u);
  const uint32_t windows = (readOnly ? 0x01u : 0u) | (folder ? 0x10u : 0x20u);
  return (mode << 16) | (windows & 0x37u);
}

unsigned long OpenSource(unsigned long kind, void* source, unsigned int length,
                         std::unique_ptr<ZipSource>* opened) {
  switch (kind) {
    case ZIP_HANDLE: {
      const intptr_t descriptor = reinterpret_cast<intptr_t>(source);
      if (descriptor < 0 || descriptor > INT_MAX) return HZ_OPEN_FILE;
      return OpenDescriptor(static_cast<int>(descriptor), length, opened);
    }
    case ZIP_FILENAME: return OpenFile(static_cast<const wchar_t*>(source), opened);
    case ZIP_MEMORY: {
      if (source == nullptr || length == 0) return HZ_ARGUMENTS;
      SourceProperties properties = Now(kStreamAttributes);
      properties.sizeKnown = true;
      properties.size = length;
      *opened =
          std::make_unique<MemorySource>(static_cast<const uint8_t*>(source), length, properties);
      return HZ_OK;
    }
    case ZIP_FOLDER: *opened = std::make_unique<FolderSource>(); return HZ_OK;
    default: return HZ_ARGUMENTS;
  }
}

}  // namespace kv::fileutil
