// The product path table: which entries a release has (the modules, the fixed entries
// of each product, the SolidWorks command-manager tabs, the post entries of each post
// folder), built in table order under the "Kestrel Permission Test" progress window,
// then read and tested.
#include <memory>
#include <string>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "path_table.h"
#include "process_wait.h"
#include "registry_values.h"

namespace kv::datamanager {
namespace {

struct Module {
  const wchar_t* file;
  const wchar_t* folder;
};

constexpr Module kModules[] = {
    {L"KVC_CommonLoader.arx", L"common"},
    {L"KVC_DataView.arx", L"common"},
    {L"KVC_DclCommon.arx", L"common"},
    {L"KVC_EntSelection.arx", L"common"},
    {L"KVC_eTransmit.arx", L"common"},
    {L"KVC_GetVar.arx", L"common"},
    {L"KVC_Plot.arx", L"common"},
    {L"KVC_RbCommon.arx", L"common"},
    {L"KVC_KVArxCom2008.arx", L"common"},
    {L"KVC_StringCommon.arx", L"common"},
    {L"KVC_ucscommon.arx", L"common"},
    {L"KVC_KestrelCobjects.dbx", L"common"},
    {L"KVC_Marker.dbx", L"common"},
    {L"KVC_KVMenuControl.dll", L"common"},
    {L"KVC_InvImport.arx", L"kvdesign"},
    {L"KVC_PIECEbankAcad.arx", L"kvdesign"},
    {L"KVC_SEImport.arx", L"kvdesign"},
    {L"KVC_KVAutoDim.arx", L"kvdesign"},
    {L"KVC_KVBorders.arx", L"kvdesign"},
    {L"KVC_KVBreak.arx", L"kvdesign"},
    {L"KVC_KVDimension.arx", L"kvdesign"},
    {L"KVC_KVEdit.arx", L"kvdesign"},
    {L"KVC_KVGrouping.arx", L"kvdesign"},
    {L"KVC_KVLayers.arx", L"kvdesign"},
    {L"KVC_KVNotches.arx", L"kvdesign"},
    {L"KVC_KVShapes.arx", L"kvdesign"},
    {L"KVC_KVUCS.arx", L"kvdesign"},
    {L"KVC_KVUserLibrary.arx", L"kvdesign"},
    {L"KVC_KVView.arx", L"kvdesign"},
    {L"KVC_SWImport.arx", L"kvdesign"},
    {L"kvdesign.arx", L"kvdesign"},
    {L"kvdie.arx", L"kvdie"},
    {L"KVC_KVDispatcher.arx", L"KVDispatcher"},
    {L"kvform.arx", L"kvform"},
    {L"kvmill.arx", L"kvmill"},
    {L"kvnest.arx", L"kvnest"},
    {L"kvpbcom.arx", L"kvpbcom"},
    {L"pbcomload.arx", L"kvpbcom"},
    {L"kvprof.arx", L"kvprof"},
    {L"punchload.arx", L"kvpunch"},
    {L"kvpunch.arx", L"kvpunch"},
    {L"kvp_Patterns.arx", L"kvpunch"},
    {L"REZuzuvoz.arx", L"reZuzuvoz"},
    {L"kvstrip.arx", L"kvstrip"},
    {L"kvunfold.arx", L"kvunfold"},
    {L"kvwire.arx", L"kvwire"},
};
static_assert(std::size(kModules) == 46);

// A fixed entry; its source is the key (kK), the INI file (kIni) or the database key.
enum class Source { kKey, kIni, kDatabaseKey };

struct Fixed {
  const wchar_t* group;
  int kind;
  const wchar_t* item;
  Source source;
  const wchar_t* label;
  bool checked;
};

constexpr Fixed kFixed[] = {
    {L"KVDesign", 4, L"Data Path", Source::kKey, L"Data Path", true},
    {L"KVDesign", 2, L"border_path", Source::kIni, L"Border Path", false},
    {L"PIECEbank", 1, L"Database Path", Source::kDatabaseKey, L"Database Path", true},
    {L"PIECEbank", 6, L"{4DCBFE87-F9EA-4C37-AE82-BA63E9E14153}", Source::kDatabaseKey,
     L"SolidWorks PIECEbank Path", false},
    {L"PIECEbank", 6, L"{12D5FE71-C5A7-499F-9F90-7CD0EAA82408}", Source::kDatabaseKey,
     L"SolidEdge PIECEbank Path", false},
    {L"PIECEbank", 6, L"{EC130DCF-F560-498F-ACE2-7DA5BDF0169F}", Source::kDatabaseKey,
     L"Inventor PIECEbank Path", false},
    {L"PIECEbank", 7, L"SEtemplate", Source::kIni, L"SolidEdge drawing template", false},
    {L"PIECEbank", 7, L"drawing_template", Source::kIni, L"SolidWorks drawing template", false},
    {L"KVNest", 2, L"dxfdata", Source::kIni, L"DXF Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherdbpath", Source::kIni, L"Database Path", true},
    {L"KVDispatcher", 2, L"kvdispatchernccodepath", Source::kIni, L"NC Code Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherrequestpath", Source::kIni, L"Request Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherreleasepath", Source::kIni, L"Release Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherresponsepath", Source::kIni, L"Response Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherarchivepath", Source::kIni, L"Archive Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherlayoutspath", Source::kIni, L"Layouts Path", true},
    {L"KVDispatcher", 2, L"kvdispatcherproclayoutspath", Source::kIni, L"Processed Layouts Path",
     true},
    {L"KVDie", 2, L"KVDIE_INVDBMS", Source::kIni, L"Database Path", false},
    {L"KVDie", 2, L"NOTE_LIBRARY", Source::kIni, L"Note Library Path", false},
};

// The steps of the progress window, each with its caption on the path line.
constexpr const wchar_t* kCaptions[] = {
    L"Application Versions",
    L"KVDesign Paths",
    L"PIECEbank Paths",
    L"Retrieving KVPunch Post Paths",
    L"Retrieving KVProfile Post Paths",
    L"KVNest Paths",
    L"KVDispatcher Paths",
    L"KVDie Paths",
    L"Retrieving KVWire Post Paths",
};
constexpr int kSteps = 8;

bool Exists(const std::wstring& path) {
  kv::FileStatus status;
  return kv::GetFileStatus(path, &status).ok();
}

// The table being built: the caller's array, the progress window and the release.
class TableBuilder {
 public:
  TableBuilder(kv::CObArray& entries, CProcessWait& wait, const std::wstring& key)
      : entries_(entries), wait_(wait), key_(key) {}

