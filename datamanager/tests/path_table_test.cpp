// The product path table on a generated installation: which entries, in which order,
// with which values, and what the permission test says of each.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "path_table.h"
#include "path_table_fixture.h"

namespace kv::testing {
namespace {

using kv::datamanager::EnumeratePostProcessors;
using kv::datamanager::PostRecord;

// "group|kind|item|post" of each entry.
std::vector<std::wstring> Layout(const Entries& entries) {
  std::vector<std::wstring> rows;
  for (int i = 0; i < entries.size(); ++i) {
    const CDataPath& e = entries.at(i);
    rows.push_back(e.m_group + L"|" + std::to_wstring(e.m_kind) + L"|" + e.m_itemName + L"|" +
                   e.m_postName);
  }
  return rows;
}

std::vector<std::wstring> PostRows(const std::wstring& group, const std::wstring& post) {
  std::vector<std::wstring> rows;
  for (const wchar_t* item : {L"0|NCTOOLS", L"0|NCPATH", L"0|KVPB_AUTO_SETUP_PATH",
                              L"0|KVN_NC_OVERRIDE_PATH", L"3|Post File"}) {
    rows.push_back(group + L"|" + item + L"|" + post);
  }
  return rows;
}

TEST_F(PathTableTest, EntriesComeInTableOrderWithTheirSourcesAndLabels) {
  Install();
  Entries entries;
  ASSERT_TRUE(CreateKestrelDataPathArray(kProductKey, entries.array, nullptr, nullptr));
  std::vector<std::wstring> expected = {L"Versions|5|KVC_Plot.arx|",
                                        L"Versions|5|kvdesign.arx|",
                                        L"Versions|5|kvdie.arx|",
                                        L"Versions|5|kvwire.arx|",
                                        L"KVDesign|4|Data Path|",
                                        L"KVDesign|2|border_path|",
                                        L"PIECEbank|1|Database Path|",
                                        L"PIECEbank|6|{4DCBFE87-F9EA-4C37-AE82-BA63E9E14153}|",
                                        L"PIECEbank|6|{12D5FE71-C5A7-499F-9F90-7CD0EAA82408}|",
                                        L"PIECEbank|6|{EC130DCF-F560-498F-ACE2-7DA5BDF0169F}|",
                                        L"PIECEbank|7|SEtemplate|",
                                        L"PIECEbank|7|drawing_template|",
                                        L"PIECEbank|8|KESTREL|"};
  // Posts sorted by description: "Amada punch" (P2) before "P1"; the 9-character folder
  // and the one without "dft.pst" are not posts.
  for (const auto& rows :
       {PostRows(L"KVPunch", L"P2"), PostRows(L"KVPunch", L"P1"), PostRows(L"KVProf", L"P1")}) {
    expected.insert(expected.end(), rows.begin(), rows.end());
  }
  for (const wchar_t* item :
       {L"KVNest|2|dxfdata|", L"KVDispatcher|2|kvdispatcherdbpath|",
        L"KVDispatcher|2|kvdispatchernccodepath|", L"KVDispatcher|2|kvdispatcherrequestpath|",
        L"KVDispatcher|2|kvdispatcherreleasepath|", L"KVDispatcher|2|kvdispatcherresponsepath|",
        L"KVDispatcher|2|kvdispatcherarchivepath|", L"KVDispatcher|2|kvdispatcherlayoutspath|",
        L"KVDispatcher|2|kvdispatcherproclayoutspath|", L"KVDie|2|KVDIE_INVDBMS|",
        L"KVDie|2|NOTE_LIBRARY|", L"KVWire|2|W1_NCPATH|W1"}) {
    expected.push_back(item);
  }
  EXPECT_EQ(Layout(entries), expected);

  const CDataPath& p2 = *entries.Find(L"NCTOOLS", L"P2");
  EXPECT_EQ(p2.m_source, L"C:\\Data\\KVPunch/P2");
  EXPECT_EQ(p2.m_label, L"Tooling Path");
  EXPECT_EQ(p2.m_requiredFile, L"crib.dbf");
  EXPECT_EQ(p2.m_varFileName + L" " + p2.m_varFileType, L"MPOST.bin PSM");
  EXPECT_EQ(p2.m_version + L"|" + p2.m_postVersion + L"|" + p2.m_manufacturer + L"|" + p2.m_model +
                L"|" + p2.m_controller + L"|" + p2.m_compiledDateTime,
            L"2024|3|Amada|EM|04PC|2024-01-02");
  EXPECT_EQ(entries.Find(L"NCTOOLS", L"P1", L"KVProf")->m_requiredFile, L"user\\userlib.dbf");
  EXPECT_EQ(entries.Find(L"NCTOOLS", L"P1", L"KVProf")->m_postVersion, L"2");  // last line wins
  const CDataPath& post = *entries.Find(L"Post File", L"P1");
  EXPECT_EQ(post.m_value, L"C:\\Data\\KVPunch/P1/P1.pst");
  EXPECT_EQ(post.m_source, post.m_value);
  const CDataPath& tab = *entries.Find(L"KESTREL");
  EXPECT_EQ(tab.m_source, L"Tab1");
  EXPECT_EQ(
      tab.m_value,
      L"Software\\SolidWorks\\SOLIDWORKS 2018\\User Interface\\CommandManager\\PartContext\\Tab1");
  EXPECT_EQ(entries.Find(L"W1_NCPATH", L"W1")->m_source, L"C:\\Data\\kvcfg/kestrel.ini");
  EXPECT_EQ(entries.Find(L"Data Path")->m_source, kProductKey);
  EXPECT_EQ(entries.Find(L"Database Path", L"", L"PIECEbank")->m_source,
            L"Software\\Kestrel\\PIECEbank\\2024");
  // Unchecked entries: modules, servers, templates, tabs, border path, KVDie, override.
  int unchecked = 0;
  for (int i = 0; i < entries.size(); ++i) unchecked += entries.at(i).m_checked ? 0 : 1;
  EXPECT_EQ(unchecked, 4 + 1 + 3 + 2 + 1 + 3 + 2);

  // The progress window: its title and message, then the group captions in order.
  std::vector<std::wstring> shown;
  for (const auto& event : ui_.Progress()) {
    if (event.kind == ProgressEvent::kOpen || event.kind == ProgressEvent::kMessage ||
        event.kind == ProgressEvent::kPath) {
      shown.push_back(event.text);
    }
  }
  EXPECT_EQ(shown, (std::vector<std::wstring>{
                       L"Kestrel Permission Test", L"Retrieving Paths", L"Application Versions",
                       L"KVDesign Paths", L"PIECEbank Paths", L"Retrieving KVPunch Post Paths",
                       L"Retrieving KVProfile Post Paths", L"KVNest Paths", L"KVDispatcher Paths",
                       L"KVDie Paths", L"Retrieving KVWire Post Paths", L"Validating Paths"}));
  EXPECT_EQ(ui_.Progress().back().kind, ProgressEvent::kClose);
}

TEST_F(PathTableTest, FiltersSelectProductsAndPosts) {
  Install();
  struct Row {
    const wchar_t* product;
    const wchar_t* post;
    std::vector<std::wstring> posts;  // "group/post" of the post entries, each once
  };
  const Row rows[] = {
      {nullptr, nullptr, {L"KVPunch/P2", L"KVPunch/P1", L"KVProf/P1", L"KVWire/W1"}},
      {nullptr, L"P1", {L"KVPunch/P1", L"KVProf/P1"}},
      {L"kvpunch", nullptr, {L"KVPunch/P2", L"KVPunch/P1"}},
      {L"KVPROF", L"P2", {}},
      {L"kvwire", nullptr, {}},  // KVWire is compared exactly
      {L"KVWire", nullptr, {L"KVWire/W1"}},
      {nullptr, L"p1", {}},  // post folders are compared exactly
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(std::wstring(row.product ? row.product : L"-") + L" " +
                            (row.post ? row.post : L"-")));
    Entries entries;
    ASSERT_TRUE(CreateKestrelDataPathArray(kProductKey, entries.array, row.product, row.post));
    std::vector<std::wstring> posts;
    for (int i = 0; i < entries.size(); ++i) {
      const CDataPath& e = entries.at(i);
      std::wstring name = e.m_group + L"/" + e.m_postName;
      if (!e.m_postName.empty() && (posts.empty() || posts.back() != name)) posts.push_back(name);
    }
    EXPECT_EQ(posts, row.posts);
    EXPECT_NE(entries.Find(L"dxfdata"), nullptr);  // the fixed entries stay
  }
}

TEST_F(PathTableTest, ValuesAndThePermissionTest) {
  Install();
  Entries entries;
  ASSERT_TRUE(CreateKestrelDataPathArray(kProductKey, entries.array, nullptr, nullptr));
  struct Row {
    const wchar_t* item;
    const wchar_t* post;
    const wchar_t* value;
    // valid, create, write, read, delete, required file found
    const char* flags;
  };
  const Row rows[] = {
      // Writable, but "crib.dbf" is missing: every permission, still not valid.
      {L"NCTOOLS", L"P1", L"C:\\Data\\KVPunch/P1/tools\\", "-CWRD-"},
      {L"NCTOOLS", L"P2", L"C:\\Tools\\", "VCWRDF"},
      {L"NCPATH", L"P1", L"C:\\NC\\", "VCWRD-"},
      // Mirrors the value and validity of its post's NC path (KVPB_SETUP_TO_NC is 1); the
      // permissions stay those of its own folder, which is missing.
      {L"KVPB_AUTO_SETUP_PATH", L"P1", L"C:\\NC\\", "V-----"},
      {L"KVN_NC_OVERRIDE_PATH", L"P1", L"", "------"},
      {L"dxfdata", L"", L"C:\\Locked\\", "------"},       // the test file cannot be made
      {L"border_path", L"", L"C:\\Borders\\", "------"},  // missing folder
      {L"drawing_template", L"", L"C:\\Templates\\a.drwdot", "V-----"},  // a file: no test
      {L"SEtemplate", L"", L"C:\\Templates\\missing.dft", "------"},
      {L"{4DCBFE87-F9EA-4C37-AE82-BA63E9E14153}", L"", L"C:\\Kestrel\\pb\\swaddin.dll", "V-----"},
      {L"Data Path", L"", L"C:\\Data\\", "VCWRD-"},
      {L"KESTREL", L"", nullptr, "------"},  // a registry key, not a path
      {L"W1_NCPATH", L"W1", L"C:\\NC\\", "VCWRD-"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.item));
    const CDataPath* e = entries.Find(row.item, row.post);
    ASSERT_NE(e, nullptr);
    if (row.value != nullptr) {
      EXPECT_EQ(e->m_value, row.value);
    }
    std::string flags = std::string(e->m_valid ? "V" : "-") + (e->m_mayCreate ? "C" : "-") +
                        (e->m_mayWrite ? "W" : "-") + (e->m_mayRead ? "R" : "-") +
                        (e->m_mayDelete ? "D" : "-") + (e->m_requiredFileFound ? "F" : "-");
    EXPECT_EQ(flags, row.flags);
    EXPECT_FALSE(e->m_modified);
  }
  const CDataPath& setup = *entries.Find(L"KVPB_AUTO_SETUP_PATH", L"P1");
  EXPECT_EQ(setup.m_mirrorsLinked, 1);
  EXPECT_EQ(setup.m_originalValue, L"C:\\NC\\");
  EXPECT_EQ(entries.Find(L"KVPB_AUTO_SETUP_PATH", L"P2")->m_mirrorsLinked, 0);
  // No test file is left anywhere; the folder in the way stays.
  for (const auto& item : std::filesystem::recursive_directory_iterator(root_.path())) {
    if (item.path().filename() == "Permissiontest.$$$") {
      EXPECT_EQ(item.path(), C("Locked/Permissiontest.$$$"));
    }
  }

