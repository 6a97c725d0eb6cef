// Directory searches with Windows semantics (wildcards, no regard to case, NTFS order).
#include <sys/stat.h>

#include <memory>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "host_files.h"
#include "kvhost/host_path.h"

namespace kv {
namespace {

class PosixDirectorySearch : public DirectorySearch {
 public:
  explicit PosixDirectorySearch(std::vector<DirectoryEntry> entries)
      : entries_(std::move(entries)) {}
  const DirectoryEntry& Entry() const override { return entries_[index_]; }
  bool Next() override {
    if (index_ + 1 >= entries_.size()) {
      index_ = entries_.size() - 1;
      return false;
    }
    ++index_;
    return true;
  }

 private:
  std::vector<DirectoryEntry> entries_;
  size_t index_ = 0;
};

bool HasWildcard(std::wstring_view pattern) {
  return pattern.find_first_of(L"*?") != std::wstring_view::npos;
}

bool MatchFrom(std::wstring_view pattern, std::wstring_view name) {
  // Iterative matching with one backtrack point for the last '*'.
  size_t p = 0, n = 0, star = std::wstring_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (p < pattern.size() &&
               (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

DirectorySearch::~DirectorySearch() = default;

bool MatchesWildcard(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  if (MatchFrom(pattern, name)) return true;
  // "name.*" also matches "name": a missing extension counts as an empty one.
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == L".*" &&
      name.find(L'.') == std::wstring_view::npos) {
    return MatchFrom(pattern.substr(0, pattern.size() - 2), name);
  }
  return false;
}

Status DirectorySearch::Start(std::wstring_view searchPath,
                              std::unique_ptr<DirectorySearch>* search) {
  search->reset();
  size_t split = searchPath.size();
  while (split > 0 && !IsSeparator(searchPath[split - 1])) --split;
  // "C:name" searches the drive's root folder.
  std::wstring folderPath(searchPath.substr(0, split));
  std::wstring_view pattern = searchPath.substr(split);
  if (folderPath.empty() && pattern.size() >= 2 && pattern[1] == L':') {
    folderPath = std::wstring(pattern.substr(0, 2)) + L"\\";
    pattern.remove_prefix(2);
  }
  if (pattern.empty()) return Status(kErrorFileNotFound);
  if (folderPath.empty()) folderPath = L".";

  std::filesystem::path host;
  if (Status s = host::ResolvePath(folderPath, &host); !s.ok()) return s;
  const std::string folder = host.string();
  struct stat info;
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return Status(kErrorPathNotFound);

  std::vector<DirectoryEntry> entries;
  if (!HasWildcard(pattern)) {
    // One named entry, found without regard to case.
    std::filesystem::path named;
    if (Status s = host::ResolvePath(folderPath + L"/" + std::wstring(pattern), &named); !s.ok())
      return s;
    DirectoryEntry entry;
    if (!host::DescribeEntry(folder, named.filename().string(), &entry))
      return Status(kErrorFileNotFound);
    entries.push_back(std::move(entry));
  } else if (Status s = host::ListFolder(folder, pattern, &entries); !s.ok()) {
    return s;
  }
  if (entries.empty()) return Status(kErrorFileNotFound);
  *search = std::make_unique<PosixDirectorySearch>(std::move(entries));
  return Status::Ok();
}

}  // namespace kv
