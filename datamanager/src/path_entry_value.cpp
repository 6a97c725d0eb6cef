// One entry of the path table: its value read from where its kind says it lives, the
// placeholders of post paths filled in, and the permission test of its folder.
#include <cstdlib>
#include <string>
#include <vector>

#include "KVPlatform/file_handle.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/ini.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "KVPlatform/version.h"
#include "KVVariableLibrary/kv_varlib.h"
#include "path_table.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

constexpr const wchar_t* kTestFileName = L"Permissiontest.$$$";
constexpr char kTestText[] = "Test writing";

std::wstring ReadIni(const std::wstring& section, const std::wstring& key,
                     const std::wstring& file) {
  std::wstring value;
  (void)kv::ReadProfileString(section, key, L"", &value, file);
  return value;
}

// A variable of a post's variable file, as text; false when it is not there.
bool ReadVariable(kv_VarLib& variables, const wchar_t* name, std::wstring* value) {
  char* data = nullptr;
  if (variables.GetVarBin(L"1", name, &data) == 0 || data == nullptr) return false;
  *value = kv::AnsiToWide(data);
  std::free(data);
  return true;
}

// Four lower-case hex digits, as "%04x" writes a 16-bit number.
std::wstring Hex4(uint16_t value) {
  std::wstring text(4, L'0');
  for (int i = 3; i >= 0; --i, value = static_cast<uint16_t>(value >> 4)) {
    text[static_cast<size_t>(i)] = L"0123456789abcdef"[value & 15];
  }
  return text;
}

void ReadModuleVersion(CDataPath& entry) {
  kv::VersionInfo info;
  if (!kv::VersionInfo::Read(entry.m_value, &info).ok()) return;
  std::vector<kv::VersionTranslation> pairs = info.Translations();
  if (pairs.empty()) return;
  std::wstring version;
  if (info.QueryString(L"\\StringFileInfo\\" + Hex4(pairs[0].language) + Hex4(pairs[0].codePage) +
                           L"\\ProductVersion",
                       &version)) {
    entry.m_version = version;
  }
}

// The characters of a path equal for Windows: case folded, '/' read as '\'.
wchar_t PathChar(wchar_t c) { return c == L'/' ? L'\\' : kv::FoldCase(c); }

}  // namespace

std::wstring ReplaceAll(std::wstring_view text, std::wstring_view from, std::wstring_view to,
                        bool pathLike) {
  if (from.empty()) return std::wstring(text);
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    bool match = text.size() - i >= from.size();
    for (size_t k = 0; match && k < from.size(); ++k) {
      match = pathLike ? PathChar(text[i + k]) == PathChar(from[k]) : text[i + k] == from[k];
    }
    if (match) {
      out += to;
      i += from.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

void ReadEntryValue(CDataPath& entry, const std::wstring& dataPath) {
  switch (entry.m_kind) {
    case 0: {
      kv_VarLib variables(entry.m_source.c_str(), entry.m_varFileName.c_str(),
                          entry.m_varFileType.c_str(), false);
      std::wstring value;
      if (ReadVariable(variables, entry.m_itemName.c_str(), &value)) {
        entry.m_value = value;
        if (!entry.m_value.empty()) Terminate(entry.m_value);
      }
      if (entry.m_itemName == L"KVPB_AUTO_SETUP_PATH") {
        int mirror = 0;
        if (variables.GetVar(L"1", L"KVPB_SETUP_TO_NC", &mirror) != 0)
          entry.m_mirrorsLinked = mirror;
        entry.m_linkedEntryName = L"NCPATH";
      }
      break;
    }
    case 1:
    case 4:
      if (ReadRegistryString(entry.m_kind == 1 ? kv::Hive::kCurrentUser : kv::Hive::kLocalMachine,
                             entry.m_source, entry.m_itemName, entry.m_value)) {
        Terminate(entry.m_value);
      }
      break;
    case 2:
    case 7: {
      // Values are read whole: a path cut at a buffer's end would be another path.
      std::wstring value = ReadIni(entry.m_kind == 2 ? entry.m_group : L"kvdesign",
                                   entry.m_itemName, entry.m_source);
      if (!value.empty()) {
        entry.m_value = value;
        if (entry.m_kind == 2) Terminate(entry.m_value);
      }
      break;
    }
    case 5: ReadModuleVersion(entry); break;
    case 6:
      (void)ReadRegistryString(kv::Hive::kClassesRoot,
                               L"CLSID\\" + entry.m_itemName + L"\\InprocServer32", L"",
                               entry.m_value);
      break;
    default:  // 3 and 8: the value was set when the entry was made
      break;
  }
  if (entry.m_hasPlaceholders) {
    entry.m_value = ReplaceAll(entry.m_value, L"%MAINPATH%", dataPath);
    entry.m_value = ReplaceAll(entry.m_value, L"%PRODUCTPATH%", dataPath + entry.m_group);
    entry.m_value = ReplaceAll(entry.m_value, L"%POSTPATH%",
                               dataPath + entry.m_group + L"/" + entry.m_postName);
  }
  TestEntryPermissions(entry);
}

void TestEntryPermissions(CDataPath& entry) {
  entry.m_valid = entry.m_mayCreate = entry.m_mayRead = entry.m_mayWrite = entry.m_mayDelete =
      false;
  kv::FileStatus status;
  if (entry.m_value.empty() || !kv::GetFileStatus(entry.m_value, &status).ok()) return;
  switch (entry.m_kind) {
    case 3:
    case 5:
    case 6:
    case 7: entry.m_valid = true; return;
    default: break;
  }
  const std::wstring test = entry.m_value + kTestFileName;
  {
    kv::FileHandle file;
    if (!kv::FileHandle::Create(test, &file).ok()) return;
    entry.m_mayCreate = true;
    const bool wrote = file.Write(kTestText, sizeof kTestText - 1).ok();
    entry.m_mayWrite = file.Close().ok() && wrote;
  }
  if (entry.m_mayWrite) {
    kv::FileHandle file;
    char line[64];
    size_t got = 0;
    entry.m_mayRead =
        kv::FileHandle::OpenForReading(test, &file).ok() && file.Read(line, sizeof line, &got).ok();
  }
  const bool deleted = kv::DeleteFile(test).ok();
  // A test that stopped early still takes its file away; only a full run says so.
  if (!entry.m_mayRead || !deleted) return;
  entry.m_mayDelete = true;
  if (!entry.m_requiredFile.empty()) {
    entry.m_requiredFileFound =
        kv::GetFileStatus(entry.m_value + entry.m_requiredFile, &status).ok() ? 1 : 0;
    entry.m_valid = entry.m_requiredFileFound != 0;
  } else {
    entry.m_valid = true;
  }
}

}  // namespace kv::datamanager
