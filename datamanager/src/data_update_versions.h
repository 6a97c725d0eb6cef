// The versions a data update compares: the data version of a folder (the first line of
// its "DataVersion.txt") and the post version of a post-processor folder (from its
// "KVPostCompileData.txt").
#pragma once

#include <string>

namespace kv::datamanager {

// The first line of folder + "DataVersion.txt" (folder terminated), without its line
// end; empty when the file is missing or unreadable. Data versions are compared as
// strings, ordinally: "2024.1.10" < "2024.1.5".
std::wstring ReadDataVersion(const std::wstring& folder);

// The post version of a post-processor folder: of the lines of folder + "\" +
// "KVPostCompileData.txt" that begin with "Post Version" and have a colon, the last
// one's decimal value after the first colon (blanks skipped, up to the first
// non-digit). 0 when the file can't be read or holds no such line.
//   "Post Version: 12"  => 12      "Post Version:7b" => 7      "Post Versions" => ignored
int ReadPostVersion(const std::wstring& folder);

// The value of one line as ReadPostVersion reads it; false when the line is not a post
// version line.
bool ParsePostVersionLine(const std::string& line, int* version);

}  // namespace kv::datamanager