  CDataPath* Append(int kind, const std::wstring& group, const std::wstring& item,
                    const std::wstring& source, const std::wstring& label) {
    auto entry = std::make_unique<CDataPath>();
    entry->m_kind = kind;
    entry->m_group = group;
    entry->m_itemName = item;
    entry->m_source = source;
    entry->m_label = label;
    CDataPath* raw = entry.get();
    entries_.Add(entry.release());
    return raw;
  }

  void Step(int step) {
    wait_.SetPos(step);
    wait_.Pump();
  }
  void Caption(int step) { wait_.SetPath(kCaptions[step]); }

  void AddModules() {
    Caption(0);
    const std::wstring& install = ModuleInstallPath();
    for (const Module& module : kModules) {
      std::wstring path = install + module.folder + L"\\" + module.file;
      if (!Exists(path)) continue;
      CDataPath* entry = Append(5, L"Versions", module.file, L"", module.file);
      entry->m_value = path;
      entry->m_checked = false;
    }
    Step(1);
  }

  void AddFixed(const std::wstring& group, const std::wstring& dataPath) {
    const std::wstring ini = dataPath + L"kvcfg/kestrel.ini";
    for (const Fixed& fixed : kFixed) {
      if (group != fixed.group) continue;
      const std::wstring source = fixed.source == Source::kKey   ? key_
                                  : fixed.source == Source::kIni ? ini
                                                                 : kCurrentDatabaseKey;
      Append(fixed.kind, fixed.group, fixed.item, source, fixed.label)->m_checked = fixed.checked;
    }
  }