  // Module versions from the modules' version resources; a damaged module has none.
  EXPECT_EQ(entries.Find(L"KVC_Plot.arx")->m_version, L"24.3.0.112");
  EXPECT_EQ(entries.Find(L"kvwire.arx")->m_version, L"24.2.1.7");
  EXPECT_EQ(entries.Find(L"kvdesign.arx")->m_version, L"");
  EXPECT_TRUE(entries.Find(L"kvdesign.arx")->m_valid);
  EXPECT_EQ(entries.Find(L"kvwire.arx")->m_value, L"C:\\Kestrel\\kvwire\\kvwire.arx");
}

TEST_F(PathTableTest, WithoutInstallOrDataPathTheTableFails) {
  Install();
  Entries entries;
  EXPECT_FALSE(
      CreateKestrelDataPathArray(L"SOFTWARE\\Kestrel\\Nothing", entries.array, nullptr, nullptr));
  EXPECT_EQ(entries.size(), 0);
  // An install path without a data path: the module entries stay, the window closes.
  Set(Hive::kLocalMachine, L"SOFTWARE\\Kestrel\\NoData", L"Install Path", L"C:\\Kestrel\\");
  EXPECT_FALSE(
      CreateKestrelDataPathArray(L"SOFTWARE\\Kestrel\\NoData", entries.array, nullptr, nullptr));
  EXPECT_EQ(Layout(entries),
            (std::vector<std::wstring>{L"Versions|5|KVC_Plot.arx|", L"Versions|5|kvdesign.arx|",
                                       L"Versions|5|kvdie.arx|", L"Versions|5|kvwire.arx|"}));
  EXPECT_EQ(ui_.Progress().back().kind, ProgressEvent::kClose);
}

TEST_F(PathTableTest, PostRecordsAreCutToTheirFieldsAndSorted) {
  Install();
  const std::string longText(300, 'm');
  WritePost("KVWire", "W2", std::string(50, 'd') + "\r\nsecond line\r\n",
            "MANUFACTURER: " + longText + "\r\nAcad Version:\r\nModel:X\r\n");
  WritePost("KVWire", "W0", "\xc3\xa9t\xc3\xa9\r\n", "");  // "été": sorts after ASCII
  std::vector<PostRecord> records;
  int count = 0;
  EnumeratePostProcessors(kProductKey, L"KVWire", records, count);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(records[0].postName.Get(), L"W1");
  EXPECT_EQ(records[1].description.Get(), std::wstring(40, L'd'));
  EXPECT_EQ(records[1].manufacturer.Get(), std::wstring(255, L'm'));
  EXPECT_EQ(records[1].acadVersion.Get(), L"");
  EXPECT_EQ(records[1].model.Get(), L"");  // "Model:X" has no text after its separator
  EXPECT_EQ(records[2].description.Get(), L"\u00e9t\u00e9");
}

}  // namespace
}  // namespace kv::testing
