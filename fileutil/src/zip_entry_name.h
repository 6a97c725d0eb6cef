// Entry names of the zip writer: from the caller's wide text to the bytes stored in the
// headers, and the choice between storing and deflating.
#pragma once

#include <string>
#include <string_view>

namespace kv::zip {

// The stored form of an entry name. `\` becomes `/`; a folder entry ends in `/`. The
// name is CP437 when CP437 holds every character (`utf8` false), else UTF-8 (`utf8`
// true: the entry carries general-purpose flag 11).
//   L"docs\\readme.txt"     => "docs/readme.txt"
//   L"images", folder       => "images/"
//   L"Bücher/ü.txt"         => "B\x81" "cher/\x81.txt" (CP437)
//   L"日本.txt"             => UTF-8 bytes, utf8 true
// False for an empty name, a character that is not Unicode (a surrogate or a value past
// U+10FFFF), or a stored form longer than 65,535 bytes.
bool StoredEntryName(std::wstring_view name, bool folder, std::string* stored, bool* utf8);

// True when the name's extension (from its last `.`) marks data that is already
// compressed: .Z .zip .zoo .arc .lzh .arj .gz .tgz, in any case.
bool HasCompressedExtension(std::wstring_view name);

}  // namespace kv::zip