  // The SolidWorks command-manager tabs of the suite (RefName "KESTREL").
  void AddCommandManagerTabs() {
    for (const wchar_t* year : {L"2017", L"2018", L"2019"}) {
      for (const wchar_t* context : {L"AssyContext", L"PartContext"}) {
        const std::wstring path = std::wstring(L"Software\\SolidWorks\\SOLIDWORKS ") + year +
                                  L"\\User Interface\\CommandManager\\" + context;
        kv::RegKey key;
        if (!kv::RegKey::Open(kv::Hive::kCurrentUser, path,
                              kv::kKeyQueryValue | kv::kKeyEnumerateSubKeys | kv::kKeyWow64_64Key,
                              &key)
                 .ok()) {
          continue;
        }
        std::wstring name;
        for (uint32_t i = 0; key.EnumKey(i, &name).ok(); ++i) {
          if (name.size() > 256) continue;
          std::wstring refName;
          if (!ReadRegistryString(kv::Hive::kCurrentUser, path + L"\\" + name, L"RefName",
                                  refName) ||
              kv::WideToAnsi(refName).size() + 1 > 356 || refName != L"KESTREL") {
            continue;
          }
          CDataPath* entry = Append(8, L"PIECEbank", refName, name, L"SolidWorks Menu Tab");
          entry->m_value = path + L"\\" + name;
          entry->m_checked = false;
        }
      }
    }
  }

  // The post entries of one product; `step` is the product's progress step.
  void AddPosts(const std::wstring& product, int step, const std::wstring& dataPath,
                const wchar_t* productFilter, const wchar_t* postFilter) {
    Caption(step);
    const bool wire = product == L"KVWire";
    const bool selected =
        productFilter == nullptr ||
        (wire ? product == productFilter : kv::EqualsNoCase(product, productFilter));
    if (selected) {
      std::vector<PostRecord> records;
      int count = 0;
      EnumeratePostProcessors(key_, product, records, count);
      wait_.SetRange(0, count);
      for (int i = 0; i < count; ++i) {
        const PostRecord& record = records[static_cast<size_t>(i)];
        if (postFilter == nullptr || record.postName.Get() == postFilter) {
          if (wire) {
            AddWirePost(record, dataPath);
          } else {
            AddPunchOrProfilePost(product, record, dataPath);
          }
        }
        Step(i + 1);
      }
      wait_.SetRange(0, kSteps);
    }
    Step(step + 1);
  }

 private:
  CDataPath* AppendPost(int kind, const std::wstring& product, const std::wstring& item,
                        const std::wstring& source, const std::wstring& label,
                        const PostRecord& record) {
    CDataPath* entry = Append(kind, product, item, source, label);
    entry->m_postName = record.postName.Get();
    entry->m_version = record.acadVersion.Get();
    entry->m_postVersion = record.postVersion.Get();
    entry->m_manufacturer = record.manufacturer.Get();
    entry->m_model = record.model.Get();
    entry->m_controller = record.controller.Get();
    entry->m_compiledDateTime = record.compiledDateTime.Get();
    return entry;
  }

  void AddPunchOrProfilePost(const std::wstring& product, const PostRecord& record,
                             const std::wstring& dataPath) {
    const std::wstring post = dataPath + product + L"/" + record.postName.Get();
    auto variable = [&](const wchar_t* item, const wchar_t* file, const wchar_t* type,
                        const wchar_t* label) {
      CDataPath* entry = AppendPost(0, product, item, post, label, record);
      entry->m_varFileName = file;
      entry->m_varFileType = type;
      return entry;
    };
    CDataPath* tools = variable(L"NCTOOLS", L"MPOST.bin", L"PSM", L"Tooling Path");
    tools->m_hasPlaceholders = true;
    tools->m_requiredFile = product == L"KVPunch" ? L"crib.dbf" : L"user\\userlib.dbf";
    variable(L"NCPATH", L"CPOST.bin", L"PSC", L"NC Code Path")->m_hasPlaceholders = true;
    CDataPath* setup = variable(L"KVPB_AUTO_SETUP_PATH", L"CPOST.bin", L"PSC", L"Setup Sheet Path");
    setup->m_hasPlaceholders = true;
    setup->m_linkedEntryName = L"NCPATH";
    variable(L"KVN_NC_OVERRIDE_PATH", L"MPOST.bin", L"PSM", L"KVNest AutoNC NC Code Path")
        ->m_checked = false;
    const std::wstring file = post + L"/" + record.postName.Get() + L".pst";
    AppendPost(3, product, L"Post File", file, L"Post File", record)->m_value = file;
  }

