// kvpaths: lets an administrator check and fix every path of an installed release
// without a CAD application: the paths dialog of the data manager, or the path table as
// text.
//
//   kvpaths [PRODUCT_KEY]          the paths dialog (default SOFTWARE\Kestrel\KVDNC)
//   kvpaths --list [PRODUCT_KEY]   the path table of the product key's release, as text
//
// The dialog goes through the UI backend (KESTREL_UI): on a terminal it is a form whose
// tree items are opened by number ("open 6033 7" edits the seventh item shown); without
// one it is shown once and closed. Exit 0 when the dialog ended (stored with OK, or
// closed), 1 when the product key has no installation, 2 for a usage error.
#include <cstdio>
#include <cstring>
#include <string>

#include "KVDataManager/data_path.h"
#include "KVPlatform/object_array.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"

namespace {

constexpr const wchar_t* kDefaultKey = L"SOFTWARE\\Kestrel\\KVDNC";

int Usage() {
  std::fprintf(stderr, "usage: kvpaths [--list] [PRODUCT_KEY]\n");
  return 2;
}

// "ok", "BAD" (a checked entry that is not usable), or "-" (not checked: shown only).
const char* State(const CDataPath& entry) {
  if (entry.m_checked) return entry.m_valid ? "ok" : "BAD";
  return entry.m_valid ? "ok" : "-";
}

int List(const std::wstring& key) {
  kv::CObArray entries;
  const bool complete = CreateKestrelDataPathArray(key.c_str(), entries, nullptr, nullptr);
  int bad = 0;
  std::wstring group;
  for (int i = 0; i < entries.GetSize(); ++i) {
    const auto& entry = *static_cast<CDataPath*>(entries[i]);
    if (entry.m_group != group) {
      group = entry.m_group;
      std::printf("%s\n", kv::WideToAnsi(group).c_str());
    }
    const std::wstring where = entry.m_postName.empty() ? L"" : entry.m_postName + L": ";
    const std::wstring shown = entry.m_kind == 5 ? entry.m_version : entry.m_value;
    std::printf("  %-4s %s%s = %s\n", State(entry), kv::WideToAnsi(where).c_str(),
                kv::WideToAnsi(entry.m_label).c_str(), kv::WideToAnsi(shown).c_str());
    if (entry.m_checked && !entry.m_valid) ++bad;
    delete entries[i];
  }
  if (!complete) {
    std::fprintf(stderr, "kvpaths: %s has no data path\n", kv::WideToAnsi(key).c_str());
    return 1;
  }
  std::printf("%d bad path%s\n", bad, bad == 1 ? "" : "s");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool list = false;
  std::wstring key = kDefaultKey;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--list") == 0) {
      list = true;
    } else if (argv[i][0] == '-') {
      return Usage();
    } else {
      key = kv::AnsiToWide(argv[i]);
    }
  }
  std::wstring installPath;
  if (!kv::ReadRegistryText(kv::Hive::kLocalMachine, key, L"Install Path", &installPath).ok()) {
    std::fprintf(stderr, "kvpaths: no \"Install Path\" under HKEY_LOCAL_MACHINE\\%s\n",
                 kv::WideToAnsi(key).c_str());
    return 1;
  }
  if (list) return List(key);
  const bool stored = DisplayPathDialog(key.c_str(), nullptr);
  std::printf(
      "%s\n",
      stored
          ? "Paths dialog closed with OK: changes stored."
          : "Paths dialog closed without OK: changes made with Apply stay, others were dropped.");
  return 0;
}
