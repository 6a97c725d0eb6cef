// Writing path-table entries back to their stores (a post's variable file, the user's
// registry, the INI file), and removing a registry key with its subkeys.
#include <string>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/ini.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/terminal.h"
#include "KVPlatform/text.h"
#include "KVVariableLibrary/kv_varlib.h"
#include "path_table.h"
#include "paths_dlg.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

// The variable file keeps a path in a field of this many bytes, its zero included.
constexpr size_t kVariableFieldSize = 260;

}  // namespace

bool StoreEntry(CDataPath& entry, const std::wstring& dataPath) {
  std::wstring value = entry.m_value;
  if (entry.m_hasPlaceholders) {
    // The longest first: a folder in the post folder is kept as %POSTPATH%..., one
    // elsewhere in the product folder as %PRODUCTPATH%..., one elsewhere in the data
    // path as %MAINPATH%... (paths compared as Windows compares them).
    value =
        ReplaceAll(value, dataPath + entry.m_group + L"/" + entry.m_postName, L"%POSTPATH%", true);
    value = ReplaceAll(value, dataPath + entry.m_group, L"%PRODUCTPATH%", true);
    value = ReplaceAll(value, dataPath, L"%MAINPATH%", true);
  }
  switch (entry.m_kind) {
    case 0: {
      kv::FileStatus status;
      if (!kv::GetFileStatus(entry.m_source, &status).ok()) break;
      const std::string text = kv::WideToAnsi(value);
      if (text.size() >= kVariableFieldSize) return false;
      std::vector<char> field(kVariableFieldSize, '\0');
      text.copy(field.data(), text.size());
      kv_VarLib variables(entry.m_source.c_str(), entry.m_varFileName.c_str(),
                          entry.m_varFileType.c_str(), false);
      variables.SetVarBin(L"1", entry.m_itemName.c_str(), field.data(),
                          static_cast<int>(field.size()));
      if (entry.m_itemName == L"KVPB_AUTO_SETUP_PATH" && entry.m_mirrorsLinked != 0 &&
          !kv::EqualsNoCase(entry.m_value, entry.m_originalValue)) {
        variables.SetVar(L"1", L"KVPB_SETUP_TO_NC", 0);
      }
      break;
    }
    case 1: WriteUserRegistryString(entry.m_source, entry.m_itemName, value); break;
    case 2:
      kv::WritePrivateProfileString(entry.m_group, entry.m_itemName, value, entry.m_source);
      break;
    default: break;
  }
  entry.m_modified = false;
  return true;
}

void RemoveRegistryTree(const std::wstring& key) {
  kv::RegKey root;
  if (!kv::RegKey::Open(kv::Hive::kCurrentUser, L"", kv::kKeyAllAccess | kv::kKeyWow64_64Key, &root)
           .ok()) {
    kv::WriteStandardOutput("Error opening key.\n");
    return;
  }
  if (root.DeleteSubKey(key).ok()) return;
  std::vector<std::wstring> subKeys;
  {
    kv::RegKey opened;
    kv::Status status =
        kv::RegKey::Open(kv::Hive::kCurrentUser, key, kv::kKeyRead | kv::kKeyWow64_64Key, &opened);
    if (!status.ok()) {
      kv::WriteStandardOutput(status.code() == kv::kErrorFileNotFound ? "Key not found.\n"
                                                                      : "Error opening key.\n");
      return;
    }
    std::wstring name;
    for (uint32_t i = 0; opened.EnumKey(i, &name).ok(); ++i) {
      if (name.size() <= 260) subKeys.push_back(name);
    }
  }
  for (const std::wstring& name : subKeys) RemoveRegistryTree(key + L"\\" + name);
  (void)root.DeleteSubKey(key);
}

}  // namespace kv::datamanager