  void AddWirePost(const PostRecord& record, const std::wstring& dataPath) {
    AppendPost(2, L"KVWire", record.postName.Get() + L"_NCPATH", dataPath + L"kvcfg/kestrel.ini",
               L"NC Code Path", record);
  }

  kv::CObArray& entries_;
  CProcessWait& wait_;
  const std::wstring& key_;
};

}  // namespace

std::wstring& ModuleInstallPath() {
  static std::wstring installPath;
  return installPath;
}

bool RetrieveProductPaths(const std::wstring& key, kv::CObArray& entries,
                          const wchar_t* productFilter, const wchar_t* postFilter) {
  CProcessWait wait(L"Kestrel Permission Test", L"Retrieving Paths");
  wait.SetRange(0, kSteps);
  TableBuilder table(entries, wait, key);
  const int first = entries.GetSize();
  table.AddModules();

  std::wstring dataPath;
  if (!ReadProductDataPath(key, dataPath)) {
    wait.Close();
    return false;
  }
  table.Caption(1);
  table.AddFixed(L"KVDesign", dataPath);
  table.Step(2);
  table.Caption(2);
  table.AddFixed(L"PIECEbank", dataPath);
  table.AddCommandManagerTabs();
  table.Step(3);
  table.AddPosts(L"KVPunch", 3, dataPath, productFilter, postFilter);
  table.AddPosts(L"KVProf", 4, dataPath, productFilter, postFilter);
  table.Caption(5);
  table.AddFixed(L"KVNest", dataPath);
  table.Step(6);
  table.Caption(6);
  table.AddFixed(L"KVDispatcher", dataPath);
  table.Step(7);
  table.Caption(7);
  if (Exists(ModuleInstallPath() + L"KVDie\\KVDie.arx")) table.AddFixed(L"KVDie", dataPath);
  table.Step(8);
  table.AddPosts(L"KVWire", 8, dataPath, productFilter, postFilter);

  wait.SetPath(L"Validating Paths");
  wait.SetRange(0, entries.GetSize() - first);
  for (int i = first; i < entries.GetSize(); ++i) {
    ReadEntryValue(*static_cast<CDataPath*>(entries[i]), dataPath);
    wait.SetPos(i - first + 1);
    wait.Pump();
  }

  // Mirrored entries take the value and validity of the entry they name in their post.
  for (int i = first; i < entries.GetSize(); ++i) {
    auto* mirror = static_cast<CDataPath*>(entries[i]);
    if (mirror->m_mirrorsLinked == 0) continue;
    for (int j = first; j < entries.GetSize(); ++j) {
      auto* linked = static_cast<CDataPath*>(entries[j]);
      if (linked->m_group == mirror->m_group && linked->m_postName == mirror->m_postName &&
          linked->m_itemName == mirror->m_linkedEntryName) {
        mirror->m_value = linked->m_value;
        mirror->m_valid = linked->m_valid;
        mirror->m_originalValue = linked->m_value;
        break;
      }
    }
  }
  wait.Close();
  return true;
}

}  // namespace kv::datamanager

using kv::datamanager::ModuleInstallPath;
using kv::datamanager::ReadRegistryString;
using kv::datamanager::RetrieveProductPaths;

extern "C" bool CreateKestrelDataPathArray(const wchar_t* productKey, kv::CObArray& entries,
                                           const wchar_t* productFilter,
                                           const wchar_t* postFilter) {
  if (productKey == nullptr) return false;
  if (!ReadRegistryString(kv::Hive::kLocalMachine, productKey, L"Install Path",
                          ModuleInstallPath())) {
    return false;
  }
  return RetrieveProductPaths(productKey, entries, productFilter, postFilter);
}
