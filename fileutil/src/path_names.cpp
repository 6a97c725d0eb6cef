// Splitting paths into folder, name and extension, and separator conversion.
#include "KVFileUtilities/path_utilities.h"

void ParsePathedFileName(std::wstring path, std::wstring& folder, std::wstring& name,
                         std::wstring& extension) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  if (path.empty()) return;

  std::wstring base = path;
  const size_t dot = path.rfind(L'.');
  if (dot != std::wstring::npos) {
    base = path.substr(0, dot);
    extension = path.substr(dot + 1);
  } else {
    extension.clear();
  }

  const size_t slash = base.rfind(L'\\');
  if (slash != std::wstring::npos) {
    name = base.substr(slash + 1);
    folder = base.substr(0, slash);
  } else {
    name = base;
    folder.clear();
  }
}

void kv_change_backslashes(wchar_t* path) {
  if (path == nullptr) return;
  for (; *path != L'\0'; ++path) {
    if (*path == L'\\') *path = L'/';
  }
}
