// The folder chooser over the UI backend: asks until the user picks a folder that fits
// the caller's buffer (and exists, when asked) or cancels.
#include "KVListBoxes/folder_chooser.h"

#include <algorithm>
#include <string>

#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace {

constexpr const wchar_t* kTitle = L"Browse for Folder";
constexpr const wchar_t* kTooLong =
    L"The folder path is too long; it may hold at most %d characters:\n%s";
constexpr const wchar_t* kMissing = L"The folder does not exist:\n%s";

bool IsFolder(const std::wstring& path) {
  kv::FileStatus status;
  return kv::GetFileStatus(path, &status).ok() && status.isDirectory;
}

}  // namespace

extern "C" bool kv_BrowseForFolder(wchar_t* path, int /*root*/, unsigned options,
                                   kv::CWnd* /*owner*/) {
  if (path == nullptr) return false;
  const std::wstring current(path, std::find(path, path + kFolderPathSize, L'\0'));
  for (;;) {
    std::wstring folder = current;
    if (!kv::CurrentUi().ChooseFolder(kTitle, &folder)) return false;
    if (folder.size() >= static_cast<size_t>(kFolderPathSize)) {
      kv::ShowMessageBox(kv::FormatMessageText(kTooLong, {kFolderPathSize - 1, folder}),
                         kv::kMbOk | kv::kMbIconExclamation, kTitle);
      continue;
    }
    if ((options & kFolderMustExist) != 0 && !IsFolder(folder)) {
      kv::ShowMessageBox(kv::FormatMessageText(kMissing, {folder}),
                         kv::kMbOk | kv::kMbIconExclamation, kTitle);
      continue;
    }
    std::copy(folder.begin(), folder.end(), path);
    path[folder.size()] = L'\0';
    return true;
  }
}
