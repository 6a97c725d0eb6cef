// Version resources of Windows modules (.dll, .arx): what GetFileVersionInfo and
// VerQueryValue give, read from the PE file itself. The reader finds the version
// resource through the PE headers, the section table and the resource directory, and
// parses the VS_VERSIONINFO tree under it (VS_FIXEDFILEINFO, VarFileInfo\Translation,
// StringFileInfo tables). Every offset and length is checked against the file and the
// enclosing structure first: a damaged, truncated or hostile file gives "no version",
// never a read outside the file.
//
//   VersionInfo info;
//   if (VersionInfo::Read(L"C:\\Kestrel\\common\\KVC_Plot.arx", &info).ok()) {
//     std::vector<VersionTranslation> pairs = info.Translations();   // {0x0409, 1200}, ...
//     std::wstring version;
//     info.QueryString(L"\\StringFileInfo\\040904b0\\ProductVersion", &version);
//   }
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"

namespace kv {

// ERROR_RESOURCE_TYPE_NOT_FOUND: a module without a version resource.
inline constexpr uint32_t kErrorResourceTypeNotFound = 1813;

// One entry of "\VarFileInfo\Translation".
struct KV_EXPORT VersionTranslation {
  uint16_t language = 0;  // 0x0409 English (US)
  uint16_t codePage = 0;  // 1200 Unicode, 1252 Western
  friend bool operator==(const VersionTranslation&, const VersionTranslation&) = default;
};

class KV_EXPORT VersionInfo {
 public:
  VersionInfo();
  ~VersionInfo();
  VersionInfo(VersionInfo&&) noexcept;
  VersionInfo& operator=(VersionInfo&&) noexcept;

  // Reads the version resource of a module (Windows path). Fails with 2/3 when the file
  // is missing, 11 (bad format) when it is no PE module or its headers are damaged,
  // 1813 when it has no version resource, 13 (invalid data) when the resource is
  // damaged. On failure `info` holds no version.
  static Status Read(std::wstring_view path, VersionInfo* info);
  // The same over the bytes of a module in memory.
  static Status ReadFromMemory(const uint8_t* data, size_t size, VersionInfo* info);

  // True when a version resource was read.
  bool HasVersion() const;
  // VerQueryValue on "\VarFileInfo\Translation": the pairs in file order (empty when
  // there are none).
  std::vector<VersionTranslation> Translations() const;
  // VerQueryValue on a text value ("\StringFileInfo\040904b0\ProductVersion"; names
  // match without regard to case): the text up to its terminator. False when there is
  // no such value or it is not text.
  bool QueryString(std::wstring_view subBlock, std::wstring* value) const;
  // VerQueryValue on any value: its bytes as stored ("\" gives VS_FIXEDFILEINFO).
  bool QueryValue(std::wstring_view subBlock, std::vector<uint8_t>* bytes) const;

 private:
  struct Tree;
  std::unique_ptr<Tree> tree_;
};

}  // namespace kv
