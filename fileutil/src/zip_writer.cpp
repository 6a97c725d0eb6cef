// The zip writer: CreateZipZ, ZipAdd and CloseZipZ.
//
// Each entry is a local header, its data and, on outputs that cannot seek, a data
// descriptor; on outputs that can, the local header is completed in place once the data
// is written. The central directory, kept as encoded headers (zip_directory.h), and the
// end record are written at close. The writer keeps the archive inside the format's limits
// without zip64: an addition that would need a 65,536th entry, a size or offset of 4 GiB
// or more, is refused with HZ_WRITE, so that the central directory can always describe
// the entries written before it.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KVFileUtilities/zip.h"
#include "KVPlatform/local_time.h"
#include "zip_data.h"
#include "zip_directory.h"
#include "zip_entry_name.h"
#include "zip_handle.h"
#include "zip_output.h"
#include "zip_records.h"
#include "zip_source.h"

namespace kv::fileutil {

class ZipWriter {
 public:
  ZipWriter(std::unique_ptr<ZipOutput> output, std::optional<std::wstring> scratchBeside)
      : output_(std::move(output)), directory_(std::move(scratchBeside)) {
    // Every byte of the entries lies below the 32-bit limit, so that the central
    // directory's offset always fits its field.
    output_->set_limit(kMax32);
  }

  unsigned long Add(const wchar_t* name, void* source, unsigned int length, unsigned long kind);
  unsigned long Close();

 private:
  std::unique_ptr<ZipOutput> output_;
  EntryDataWriter data_;
  CentralDirectory directory_;
};

namespace {

void SetDosTime(int64_t seconds, EntryRecord* entry) {
  std::tm local{};
  // A time the runtime cannot take apart lies far outside the DOS range: clamped.
  if (!ToLocalTime(seconds, &local)) local.tm_year = seconds < 0 ? 0 : 300;
  DosDateTime(local, &entry->dosTime, &entry->dosDate);
}

}  // namespace

unsigned long ZipWriter::Add(const wchar_t* name, void* source, unsigned int length,
                             unsigned long kind) {
  if (name == nullptr) return HZ_ARGUMENTS;
  const bool folder = kind == ZIP_FOLDER;
  EntryRecord entry;
  StoredName stored;
  if (!StoredEntryName(name, folder, &stored)) return HZ_ARGUMENTS;
  entry.name = std::move(stored.bytes);
  entry.unicodePath = std::move(stored.unicodePath);
  entry.method = folder || HasCompressedExtension(name) ? kMethodStored : kMethodDeflated;

  std::unique_ptr<ZipSource> input;
  if (const unsigned long code = OpenSource(kind, source, length, &input); code != HZ_OK)
    return code;
  const SourceProperties& properties = input->properties();

  // The format's limits, checked before anything is written.
  if (directory_.count() >= kMaxEntries) return HZ_WRITE;
  if (properties.sizeKnown && properties.size > kMax32) return HZ_WRITE;
  if (directory_.size() + CentralHeaderLength(entry) > kMax32) return HZ_WRITE;
  const uint64_t offset = output_->position();
  if (offset > kMax32) return HZ_WRITE;

  entry.flags = kFlagDataDescriptor;
  if (entry.method == kMethodDeflated) entry.flags |= kFlagMaximumCompression;
  if (stored.utf8) entry.flags |= kFlagUtf8Name;
  SetDosTime(properties.modifiedTime, &entry);
  entry.crc = 0;
  entry.compressedSize = entry.method == kMethodStored && properties.sizeKnown
                             ? static_cast<uint32_t>(properties.size)
                             : 0;
  entry.uncompressedSize =
      properties.sizeKnown ? static_cast<uint32_t>(properties.size) : 0xFFFFFFFF;
  entry.externalAttributes = properties.externalAttributes;
  entry.localHeaderOffset = static_cast<uint32_t>(offset);
  entry.modifiedTime = ExtraFieldTime(properties.modifiedTime);
  entry.accessTime = ExtraFieldTime(properties.accessTime);
  entry.creationTime = ExtraFieldTime(properties.creationTime);
  const uint32_t announcedSize = entry.compressedSize;

  std::vector<uint8_t> header = EncodeLocalHeader(entry);
  if (!output_->Write(header.data(), header.size())) return HZ_WRITE;

  EntryData data;
  bool written = true;
  if (!folder) {
    written = entry.method == kMethodDeflated ? data_.Deflate(*input, *output_, kMax32, &data)
                                              : data_.Store(*input, *output_, kMax32, &data);
  }
  input.reset();  // closes a file the library opened
  if (!written || data.compressedSize > kMax32) return HZ_WRITE;
  entry.crc = data.crc;
  entry.compressedSize = static_cast<uint32_t>(data.compressedSize);
  entry.uncompressedSize = static_cast<uint32_t>(data.uncompressedSize);

  if (output_->canSeek()) {
    entry.flags &= static_cast<uint16_t>(~kFlagDataDescriptor);
    header = EncodeLocalHeader(entry);
    if (!output_->Overwrite(offset, header.data(), header.size())) return HZ_WRITE;
  } else {
    if (entry.method == kMethodStored && entry.compressedSize != announcedSize)
      return HZ_STORAGE_CHANGED;
    const std::vector<uint8_t> descriptor = EncodeDataDescriptor(entry);
    if (!output_->Write(descriptor.data(), descriptor.size())) return HZ_WRITE;
  }
  if (!output_->Flush()) return HZ_WRITE;

  directory_.Add(entry);
  return HZ_OK;
}

unsigned long ZipWriter::Close() {
  output_->set_limit(std::numeric_limits<uint64_t>::max());
  const uint64_t directoryOffset = output_->position();
  // An archive that starts past the limit (a descriptor positioned beyond 4 GiB) cannot
  // be described: nothing is written rather than a directory that points elsewhere.
  bool ok = directoryOffset <= kMax32;
  // After the first failure no further headers are written.
  ok = ok && directory_.WriteTo(*output_);
  if (ok) {
    const std::vector<uint8_t> end = EncodeEndRecord(static_cast<uint16_t>(directory_.count()),
                                                     static_cast<uint32_t>(directory_.size()),
                                                     static_cast<uint32_t>(directoryOffset));
    ok = output_->Write(end.data(), end.size());
  }
  data_.StopThreads();
  const bool closed = output_->Close();
  return ok && closed ? HZ_OK : HZ_WRITE;
}

namespace {

bool DescriptorFromPointer(void* target, int* descriptor) {
  const intptr_t value = reinterpret_cast<intptr_t>(target);
  if (value < 0 || value > INT_MAX) return false;
  *descriptor = static_cast<int>(value);
  return true;
}

}  // namespace
}  // namespace kv::fileutil

