// Entry names of the zip writer: from the caller's wide text to the bytes stored in the
// headers, and the choice between storing and deflating.
#pragma once

#include <string>
#include <string_view>

namespace kv::fileutil {

// The stored form of an entry name. `\` becomes `/`; a folder entry ends in `/`.
struct StoredName {
  // CP437 when CP437 holds every character, else UTF-8.
  std::string bytes;
  // `bytes` is UTF-8: the entry carries general-purpose flag 11.
  bool utf8 = false;
  // For a CP437 name with a character past ASCII, the name in UTF-8 for the Info-ZIP
  // Unicode Path extra field (0x7075), which lets readers that do not take CP437 as
  // the default (unzip and 7-Zip on Linux, libarchive) show the name as intended.
  // Empty for ASCII and UTF-8 names, which every reader shows as they are.
  std::string unicodePath;
};

//   L"docs\\readme.txt"     => "docs/readme.txt"
//   L"images", folder       => "images/"
//   L"Bücher/ü.txt"         => "B\x81" "cher/\x81.txt" (CP437), unicodePath "Bücher/ü.txt"
//   L"日本.txt"             => UTF-8 bytes, utf8 true, no unicodePath
// False for an empty name, a character that is not Unicode (a surrogate or a value past
// U+10FFFF), or a stored form longer than 65,535 bytes. A Unicode Path that would not
// fit an extra field (names of many thousand characters) is left out.
bool StoredEntryName(std::wstring_view name, bool folder, StoredName* stored);

// True when the name's extension (from its last `.`) marks data that is already
// compressed: .Z .zip .zoo .arc .lzh .arj .gz .tgz, in any case.
bool HasCompressedExtension(std::wstring_view name);

}  // namespace kv::fileutil
