// The menu-file check of a data update: the menus ship as ".cuix" archives (zip files
// whose entry "header.cui" is an XML document recording the menu's version). Archives
// whose version differs from the data path's are copied; compiled menus (".mnr") built
// from a replaced archive are listed and deleted when the library unloads.
#pragma once

#include <string>
#include <vector>

namespace kv::datamanager {

// The menu version of a .cuix archive: the "UserVersion" attribute of
// CustSection/FileVersion in its entry "header.cui" (empty when the element has no
// such attribute). False, with `version` unchanged, when the archive can't be read,
// has no "header.cui" or the document lacks the two elements.
bool ReadMenuFileVersion(const std::wstring& archive, std::wstring& version);

// Compares the three menu archives of `source` with those of `destination` (both
// terminated folders) and copies each whose version differs; each copy is logged and
// counted in the update. Shows the restart message while the stale list is not empty.
void CheckMenuFiles(const std::wstring& source, const std::wstring& destination);

// The compiled menu files beside replaced archives, in the order found; appended to
// only, and deleted when the library unloads (DeleteStaleCompiledMenus).
std::vector<std::wstring>& StaleCompiledMenus();
void DeleteStaleCompiledMenus();

// The restart message of the menu-file check, also shown by the data update.
inline constexpr const wchar_t* kNewMenuFilesMessage =
    L"New menu files were copied into your data directory.\n"
    L"You will have to re-start AutoCAD or Kestrel for them to take effect.";

}  // namespace kv::datamanager
