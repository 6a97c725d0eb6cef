// The product path table's parts, shared by the table, the paths dialog and the
// variable dialogs: the module-wide install path, the retrieval for one release, the
// reading and testing of one entry, and the post-processor descriptions.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "KVDataManager/data_path.h"

namespace kv::datamanager {

// The install path last read by CreateKestrelDataPathArray or DisplayPathDialog (it
// ends with a backslash as the installer writes it); module-wide, kept until the next.
std::wstring& ModuleInstallPath();

// Builds, reads and tests the entries of the release of `key` and appends them; false,
// after the module entries, when the key has no data path.
bool RetrieveProductPaths(const std::wstring& key, kv::CObArray& entries,
                          const wchar_t* productFilter, const wchar_t* postFilter);

// Fills the value of one entry by its kind (with `dataPath`, terminated, for the
// placeholders), then runs the permission test.
void ReadEntryValue(CDataPath& entry, const std::wstring& dataPath);

// Sets the five test flags and the required-file flag from the entry's value: files
// (kinds 3, 5, 6, 7) are valid when they exist; folders when a test file can be created,
// written, read back and deleted in them, and the required file is there.
void TestEntryPermissions(CDataPath& entry);

// Replaces, in `text`, every `from` by `to`; `from` is matched without regard to case
// and with '\' and '/' alike when `pathLike` is set.
std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to,
                        bool pathLike = false);

// A text field of fixed capacity (characters with the terminator), as the post records
// keep them. Set cuts a longer text to capacity - 1 characters.
template <size_t N>
class FixedText {
 public:
  void Set(std::wstring_view text) {
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(chars_.data(), n);
    chars_[n] = L'\0';
  }
  std::wstring Get() const { return std::wstring(chars_.data()); }

 private:
  std::array<wchar_t, N> chars_{};
};

// The description of one post folder of a product.
struct PostRecord {
  FixedText<41> description;
  FixedText<41> postName;
  FixedText<33> acadVersion;
  FixedText<33> postVersion;
  FixedText<256> manufacturer;
  FixedText<256> model;
  FixedText<256> controller;
  FixedText<33> compiledDateTime;
};

// The posts of `product` ("KVPunch", "KVProf", "KVWire") in the data path of `key`:
// folders of at most 8 characters holding "dft.pst", described by "postdesc.txt" and
// "KVPostCompileData.txt", sorted by description (ordinal, case-sensitive).
void EnumeratePostProcessors(const std::wstring& key, const std::wstring& product,
                             std::vector<PostRecord>& records, int& count);

// The lines of a text file (UTF-8, or UTF-16LE with its byte order mark), without line
// ends. False when it cannot be read.
bool ReadTextLines(const std::wstring& path, std::vector<std::wstring>& lines);

// The subfolders of a folder whose names do not begin with a dot, in listing order.
std::vector<std::wstring> ListSubfolders(const std::wstring& folder);

}  // namespace kv::datamanager
