// The records of a zip archive as the writer lays them out: local file header with its
// 17-byte "UT" extra field, data descriptor, central directory header with its 9-byte
// "UT" extra field, end of central directory. All fields little-endian.
//
// A name stored in CP437 with characters past ASCII also gets the Info-ZIP Unicode Path
// extra field (0x7075 "up": version 1, the CRC-32 of the name as stored, the name in
// UTF-8) in both headers, after the "UT" field. What readers show of such a name:
//   - Windows (Explorer, the suite's own readers) and Python's zipfile: the CP437 name,
//     which they decode as CP437; Python 3.12 and later take the Unicode Path;
//   - Info-ZIP unzip and zipinfo, 7-Zip, libarchive (bsdtar): the Unicode Path, in a
//     UTF-8 locale; without the field they showed "caf?.txt" for "café.txt";
//   - Java's java.util.zip reads names as UTF-8 unless told otherwise and refuses the
//     archive; it would need the names in UTF-8 with flag 11, which Windows readers of
//     the suite's archives do not expect.
// A name that CP437 cannot hold is stored in UTF-8 with flag 11 and no extra field.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace kv::fileutil {

inline constexpr uint16_t kVersionMadeBy = 0x0B17;  // host 11 (NTFS), version 2.3
inline constexpr uint16_t kVersionNeeded = 20;

// General-purpose flags.
inline constexpr uint16_t kFlagMaximumCompression = 0x0002;  // deflate at a high level
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;      // CRC and sizes follow the data
inline constexpr uint16_t kFlagUtf8Name = 0x0800;            // the name is UTF-8, not CP437

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;

inline constexpr size_t kLocalHeaderSize = 30;  // without name and extra field
inline constexpr size_t kLocalExtraSize = 17;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kCentralExtraSize = 9;
inline constexpr size_t kDataDescriptorSize = 16;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kUnicodePathHeaderSize = 9;  // tag, size, version, CRC-32 of the name
// The local extra field holds both fields within its 16-bit length.
inline constexpr size_t kMaxUnicodePath = 0xFFFF - kLocalExtraSize - kUnicodePathHeaderSize;

// The format's limits without zip64: the entry count of the end record, and the 32-bit
// sizes and offsets, whose all-ones value announces a zip64 field.
inline constexpr uint32_t kMaxEntries = 0xFFFF;
inline constexpr uint64_t kMax32 = 0xFFFFFFFE;

// One entry: what both headers of it say.
struct EntryRecord {
  uint16_t flags = 0;
  uint16_t method = 0;
  uint16_t dosTime = 0;
  uint16_t dosDate = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t externalAttributes = 0;
  uint32_t localHeaderOffset = 0;  // counted from the start of the output file
  uint32_t modifiedTime = 0;       // seconds since 1970 for the extra fields
  uint32_t accessTime = 0;
  uint32_t creationTime = 0;
  std::string name;         // as stored: CP437 or UTF-8 bytes
  std::string unicodePath;  // UTF-8 for the Unicode Path field; empty: no field
};

// The length of the Unicode Path field (0 without one).
inline size_t UnicodePathFieldSize(const EntryRecord& entry) {
  return entry.unicodePath.empty() ? 0 : kUnicodePathHeaderSize + entry.unicodePath.size();
}

// The local header followed by the name and the local extra field.
std::vector<uint8_t> EncodeLocalHeader(const EntryRecord& entry);
// "PK" 7 8, CRC-32, compressed size, uncompressed size.
std::vector<uint8_t> EncodeDataDescriptor(const EntryRecord& entry);
// The central header followed by the name and the central extra field.
void AppendCentralHeader(const EntryRecord& entry, std::vector<uint8_t>* out);
// The end record (one disk, no comment).
std::vector<uint8_t> EncodeEndRecord(uint16_t entries, uint32_t directorySize,
                                     uint32_t directoryOffset);

inline size_t CentralHeaderLength(const EntryRecord& entry) {
  return kCentralHeaderSize + entry.name.size() + kCentralExtraSize + UnicodePathFieldSize(entry);
}

// The MS-DOS time and date of a local date and time. DOS dates run from 1980 to 2107:
// earlier dates become 1980-01-01 00:00:00, later ones 2107-12-31 23:59:58.
//   2024-06-30 13:45:31 => time 0x6DAF (13:45:30), date 0x58DE
void DosDateTime(const std::tm& local, uint16_t* dosTime, uint16_t* dosDate);

// The value of a time for the "UT" extra field: seconds since 1970 (UTC), with local
// years before 1970 moved to 1 January 1970 and years after 2037 to 31 December 2037,
// keeping the time of day, so that the value fits the field for every reader.
uint32_t ExtraFieldTime(int64_t seconds);

}  // namespace kv::fileutil