using kv::fileutil::kWritingKind;
using kv::fileutil::ZipWriter;

HZIP CreateZipZ(void* target, unsigned int size, unsigned long kind) {
  kv::ResetTimeZone();
  std::unique_ptr<kv::fileutil::ZipOutput> output;
  // Where a large central directory may spill: beside a file output, in the temporary
  // folder for a handle; a memory output keeps it in memory.
  std::optional<std::wstring> scratchBeside;
  unsigned long code = HZ_ARGUMENTS;
  switch (kind) {
    case ZIP_HANDLE: {
      int descriptor = -1;
      code = kv::fileutil::DescriptorFromPointer(target, &descriptor)
                 ? kv::fileutil::OpenDescriptorOutput(descriptor, &output)
                 : HZ_DUPLICATE_HANDLE;
      scratchBeside.emplace();
      break;
    }
    case ZIP_FILENAME:
      code = target != nullptr
                 ? kv::fileutil::OpenFileOutput(static_cast<const wchar_t*>(target), &output)
                 : HZ_OPEN_FILE;
      if (code == HZ_OK) scratchBeside.emplace(static_cast<const wchar_t*>(target));
      break;
    case ZIP_MEMORY: code = kv::fileutil::OpenMemoryOutput(target, size, &output); break;
    default: break;
  }
  if (code != HZ_OK) return nullptr;
  auto writer = std::make_unique<ZipWriter>(std::move(output), std::move(scratchBeside));
  auto* handle = new HZIP__;
  handle->kind = kWritingKind;
  handle->writer = writer.release();
  return handle;
}

unsigned long ZipAdd(HZIP archive, const wchar_t* name, void* source, unsigned int length,
                     unsigned long kind) {
  if (archive == nullptr) return HZ_ARGUMENTS;
  if (archive->kind != kWritingKind || archive->writer == nullptr) return HZ_WRONG_MODE;
  return archive->writer->Add(name, source, length, kind);
}

unsigned long CloseZipZ(HZIP archive) {
  if (archive == nullptr) return HZ_ARGUMENTS;
  if (archive->kind != kWritingKind || archive->writer == nullptr) return HZ_WRONG_MODE;
  const unsigned long code = archive->writer->Close();
  delete archive->writer;
  delete archive;
  return code;
}
