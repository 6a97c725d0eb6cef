// Reading menu archive versions with minizip, and the menu-file check.
#include "menu_files.h"

#include <unzip.h>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "data_update_log.h"
#include "markup.h"
#include "minizip_platform_io.h"

namespace kv::datamanager {
namespace {

struct MenuFile {
  const wchar_t* archive;
  const wchar_t* compiled;
};
constexpr MenuFile kMenuFiles[] = {
    {L"kvdesign\\win\\kvdesign.cuix", L"kvdesign\\win\\kvdesign.mnr"},
    {L"kvdesign\\win\\kvdesignribbon2024.cuix", L"kvdesign\\win\\kvdesignribbon2024.mnr"},
    {L"kvdesign\\win\\kvdieribbon2024.cuix", L"kvdesign\\win\\kvdieribbon2024.mnr"},
};

// A header larger than this is not a menu header; refusing it keeps a forged size
// field from asking for gigabytes.
constexpr uint64_t kMaxHeaderSize = 64u << 20;

// Minizip's case-insensitive name match, as Windows archives are read.
constexpr int kIgnoreCase = 2;

class ZipReader {
 public:
  explicit ZipReader(std::wstring_view file) : zip_(OpenZipThroughPlatform(file)) {}
  ~ZipReader() {
    if (itemOpen_) unzCloseCurrentFile(zip_);
    if (zip_ != nullptr) unzClose(zip_);
  }
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  bool IsOpen() const { return zip_ != nullptr; }

  // Reads the item `name` whole; false when it is missing or can't be inflated.
  bool ReadItem(const char* name, std::string* bytes) {
    if (unzLocateFile(zip_, name, kIgnoreCase) != UNZ_OK) return false;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
      return false;
    }
    if (info.uncompressed_size > kMaxHeaderSize) return false;
    if (unzOpenCurrentFile(zip_) != UNZ_OK) return false;
    itemOpen_ = true;
    bytes->assign(static_cast<size_t>(info.uncompressed_size), '\0');
    size_t done = 0;
    while (done < bytes->size()) {
      const int read = unzReadCurrentFile(zip_, bytes->data() + done,
                                          static_cast<unsigned>(bytes->size() - done));
      if (read <= 0) break;
      done += static_cast<size_t>(read);
    }
    const bool crcOk = unzCloseCurrentFile(zip_) == UNZ_OK;
    itemOpen_ = false;
    return done == bytes->size() && crcOk;
  }

 private:
  unzFile zip_;
  bool itemOpen_ = false;
};

// The header's text: UTF-16 with its byte-order mark, else UTF-8 (a mark is dropped).
std::wstring DecodeHeader(const std::string& bytes) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  if (bytes.size() >= 2 &&
      ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF))) {
    const bool little = byte(0) == 0xFF;
    std::wstring text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      uint32_t unit = little ? (byte(i) | byte(i + 1) << 8) : (byte(i) << 8 | byte(i + 1));
      if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
        const uint32_t low =
            little ? (byte(i + 2) | byte(i + 3) << 8) : (byte(i + 2) << 8 | byte(i + 3));
        if (low >= 0xDC00 && low < 0xE000) {
          unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      text += static_cast<wchar_t>(unit);
    }
    return text;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    return kv::AnsiToWide(std::string_view(bytes).substr(3));
  }
  return kv::AnsiToWide(bytes);
}

bool Exists(const std::wstring& path) { return kv_AccessCheck(path.c_str(), 0, false); }

}  // namespace

bool ReadMenuFileVersion(const std::wstring& archive, std::wstring& version) {
  std::string bytes;
  {
    ZipReader zip(archive);
    if (!zip.IsOpen() || !zip.ReadItem("header.cui", &bytes)) return false;
  }
  const std::wstring text = DecodeHeader(bytes);
  CMarkup header;
  if (!header.LoadDocument(text.c_str())) return false;
  if (!header.FindChild(L"CustSection") || !header.EnterElement() ||
      !header.FindChild(L"FileVersion")) {
    return false;
  }
  version = header.AttributeValue(L"UserVersion");
  return true;
}

void CheckMenuFiles(const std::wstring& source, const std::wstring& destination) {
  for (const MenuFile& menu : kMenuFiles) {
    const std::wstring from = source + menu.archive;
    const std::wstring to = destination + menu.archive;
    std::wstring sourceVersion;
    if (!Exists(from) || !ReadMenuFileVersion(from, sourceVersion)) continue;
    std::wstring destinationVersion;
    if (!Exists(to) || !ReadMenuFileVersion(to, destinationVersion)) destinationVersion.clear();
    if (sourceVersion == destinationVersion) continue;
    // A failed copy updated nothing: it is not counted as updated, and the compiled
    // menu beside the old archive is still current; the update is not complete.
    if (!kv::CopyFile(from, to, false).ok()) {
      CountFailedFile();
      LogNote(L"Could not copy: " + from + L" to " + to);
      continue;
    }
    LogUpdatedFile(from, to);
    CountUpdatedFile();
    const std::wstring compiled = destination + menu.compiled;
    if (Exists(compiled)) StaleCompiledMenus().push_back(compiled);
  }
  if (!StaleCompiledMenus().empty()) kv::ShowMessageBox(kNewMenuFilesMessage, kv::kMbOk);
}

std::vector<std::wstring>& StaleCompiledMenus() {
  static std::vector<std::wstring> stale;
  return stale;
}

void DeleteStaleCompiledMenus() {
  for (const std::wstring& file : StaleCompiledMenus()) {
    (void)kv::DeleteFile(file);
  }
}

}  // namespace kv::datamanager
