// FTP folder listings (the LIST reply), as Unix and Windows servers write them, read
// into entries. The names are the server's data: callers decide what may be done with
// them (SafeLocalName).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv::internet {

struct FtpListEntry {
  std::wstring name;
  bool isFile = false;  // a plain file, or a link that may name one
  int64_t size = -1;    // bytes; -1 when the listing gives none
};

// The entries of a listing in the server's order. Understood lines:
//   -rw-r--r--   1 owner group   3000 Dec 08 09:59 name with blanks.xml   (Unix)
//   -rw-r--r--   1 owner 3000 Dec 08 2023 name                            (no group)
//   lrwxrwxrwx   1 owner group     10 Dec 08 09:59 link.xml -> target     (link: its name)
//   12-08-24  09:59AM                 3000 name.xml                       (Windows)
//   12-08-24  09:59AM       <DIR>          folder                          (folder)
// Other lines ("total 12", blank lines, anything unreadable) are skipped. Names are
// UTF-8 (bad bytes become U+FFFD).
std::vector<FtpListEntry> ParseFtpListing(std::string_view listing);

// True when a name from a server may become a file of a local folder: not empty, not
// "." or "..", and without a separator, a drive colon or a control character.
bool SafeLocalName(std::wstring_view name);

}  // namespace kv::internet
