// The message catalogue: messages.xml in the suite's install folder, read once per
// process.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kv::fileutil {

struct CatalogueMessage {
  std::wstring id;
  std::vector<std::wstring> lines;
};

// Reads "Install Path" of HKEY_LOCAL_MACHINE\registryKey, then the catalogue
// "<install path>\/kvdesign/messages.xml": as 8-bit (UTF-8) text first, as UTF-16 text
// when that gives no message. Empty when the value, the file or the XML is missing.
std::vector<CatalogueMessage> LoadCatalogue(const wchar_t* registryKey);

// The text shown for a message: its lines joined by line feeds, then every "\n" a line
// feed and every "\t" a tab.
std::wstring MessageText(const CatalogueMessage& message);

}  // namespace kv::fileutil
