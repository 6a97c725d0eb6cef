// kv_copy_directory: the files of a folder, and with DIR_RECURSE its subfolders,
// copied depth first into another folder.
#include <algorithm>
#include <memory>
#include <vector>
#include <string>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"

namespace {
constexpr size_t kBufferSize = 512;  // characters, terminator included
constexpr int kCopyRetries = 100;

bool Fits(const std::wstring& path) { return path.size() < kBufferSize; }

// The folders being copied, outermost first: a link back to one of them is a loop and
// is not descended into (it would otherwise run until the paths no longer fit).
using Ancestors = std::vector<kv::FileIdentity>;

int CopyTree(const std::wstring& source, const wchar_t* pattern, const std::wstring& destination,
             unsigned flags, Ancestors* ancestors);

int CopyFolder(const std::wstring& source, const wchar_t* pattern, const std::wstring& destination,
               unsigned flags, Ancestors* ancestors) {
  kv::FileStatus status;
  if (kv::GetFileStatus(source, &status).ok()) ancestors->push_back(status.identity);
  const int result = CopyTree(source, pattern, destination, flags, ancestors);
  if (!ancestors->empty()) ancestors->pop_back();
  return result;
}
}  // namespace

int kv_copy_directory(const wchar_t* sourceFolder, const wchar_t* pattern,
                      const wchar_t* destinationFolder, unsigned flags) {
  if (sourceFolder == nullptr || pattern == nullptr || destinationFolder == nullptr) return 0;
  Ancestors ancestors;
  return CopyFolder(sourceFolder, pattern, destinationFolder, flags, &ancestors);
}

namespace {

int CopyTree(const std::wstring& source, const wchar_t* pattern, const std::wstring& destination,
             unsigned flags, Ancestors* ancestors) {
  // No separator is inserted: the pattern brings its own ("/*.*").
  const std::wstring searchPath = source + pattern;
  if (!Fits(searchPath)) return 0;

  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(searchPath, &search).ok()) return 1;  // nothing to copy

  const bool keepExisting = (flags & DIR_KEEP_EXISTING) != 0;
  do {
    const kv::DirectoryEntry& entry = search->Entry();
    const std::wstring& name = entry.name;
    const bool hidden = !name.empty() && name[0] == L'.';
    if (hidden || entry.isDirectory) {
      if ((flags & DIR_RECURSE) == 0 || hidden) continue;
      if (std::find(ancestors->begin(), ancestors->end(), entry.identity) != ancestors->end()) continue;
      const size_t slash = searchPath.rfind(L'/');
      if (slash == std::wstring::npos) return 0;
      const std::wstring subSource = searchPath.substr(0, slash + 1) + name;
      const std::wstring subDestination = destination + L"/" + name;
      if (!Fits(subSource) || !Fits(subDestination)) return 0;
      (void)kv::CreateDirectory(subDestination);  // an existing folder is fine
      if (CopyFolder(subSource, pattern, subDestination, flags, ancestors) == 0) return 0;
      continue;
    }

    const std::wstring from = source + L"/" + name;
    const std::wstring to = destination + L"/" + name;
    if (!Fits(from) || !Fits(to)) return 0;
    if (kv::CopyFile(from, to, keepExisting).ok()) continue;
    if (keepExisting) continue;  // the destination stays as it is
    kv::FileStatus status;
    if (kv::GetFileStatus(from, &status).code() == kv::kErrorFileNotFound) continue;  // gone, or a dangling link
    bool copied = false;
    for (int retry = 0; retry < kCopyRetries && !copied; ++retry) {
      copied = kv::CopyFile(from, to, false).ok();
    }
    if (!copied) return 0;
  } while (search->Next());
  return 1;
}

}  // namespace
