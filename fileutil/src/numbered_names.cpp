// Numbered file names: the names in use for a template and the lowest free counter.
#include "KVFileUtilities/numbered_names.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"

namespace {

constexpr int kMaxMarks = 10;

// The list and count of kvc_next_aval_flname, empty between its calls.
KvcFileNameSlot* g_names = nullptr;
int g_nameCount = 0;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

extern "C" {

void kvc_build_flname_array(const wchar_t* fileTemplate, KvcFileNameSlot** list, int* count) {
  if (fileTemplate == nullptr || list == nullptr || count == nullptr) return;
  const std::wstring_view pattern(fileTemplate);
  const size_t firstMark = pattern.find(L'?');
  if (firstMark == std::wstring_view::npos) {
    kv::ShowMessageBox(L"No ??? in the passed argument", kv::kMbOk);
    return;
  }
  const size_t slash = pattern.rfind(L'/');
  // A mark in the folder part has no place in the names found.
  if (slash == std::wstring_view::npos || firstMark < slash) return;
  const size_t digitPosition = firstMark - slash - 1;
  const size_t nameLength = pattern.size() - slash - 1;
  if (nameLength >= static_cast<size_t>(KVC_FLNAME_SLOT)) return;

  std::unique_ptr<kv::DirectorySearch> search;
  if (!kv::DirectorySearch::Start(pattern, &search).ok()) return;
  do {
    const std::wstring& name = search->Entry().name;
    if (name.size() != nameLength || !IsDigit(name[digitPosition])) continue;
    if (*count < 0 || *count >= INT_MAX - 1) break;
    const size_t slots = static_cast<size_t>(*count) + 2;  // slot 0 and the names
    void* grown = std::realloc(*list, slots * sizeof(KvcFileNameSlot));
    if (grown == nullptr) break;  // out of memory: the names listed so far stay
    *list = static_cast<KvcFileNameSlot*>(grown);
    ++*count;
    const std::wstring upper = kv::FoldCase(name);
    wchar_t* slot = (*list)[*count];
    std::wmemcpy(slot, upper.data(), upper.size());
    slot[upper.size()] = L'\0';
  } while (search->Next());
}

int kvc_set_next_name(const wchar_t* fileNameTemplate, wchar_t* out, int number) {
  if (fileNameTemplate == nullptr || out == nullptr) return 0;
  const size_t length = std::wcslen(fileNameTemplate);
  std::wmemmove(out, fileNameTemplate, length + 1);
  size_t first = std::wstring_view::npos;
  int marks = 0;
  for (size_t i = 0; i < length; ++i) {
    if (out[i] != L'?') continue;
    if (first == std::wstring_view::npos) first = i;
    if (++marks > kMaxMarks) {
      kv::ShowMessageBox(L"Search for ? failed", kv::kMbOk);
      return 0;
    }
  }
  if (marks == 0 || number < 0) return 0;
  const std::wstring digits = std::to_wstring(number);
  if (digits.size() > static_cast<size_t>(marks)) return 0;
  const std::wstring padded =
      std::wstring(static_cast<size_t>(marks) - digits.size(), L'0') + digits;
  // The marks stand after the first one, so the counter ends inside the name.
  std::wmemcpy(out + first, padded.data(), padded.size());
  return 1;
}

int kvc_find_next_flname(wchar_t* fileTemplate, KvcFileNameSlot* list, int count) {
  if (fileTemplate == nullptr) return 0;
  const std::wstring_view pattern(fileTemplate);
  const size_t slash = pattern.rfind(L'/');
  if (slash == std::wstring_view::npos) return 0;
  const std::wstring nameTemplate(pattern.substr(slash + 1));

  // Every name in use is looked up, whatever the order of the list: a counter field
  // reading 0, or a name out of order, never makes a name in use look free.
  std::unordered_set<std::wstring> used;
  for (int i = 1; list != nullptr && i <= count; ++i) {
    used.insert(kv::FoldCase(std::wstring_view(list[i], wcsnlen(list[i], KVC_FLNAME_SLOT))));
  }
  std::wstring candidate(nameTemplate.size() + 1, L'\0');
  for (int number = 1; number < INT_MAX; ++number) {
    if (kvc_set_next_name(nameTemplate.c_str(), candidate.data(), number) == 0) return 0;
    const std::wstring_view name(candidate.data(), nameTemplate.size());
    if (used.count(kv::FoldCase(name)) == 0) {
      std::wmemcpy(fileTemplate + slash + 1, name.data(), name.size());
      return 1;
    }
  }
  return 0;
}

int kvc_next_aval_flname(wchar_t* fileTemplate) {
  if (fileTemplate == nullptr) return 0;
  // The pair is emptied on every way out, an exception included.
  struct Release {
    ~Release() {
      std::free(g_names);
      g_names = nullptr;
      g_nameCount = 0;
    }
  } release;
  kvc_build_flname_array(fileTemplate, &g_names, &g_nameCount);
  // The search looks every candidate up, so the list needs no sorting.
  return kvc_find_next_flname(fileTemplate, g_names, g_nameCount);
}

}  // extern "C"
