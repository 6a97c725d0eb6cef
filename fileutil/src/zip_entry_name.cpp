// Entry names of the zip writer.
#include "zip_entry_name.h"

#include <algorithm>
#include <array>

#include "KVPlatform/text.h"
#include "zip_records.h"

namespace kv::fileutil {

bool StoredEntryName(std::wstring_view name, bool folder, StoredName* stored) {
  if (name.empty()) return false;
  std::wstring text(name);
  for (wchar_t& c : text) {
    if (c == L'\\') c = L'/';
    const auto code = static_cast<uint32_t>(c);
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
  }
  if (folder && text.back() != L'/') text.push_back(L'/');
  std::string bytes;
  const bool oem = WideToOem(text, &bytes);
  if (!oem) bytes = WideToAnsi(text);
  if (bytes.size() > 0xFFFF) return false;
  std::string unicodePath;
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (oem && !ascii) {
    unicodePath = WideToAnsi(text);
    if (unicodePath.size() > kMaxUnicodePath) unicodePath.clear();
  }
  stored->bytes = std::move(bytes);
  stored->utf8 = !oem;
  stored->unicodePath = std::move(unicodePath);
  return true;
}

bool HasCompressedExtension(std::wstring_view name) {
  static constexpr std::array<std::wstring_view, 8> kExtensions = {
      L".Z", L".zip", L".zoo", L".arc", L".lzh", L".arj", L".gz", L".tgz"};
  const size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos) return false;
  const std::wstring_view extension = name.substr(dot);
  for (std::wstring_view known : kExtensions) {
    if (EqualsNoCase(extension, known)) return true;
  }
  return false;
}

}  // namespace kv::fileutil
