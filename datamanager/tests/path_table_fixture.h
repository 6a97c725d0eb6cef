// A generated installation for the path-table and paths-dialog tests: a product key
// with install and data paths, modules with version resources (and a damaged one), posts
// of KVPunch, KVProf and KVWire with variable files, INI keys, an add-in server, and
// SolidWorks command-manager tabs.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVDataManager/data_path.h"
#include "KVPlatform/registry.h"
#include "KVVariableLibrary/kv_varlib.h"
#include "temp_root.h"

namespace kv::testing {

inline constexpr const wchar_t* kProductKey = L"SOFTWARE\\Kestrel\\KVDNC";
inline constexpr const wchar_t* kReleaseKey = L"Software\\Kestrel\\R24.3";

// Owns the entries of an array, as the callers of the table do.
struct Entries {
  kv::CObArray array;
  ~Entries() { Clear(); }
  void Clear() {
    for (int i = 0; i < array.GetSize(); ++i) delete array[i];
    array.RemoveAll();
  }
  int size() const { return array.GetSize(); }
  CDataPath& at(int i) const { return *static_cast<CDataPath*>(array[i]); }
  // The first entry with this item name (and post name), or null.
  CDataPath* Find(const std::wstring& item, const std::wstring& post = L"",
                  const std::wstring& group = L"") const {
    for (int i = 0; i < size(); ++i) {
      CDataPath& entry = at(i);
      if (entry.m_itemName == item && entry.m_postName == post &&
          (group.empty() || entry.m_group == group)) {
        return &entry;
      }
    }
    return nullptr;
  }
};

class PathTableTest : public RootTest {
 protected:
  std::filesystem::path C(const std::string& relative) { return root_.Drive(L'c') / relative; }

  static std::vector<uint8_t> Module(const std::string& name) {
    std::ifstream in(std::string(KV_VERSION_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteBytes(const std::string& relative, const std::vector<uint8_t>& bytes) {
    TempRoot::WriteFile(C(relative), std::string(bytes.begin(), bytes.end()));
  }
  void Set(Hive hive, const std::wstring& key, const std::wstring& name,
           const std::wstring& value) {
    ASSERT_TRUE(WriteRegistryText(hive, key, name, value).ok());
  }
  // A variable as the paths dialog writes it: text in a 260-byte buffer.
  static void SetPathVariable(const std::wstring& folder, const wchar_t* file, const wchar_t* type,
                              const wchar_t* name, const std::string& value) {
    kv_VarLib lib(folder.c_str(), file, type, false);
    std::string buffer = value;
    buffer.resize(260, '\0');
    ASSERT_EQ(lib.SetVarBin(L"1", name, buffer.data(), 260), 1);
  }
  // A post folder holding "dft.pst" and its description files.
  void WritePost(const std::string& product, const std::string& name,
                 const std::string& description, const std::string& compileData) {
    const std::string folder = "Data/" + product + "/" + name + "/";
    TempRoot::WriteFile(C(folder + "dft.pst"), "defaults\r\n");
    if (!description.empty()) TempRoot::WriteFile(C(folder + "postdesc.txt"), description);
    if (!compileData.empty()) TempRoot::WriteFile(C(folder + "KVPostCompileData.txt"), compileData);
  }

  // The installation of kProductKey and of release 2024.
  void Install() {
    for (const wchar_t* key : {kProductKey, kReleaseKey}) {
      Set(Hive::kLocalMachine, key, L"Install Path", L"C:\\Kestrel\\");
      Set(Hive::kCurrentUser, key, L"Data Path", L"C:\\Data");
    }
    Set(Hive::kLocalMachine, kProductKey, L"Data Path", L"C:\\Data");
    WriteBytes("Kestrel/common/KVC_Plot.arx", Module("product.dll"));
    WriteBytes("Kestrel/kvwire/kvwire.arx", Module("german.dll"));
    std::vector<uint8_t> damaged = Module("product.dll");
    damaged.resize(damaged.size() - 700);
    WriteBytes("Kestrel/kvdesign/kvdesign.arx", damaged);
    TempRoot::WriteFile(C("Kestrel/KVDie/KVDie.arx"), "module");  // no version resource

    WritePost("KVPunch", "P2", "Amada punch\r\n",
              "Acad Version: 2024\r\nPost Version: 3\r\nmanufacturer: Amada\r\n"
              "Model: EM\r\nController: 04PC\r\nCompiled DateTime: 2024-01-02\r\n");
    WritePost("KVPunch", "P1", "", "");  // described by its folder name
    WritePost("KVPunch", "LONGNAME9", "nine characters", "");
    std::filesystem::create_directories(C("Data/KVPunch/NODFT"));
    WritePost("KVProf", "P1", "Profile post\r\n", "Post Version: 1\r\nPost Version: 2\r\n");
    WritePost("KVWire", "W1", "", "");

    // P1: a tooling folder without "crib.dbf", the NC path, a setup path mirroring it.
    std::filesystem::create_directories(C("Data/KVPunch/P1/tools"));
    std::filesystem::create_directories(C("NC"));
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"MPOST.bin", L"PSM", L"NCTOOLS", "%POSTPATH%/tools");
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", L"NCPATH", "C:\\NC");
    SetPathVariable(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", L"KVPB_AUTO_SETUP_PATH",
                    "C:\\Setup\\");
    {
      kv_VarLib lib(L"C:\\Data\\KVPunch\\P1", L"CPOST.bin", L"PSC", false);
      ASSERT_EQ(lib.SetVar(L"1", L"KVPB_SETUP_TO_NC", 1), 1);
    }
    // P2: a tooling folder with its "crib.dbf".
    TempRoot::WriteFile(C("Tools/crib.dbf"), "crib");
    SetPathVariable(L"C:\\Data\\KVPunch\\P2", L"MPOST.bin", L"PSM", L"NCTOOLS", "C:\\Tools");

    TempRoot::WriteFile(C("Data/kvcfg/kestrel.ini"),
                        "[KVDesign]\r\nborder_path=C:\\Borders\r\n"
                        "drawing_template=C:\\Templates\\a.drwdot\r\n"
                        "SEtemplate=C:\\Templates\\missing.dft\r\n"
                        "[KVNest]\r\ndxfdata=C:\\Locked\r\n"
                        "[KVDispatcher]\r\nkvdispatcherdbpath=C:\\NC\\\r\n"
                        "[KVWire]\r\nW1_NCPATH=C:\\NC\r\n"
                        "[KVDie]\r\nNOTE_LIBRARY=C:\\Notes\r\n");
    TempRoot::WriteFile(C("Templates/a.drwdot"), "template");
    // A folder where the test file cannot be made: its name is taken by a folder.
    std::filesystem::create_directories(C("Locked/Permissiontest.$$$"));

    Set(Hive::kLocalMachine,
        L"Software\\Classes\\CLSID\\{4DCBFE87-F9EA-4C37-AE82-BA63E9E14153}\\InprocServer32", L"",
        L"C:\\Kestrel\\pb\\swaddin.dll");
    TempRoot::WriteFile(C("Kestrel/pb/swaddin.dll"), "server");
    const std::wstring tabs =
        L"Software\\SolidWorks\\SOLIDWORKS 2018\\User Interface\\CommandManager\\PartContext\\";
    Set(Hive::kCurrentUser, tabs + L"Tab1", L"RefName", L"KESTREL");
    Set(Hive::kCurrentUser, tabs + L"Tab1\\Controls", L"Count", L"3");
    Set(Hive::kCurrentUser, tabs + L"Tab2", L"RefName", L"Kestrel");  // not exactly
  }
};

}  // namespace kv::testing
