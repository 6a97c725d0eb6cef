// Encoding of the zip records written by the archive writer.
#include "zip_records.h"

#include <algorithm>

#include <zlib.h>

#include "KVPlatform/local_time.h"

namespace kv::fileutil {
namespace {

void Put16(std::vector<uint8_t>* out, uint16_t value) {
  out->push_back(static_cast<uint8_t>(value));
  out->push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

void PutBytes(std::vector<uint8_t>* out, const std::string& bytes) {
  out->insert(out->end(), bytes.begin(), bytes.end());
}

constexpr uint16_t kExtendedTimestampTag = 0x5455;  // "UT"
constexpr uint8_t kAllThreeTimes = 7;               // modification, access, creation
constexpr uint16_t kUnicodePathTag = 0x7075;        // "up"
constexpr uint8_t kUnicodePathVersion = 1;

void PutUnicodePath(std::vector<uint8_t>* out, const EntryRecord& entry) {
  if (entry.unicodePath.empty()) return;
  Put16(out, kUnicodePathTag);
  Put16(out, static_cast<uint16_t>(UnicodePathFieldSize(entry) - 4));
  out->push_back(kUnicodePathVersion);
  // Readers use the field only while this CRC matches the name beside it, so that a
  // tool that renames the entry without knowing the field does not leave a stale name.
  Put32(out, static_cast<uint32_t>(
                 crc32_z(0, reinterpret_cast<const Bytef*>(entry.name.data()), entry.name.size())));
  PutBytes(out, entry.unicodePath);
}

}  // namespace

std::vector<uint8_t> EncodeLocalHeader(const EntryRecord& entry) {
  std::vector<uint8_t> out;
  out.reserve(kLocalHeaderSize + entry.name.size() + kLocalExtraSize + UnicodePathFieldSize(entry));
  Put32(&out, 0x04034B50);
  Put16(&out, kVersionNeeded);
  Put16(&out, entry.flags);
  Put16(&out, entry.method);
  Put16(&out, entry.dosTime);
  Put16(&out, entry.dosDate);
  Put32(&out, entry.crc);
  Put32(&out, entry.compressedSize);
  Put32(&out, entry.uncompressedSize);
  Put16(&out, static_cast<uint16_t>(entry.name.size()));
  Put16(&out, static_cast<uint16_t>(kLocalExtraSize + UnicodePathFieldSize(entry)));
  PutBytes(&out, entry.name);
  Put16(&out, kExtendedTimestampTag);
  Put16(&out, kLocalExtraSize - 4);
  out.push_back(kAllThreeTimes);
  Put32(&out, entry.modifiedTime);
  Put32(&out, entry.accessTime);
  Put32(&out, entry.creationTime);
  PutUnicodePath(&out, entry);
  return out;
}

std::vector<uint8_t> EncodeDataDescriptor(const EntryRecord& entry) {
  std::vector<uint8_t> out;
  out.reserve(kDataDescriptorSize);
  Put32(&out, 0x08074B50);
  Put32(&out, entry.crc);
  Put32(&out, entry.compressedSize);
  Put32(&out, entry.uncompressedSize);
  return out;
}

void AppendCentralHeader(const EntryRecord& entry, std::vector<uint8_t>* out) {
  Put32(out, 0x02014B50);
  Put16(out, kVersionMadeBy);
  Put16(out, kVersionNeeded);
  Put16(out, entry.flags);
  Put16(out, entry.method);
  Put16(out, entry.dosTime);
  Put16(out, entry.dosDate);
  Put32(out, entry.crc);
  Put32(out, entry.compressedSize);
  Put32(out, entry.uncompressedSize);
  Put16(out, static_cast<uint16_t>(entry.name.size()));
  Put16(out, static_cast<uint16_t>(kCentralExtraSize + UnicodePathFieldSize(entry)));
  Put16(out, 0);  // comment length
  Put16(out, 0);  // disk number
  Put16(out, 0);  // internal attributes
  Put32(out, entry.externalAttributes);
  Put32(out, entry.localHeaderOffset);
  PutBytes(out, entry.name);
  Put16(out, kExtendedTimestampTag);
  Put16(out, kCentralExtraSize - 4);
  out->push_back(kAllThreeTimes);  // the flags of the local field, as readers expect
  Put32(out, entry.modifiedTime);
  PutUnicodePath(out, entry);
}

std::vector<uint8_t> EncodeEndRecord(uint16_t entries, uint32_t directorySize,
                                     uint32_t directoryOffset) {
  std::vector<uint8_t> out;
  out.reserve(kEndRecordSize);
  Put32(&out, 0x06054B50);
  Put16(&out, 0);  // this disk
  Put16(&out, 0);  // disk of the central directory
  Put16(&out, entries);
  Put16(&out, entries);
  Put32(&out, directorySize);
  Put32(&out, directoryOffset);
  Put16(&out, 0);  // comment length
  return out;
}

void DosDateTime(const std::tm& local, uint16_t* dosTime, uint16_t* dosDate) {
  const int year = local.tm_year + 1900;
  if (year < 1980) {
    *dosTime = 0;
    *dosDate = (1 << 5) | 1;
    return;
  }
  if (year > 2107) {
    *dosTime = static_cast<uint16_t>((23 << 11) | (59 << 5) | 29);
    *dosDate = static_cast<uint16_t>((127 << 9) | (12 << 5) | 31);
    return;
  }
  const int second = std::min(local.tm_sec, 59);  // a leap second stays in its minute
  *dosTime = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (second / 2));
  *dosDate =
      static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
}

uint32_t ExtraFieldTime(int64_t seconds) {
  std::tm local{};
  if (!ToLocalTime(seconds, &local)) return seconds < 0 ? 0 : 0x7FFFFFFF;
  const int year = local.tm_year + 1900;
  if (year >= 1970 && year <= 2037) {
    return static_cast<uint32_t>(std::clamp<int64_t>(seconds, 0, 0x7FFFFFFF));
  }
  if (year < 1970) {
    local.tm_year = 70;
    local.tm_mon = 0;
    local.tm_mday = 1;
  } else {
    local.tm_year = 137;
    local.tm_mon = 11;
    local.tm_mday = 31;
  }
  local.tm_isdst = -1;
  // East of Greenwich the first hours of 1970 local time lie before 1970 UTC.
  return static_cast<uint32_t>(std::clamp<int64_t>(FromLocalTime(local), 0, 0x7FFFFFFF));
}

}  // namespace kv::fileutil
