// kvc_delete_directory: the contents of a folder, optionally its subfolders and itself.
#include <memory>
#include <string>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "resources.h"

using kv::fileutil::FileUtilityStrings;
using kv::fileutil::IDS_DELETING_DIRECTORY;

namespace {
constexpr size_t kBufferSize = 512;  // characters, terminator included
}  // namespace

int kvc_delete_directory(const wchar_t* folder, int flags) {
  if (folder == nullptr) return 0;
  const std::wstring path = folder;
  // A root is never a folder to empty: an empty name would search "/*" and delete the
  // host's root; a drive or share root is a whole volume.
  if (kv::NamesRoot(path)) return 0;
  const std::wstring searchPath = path + L"/*";
  if (searchPath.size() >= kBufferSize) return 0;

  if ((flags & DIR_NO_PROMPT) == 0) {
    const std::wstring text =
        kv::FormatMessageText(FileUtilityStrings().Load(IDS_DELETING_DIRECTORY), {path});
    if (kv::ShowMessageBox(text, kv::kMbOkCancel) != kv::kIdOk) return 0;
  }

  std::unique_ptr<kv::DirectorySearch> search;
  if (kv::DirectorySearch::Start(searchPath, &search).ok()) {
    do {
      const kv::DirectoryEntry& entry = search->Entry();
      if (entry.name.empty() || entry.name[0] == L'.') continue;
      const std::wstring entryPath = path + L"/" + entry.name;
      if (entryPath.size() >= kBufferSize) continue;  // left in place
      // A link is removed itself, never followed: what it points to lies outside the tree.
      if (!entry.isDirectory || entry.isLink) {
        (void)kv::DeleteFile(entryPath);  // read-only files stay
      } else if ((flags & DIR_RECURSE) != 0) {
        kvc_delete_directory(entryPath.c_str(), flags);
      }
    } while (search->Next());
  }
  if ((flags & DIR_REMOVE_SELF) != 0) (void)kv::RemoveDirectory(path);  // stays if not empty
  return 1;
}
