// Test helper: writes .cuix menu archives (zip files with a "header.cui" entry).
#pragma once

#include <zip.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kv::testing {

// The header document of a menu archive; a null version leaves the attribute out.
inline std::string MenuHeader(const char* version) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<CustSection>\r\n  <FileVersion "
      "MajorVersion=\"0\"";
  if (version != nullptr) text += std::string(" UserVersion=\"") + version + "\"";
  return text + " />\r\n  <Header />\r\n</CustSection>\r\n";
}

// Writes a zip archive holding the given entries (parents created).
inline void WriteZip(const std::filesystem::path& file,
                     const std::vector<std::pair<std::string, std::string>>& entries) {
  std::filesystem::create_directories(file.parent_path());
  zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) throw std::runtime_error("cannot create " + file.string());
  for (const auto& [name, data] : entries) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                              Z_DEFAULT_COMPRESSION, 0) != ZIP_OK ||
        zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) != ZIP_OK ||
        zipCloseFileInZip(zip) != ZIP_OK) {
      zipClose(zip, nullptr);
      throw std::runtime_error("cannot write " + file.string());
    }
  }
  zipClose(zip, nullptr);
}

// A menu archive with the given version and some menu content.
inline void WriteMenuArchive(const std::filesystem::path& file, const char* version,
                             const std::string& content = "<MenuGroup/>") {
  WriteZip(file, {{"header.cui", MenuHeader(version)}, {"MenuGroup.cui", content}});
}

}  // namespace kv::testing
