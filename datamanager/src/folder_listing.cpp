// The subfolders of a folder, as the data update and the post enumeration list them.
#include <memory>
#include <string>
#include <vector>

#include "KVPlatform/file_system.h"
#include "path_table.h"

namespace kv::datamanager {

std::vector<std::wstring> ListSubfolders(const std::wstring& folder) {
  std::vector<std::wstring> names;
  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(folder + L"*", &search).ok()) return names;
  do {
    const kv::DirectoryEntry& entry = search->Entry();
    if (entry.isDirectory && !entry.name.empty() && entry.name[0] != L'.') {
      names.push_back(entry.name);
    }
  } while (search->Next());
  return names;
}

}  // namespace kv::datamanager
