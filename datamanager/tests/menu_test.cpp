// ReadMenuFileVersion on archives as they come: encodings of the header, names, damage.
#include "menu_files.h"

#include <string>

#include <gtest/gtest.h>

#include "menu_archive.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using kv::datamanager::ReadMenuFileVersion;
using kv::testing::MenuHeader;
using kv::testing::TempRoot;
using kv::testing::WriteZip;

std::string Utf16(const std::string& ascii, bool littleEndian) {
  std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii) {
    bytes += littleEndian ? std::string{c, '\0'} : std::string{'\0', c};
  }
  return bytes;
}

class MenuFileVersionTest : public kv::testing::RootTest {};

TEST_F(MenuFileVersionTest, ReadsTheVersionOrFailsLeavingTheOutput) {
  const fs::path c = root_.Drive(L'c');
  struct Row {
    const char* name;
    std::vector<std::pair<std::string, std::string>> entries;  // empty: no archive
    bool ok;
    const wchar_t* version;
  } rows[] = {
      {"plain", {{"header.cui", MenuHeader("24.3")}}, true, L"24.3"},
      {"among other entries",
       {{"a.cui", "x"}, {"header.cui", MenuHeader("1")}, {"b", "y"}},
       true,
       L"1"},
      {"UTF-8 with mark", {{"header.cui", "\xEF\xBB\xBF" + MenuHeader("2")}}, true, L"2"},
      {"UTF-16 little-endian", {{"header.cui", Utf16(MenuHeader("3"), true)}}, true, L"3"},
      {"UTF-16 big-endian", {{"header.cui", Utf16(MenuHeader("4"), false)}}, true, L"4"},
      {"entry name in other case", {{"HEADER.CUI", MenuHeader("5")}}, true, L"5"},
      {"no version attribute", {{"header.cui", MenuHeader(nullptr)}}, true, L""},
      {"no header entry", {{"MenuGroup.cui", MenuHeader("6")}}, false, L"unchanged"},
      {"no FileVersion",
       {{"header.cui", "<CustSection><Other/></CustSection>"}},
       false,
       L"unchanged"},
      {"FileVersion not under CustSection",
       {{"header.cui", "<FileVersion UserVersion=\"1\"/>"}},
       false,
       L"unchanged"},
      {"header not XML", {{"header.cui", "<CustSection>"}}, false, L"unchanged"},
      {"empty header", {{"header.cui", ""}}, false, L"unchanged"},
      {"no archive", {}, false, L"unchanged"},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string file = "menu" + std::to_string(n++) + ".cuix";
    if (!row.entries.empty()) WriteZip(c / file, row.entries);
    std::wstring version = L"unchanged";
    EXPECT_EQ(ReadMenuFileVersion(L"C:\\" + std::wstring(file.begin(), file.end()), version),
              row.ok);
    EXPECT_EQ(version, row.version);
  }
}

TEST_F(MenuFileVersionTest, DamagedArchivesAreUnversioned) {
  const fs::path c = root_.Drive(L'c');
  WriteZip(c / "good.cuix", {{"header.cui", MenuHeader("7")}});
  const std::string good = TempRoot::ReadFile(c / "good.cuix");
  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"not a zip", "PK\x03\x04 garbage"},
      {"empty file", ""},
      {"cut in half", good.substr(0, good.size() / 2)},
      {"compressed data damaged",
       [&] {
         std::string bytes = good;
         for (size_t i = 40; i < 60 && i < bytes.size(); ++i)
           bytes[i] = static_cast<char>(~bytes[i]);
         return bytes;
       }()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot::WriteFile(c / "bad.cuix", row.bytes);
    std::wstring version = L"unchanged";
    EXPECT_FALSE(ReadMenuFileVersion(L"C:\\bad.cuix", version));
    EXPECT_EQ(version, L"unchanged");
  }
  fs::create_directories(c / "folder.cuix");
  std::wstring version;
  EXPECT_FALSE(ReadMenuFileVersion(L"C:\\folder.cuix", version));
}

}  // namespace
