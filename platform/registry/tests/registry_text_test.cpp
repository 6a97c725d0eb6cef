// `.reg` text: import of every form regedit reads, bad lines reported and skipped without
// costing their neighbours, other encodings, export round trips, and hive files that a
// person edited badly.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace kv {
namespace {

class RegTextTest : public ::testing::Test {
 protected:
  static RegValue Query(Hive hive, std::wstring_view key, std::wstring_view name) {
    RegKey k;
    RegValue value;
    if (!RegKey::Open(hive, key, kKeyRead, &k).ok()) return RegValue::Binary({0xDE, 0xAD}, 0xDEAD);
    if (!k.QueryValue(name, &value).ok()) return RegValue::Binary({0xBE, 0xEF}, 0xBEEF);
    return value;
  }
  static bool KeyExists(Hive hive, std::wstring_view key) {
    RegKey k;
    return RegKey::Open(hive, key, kKeyRead, &k).ok();
  }
  std::filesystem::path HiveFile() const {
    return root_.path() / "registry" / "HKEY_CURRENT_USER.reg";
  }
  static std::vector<int> Lines(const std::vector<RegImportError>& errors) {
    std::vector<int> lines;
    for (const auto& e : errors) lines.push_back(e.line);
    return lines;
  }

  testing::TempRoot root_;
};

TEST_F(RegTextTest, ImportsEveryValueForm) {
  struct Row {
    const char* what;
    std::string line;
    RegValue expected;
  };
  const std::vector<Row> rows = {
      {"string", R"("v"="C:\\Data\\")", RegValue::String(L"C:\\Data\\")},
      {"escaped quote", R"("v"="a \"b\" c")", RegValue::String(L"a \"b\" c")},
      {"other backslashes stand", R"("v"="C:\data")", RegValue::String(L"C:\\data")},
      {"blanks around =", "\"v\" =  \"x\"  ", RegValue::String(L"x")},
      {"UTF-8 text", "\"v\"=\"\xE5\xAF\xB8\xE6\xB3\x95\"", RegValue::String(L"\u5BF8\u6CD5")},
      {"dword 1 digit", "\"v\"=dword:7", RegValue::Dword(7)},
      {"dword 8 digits, capitals", "\"v\"=DWORD:FFFFFFFE", RegValue::Dword(0xFFFFFFFE)},
      {"binary", "\"v\"=hex:00,ff,10", RegValue::Binary({0, 255, 16})},
      {"binary empty", "\"v\"=hex:", RegValue::Binary({})},
      {"binary continued", "\"v\"=hex:01,02,\\\n  03,04,\\\n  05",
       RegValue::Binary({1, 2, 3, 4, 5})},
      {"expandable", "\"v\"=hex(2):25,00,41,00,25,00,00,00",
       RegValue::String(L"%A%", kRegExpandSz)},
      {"expandable, surrogate pair", "\"v\"=hex(2):3d,d8,00,de,00,00",
       RegValue::String(L"\U0001F600", kRegExpandSz)},
      {"multi-string", "\"v\"=hex(7):61,00,00,00,62,00,63,00,00,00,00,00",
       RegValue::MultiString({L"a", L"bc"})},
      {"multi-string continued", "\"v\"=hex(7):61,00,00,00,\\\n    62,00,00,00,00,00",
       RegValue::MultiString({L"a", L"b"})},
      {"qword", "\"v\"=hex(b):08,07,06,05,04,03,02,01", RegValue::Qword(0x0102030405060708ull)},
      {"dword as hex(4)", "\"v\"=hex(4):01,00,00,00", RegValue::Dword(1)},
      {"string as hex(1)", "\"v\"=hex(1):61,00,0a,00,00,00", RegValue::String(L"a\n")},
      {"other type", "\"v\"=hex(100):01", RegValue::Binary({1}, 0x100)},
      {"qword of the wrong length stays bytes", "\"v\"=hex(b):01,02",
       RegValue::Binary({1, 2}, kRegQword)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\T]\n" + row.line +
        "\n";
    std::vector<RegImportError> errors;
    ASSERT_EQ(ImportRegText(text, &errors), Status::Ok());
    EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : std::to_string(errors[0].line));
    EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\T", L"v"), row.expected);
    ResetRegistryCache();
    EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\T", L"v"), row.expected);  // as stored
  }
}

TEST_F(RegTextTest, DeletionLinesCommentsAndDefaultValue) {
  ASSERT_EQ(ImportRegText("Windows Registry Editor Version 5.00\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n"
                          "\"keep\"=\"1\"\n"
                          "\"drop\"=\"2\"\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\Gone\\Deep]\n"
                          "@=\"default\"\n",
                          nullptr),
            Status::Ok());
  std::vector<RegImportError> errors;
  ASSERT_EQ(ImportRegText("Windows Registry Editor Version 5.00\n"
                          "; a comment line\n"
                          "[-HKEY_LOCAL_MACHINE\\Software\\Gone]\n"
                          "[HKEY_LOCAL_MACHINE\\Software\\A\\B]\n"
                          "  ; indented comment with \"quotes\"=\n"
                          "\"DROP\"=-\n"
                          "@=\"root; not a comment\"\n",
                          &errors),
            Status::Ok());
  EXPECT_TRUE(errors.empty());
  EXPECT_FALSE(KeyExists(Hive::kLocalMachine, L"Software\\Gone"));
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\A\\B", L"keep"), RegValue::String(L"1"));
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\A\\B", L"drop").type, 0xBEEFu);
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\A\\B", L""),
            RegValue::String(L"root; not a comment"));
}

TEST_F(RegTextTest, BadLinesAreReportedAndCostNothingAround) {
  const std::string text =
      "Windows Registry Editor Version 5.00\n"  // 1
      "\n"                                      // 2
      "[HKEY_CURRENT_USER\\Software\\T]\n"      // 3
      "\"a\"=\"1\"\n"                           // 4
      "\"nine\"=dword:123456789\n"              // 5 too many digits
      "\"b\"=\"2\"\n"                           // 6
      "\"open\"=\"no end\n"                     // 7 no closing quote
      "\"c\"=dword:3\n"                         // 8
      "\"bytes\"=hex:01,zz,03\n"                // 9 bad byte
      "\"d\"=hex:04\n"                          // 10
      "\"cut\"=hex:01,02,\\\n"                  // 11 continuation missing
      "\"e\"=\"5\"\n"                           // 12
      "\"after\"=\"x\" trailing\n"              // 13 text after the quote
      "junk without a name\n"                   // 14
      "\"f\"=qword:1\n"                         // 15 unknown data form
      "[HKEY_NOWHERE\\x]\n"                     // 16 unknown hive
      "\"lost\"=\"under a bad key\"\n"          // 17
      "[HKEY_CURRENT_USER\\Software\\T2\n"      // 18 no closing ]
      "[HKEY_CURRENT_USER\\Software\\U]\n"      // 19
      "\"g\"=\"6\"\n";                          // 20
  std::vector<RegImportError> errors;
  ASSERT_EQ(ImportRegText(text, &errors), Status::Ok());
  EXPECT_EQ(Lines(errors), (std::vector<int>{5, 7, 9, 11, 13, 14, 15, 16, 17, 18}));
  for (const auto& e : errors) {
    SCOPED_TRACE(e.line);
    EXPECT_FALSE(e.message.empty());
  }
  EXPECT_NE(errors[0].message.find(L"nine"), std::wstring::npos);
  EXPECT_NE(errors[7].message.find(L"HKEY_NOWHERE"), std::wstring::npos);
  const struct {
    const wchar_t* key;
    const wchar_t* name;
    RegValue value;
  } kept[] = {
      {L"Software\\T", L"a", RegValue::String(L"1")},
      {L"Software\\T", L"b", RegValue::String(L"2")},
      {L"Software\\T", L"c", RegValue::Dword(3)},
      {L"Software\\T", L"d", RegValue::Binary({4})},
      {L"Software\\T", L"e", RegValue::String(L"5")},
      {L"Software\\U", L"g", RegValue::String(L"6")},
  };
  for (const auto& k : kept) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(k.name)));
    EXPECT_EQ(Query(Hive::kCurrentUser, k.key, k.name), k.value);
  }
  RegKey t;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\T", kKeyRead, &t), Status::Ok());
  RegKeyInfo info;
  ASSERT_EQ(t.QueryInfo(&info), Status::Ok());
  EXPECT_EQ(info.values, 5u);
}

TEST_F(RegTextTest, TextWithoutHeaderIsRefusedWhole) {
  std::vector<RegImportError> errors;
  EXPECT_EQ(ImportRegText("[HKEY_CURRENT_USER\\Software\\T]\n\"a\"=\"1\"\n", &errors).code(),
            kErrorInvalidData);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].line, 1);
  EXPECT_FALSE(KeyExists(Hive::kCurrentUser, L"Software\\T"));
  EXPECT_EQ(ImportRegFile(L"C:\\missing.reg", &errors).code(), kErrorFileNotFound);
}

TEST_F(RegTextTest, ImportsRegedit4AndUtf16Files) {
  // REGEDIT4 carries text in hex(2)/hex(7) as 8-bit bytes.
  std::vector<RegImportError> errors;
  ASSERT_EQ(ImportRegText("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Old]\r\n"
                          "\"x\"=hex(2):25,41,25,00\r\n"
                          "\"m\"=hex(7):61,00,62,63,00,00\r\n"
                          "\"s\"=\"old style\"\r\n",
                          &errors),
            Status::Ok());
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Old", L"x"),
            RegValue::String(L"%A%", kRegExpandSz));
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Old", L"m"),
            RegValue::MultiString({L"a", L"bc"}));
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Old", L"s"), RegValue::String(L"old style"));

  // A file exported on Windows: UTF-16LE with a BOM and CR LF.
  std::wstring wide =
      L"Windows Registry Editor Version 5.00\r\n\r\n"
      L"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kestrel\\KVDNC]\r\n"
      L"\"Install Path\"=\"C:\\\\Program Files\\\\Kestrel\\\\\"\r\n"
      L"\"Name\"=\"\u5BF8\u6CD5 \U0001F600\"\r\n"
      L"\"Bits\"=hex:01,02,\\\r\n  03\r\n";
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : wide) {
    auto put = [&](uint32_t u) {
      bytes += static_cast<char>(u & 0xFF);
      bytes += static_cast<char>(u >> 8);
    };
    if (static_cast<uint32_t>(c) > 0xFFFF) {
      uint32_t v = static_cast<uint32_t>(c) - 0x10000;
      put(0xD800 + (v >> 10));
      put(0xDC00 + (v & 0x3FF));
    } else {
      put(static_cast<uint32_t>(c));
    }
  }
  testing::TempRoot::WriteFile(root_.Drive(L'c') / "export.reg", bytes);
  ASSERT_EQ(ImportRegFile(L"c:\\EXPORT.reg", &errors), Status::Ok());
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\Kestrel\\KVDNC", L"install path"),
            RegValue::String(L"C:\\Program Files\\Kestrel\\"));
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\Kestrel\\KVDNC", L"Name"),
            RegValue::String(L"\u5BF8\u6CD5 \U0001F600"));
  EXPECT_EQ(Query(Hive::kLocalMachine, L"Software\\Kestrel\\KVDNC", L"Bits"),
            RegValue::Binary({1, 2, 3}));
}

TEST_F(RegTextTest, ExportThenImportRestoresRandomTrees) {
  std::mt19937 random(20240611);
  auto randomText = [&](size_t maxLength) {
    static const std::wstring kAlphabet = L"abcXYZ \\\"=[];@%\t\u00E9\u00DF\u5BF8\U0001F600\r\n";
    std::wstring s;
    size_t length = random() % (maxLength + 1);
    for (size_t i = 0; i < length; ++i) s += kAlphabet[random() % kAlphabet.size()];
    return s;
  };
  auto randomValue = [&]() {
    switch (random() % 6) {
      case 0: return RegValue::String(randomText(20));
      case 1: return RegValue::String(randomText(20), kRegExpandSz);
      case 2: return RegValue::MultiString({randomText(5), randomText(8) + L"x"});
      case 3: return RegValue::Dword(static_cast<uint32_t>(random()));
      case 4: return RegValue::Qword((uint64_t{random()} << 32) | random());
      default: {
        std::vector<uint8_t> bytes(random() % 100);
        for (auto& b : bytes) b = static_cast<uint8_t>(random());
        return RegValue::Binary(bytes);
      }
    }
  };
  for (int round = 0; round < 4; ++round) {
    SCOPED_TRACE(round);
    struct Expected {
      std::wstring key, name;
      RegValue value;
    };
    std::vector<Expected> expected;
    for (int k = 0; k < 4; ++k) {
      std::wstring key = L"Software\\R\\k" + std::to_wstring(k) + (k % 2 ? L"\\sub\u00E9" : L"");
      RegKey handle;
      ASSERT_EQ(RegKey::Create(Hive::kCurrentUser, key, kKeyAllAccess, &handle), Status::Ok());
      for (int v = 0; v < 5; ++v) {
        std::wstring name;
        for (wchar_t c : randomText(10)) {
          if (c != L'\r' && c != L'\n') name += c;
        }
        name += std::to_wstring(v);  // distinct names
        RegValue value = randomValue();
        ASSERT_EQ(handle.SetValue(name, value), Status::Ok());
        expected.push_back({key, name, value});
      }
    }
    std::string text;
    ASSERT_EQ(ExportRegText(Hive::kCurrentUser, L"software\\r", &text), Status::Ok());
    RegKey parent;
    ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software", kKeyAllAccess, &parent), Status::Ok());
    ASSERT_EQ(parent.DeleteTree(L"R"), Status::Ok());
    std::vector<RegImportError> errors;
    ASSERT_EQ(ImportRegText(text, &errors), Status::Ok());
    ASSERT_TRUE(errors.empty()) << errors[0].line << "\n" << text;
    for (const auto& e : expected) EXPECT_EQ(Query(Hive::kCurrentUser, e.key, e.name), e.value);
    ASSERT_EQ(parent.DeleteTree(L"R"), Status::Ok());
  }
}

TEST_F(RegTextTest, RewritingABadlyEditedHiveKeepsEveryLine) {
  const std::string hive =
      "Windows Registry Editor Version 5.00\n"
      "\n"
      "; kept: a person's note\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrel]\n"
      "\"Good\"=\"1\"\n"
      "\"Typo\"=dword:xyz\n"
      "\"Also\"=dword:2\n"
      "\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Misplaced]\n"
      "\"NotLive\"=\"3\"\n"
      "\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrel\\Sub]\n"
      "\"Deep\"=\"4\"\n"
      "\"Latin1\"=\"caf\xE9\"\n";
  testing::TempRoot::WriteFile(HiveFile(), hive);
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel", L"Good"), RegValue::String(L"1"));
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel", L"Also"), RegValue::Dword(2));
  std::vector<RegImportError> problems;
  ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
  EXPECT_EQ(Lines(problems), (std::vector<int>{6, 9, 10, 14}));

  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Kestrel", kKeyAllAccess, &key),
            Status::Ok());
  ASSERT_EQ(key.SetValue(L"New", RegValue::String(L"5")), Status::Ok());
  std::string rewritten = testing::TempRoot::ReadFile(HiveFile());
  for (const char* line :
       {"; kept: a person's note\n", "\"Typo\"=dword:xyz\n", "\"Latin1\"=\"caf\xE9\"\n",
        "[HKEY_LOCAL_MACHINE\\Software\\Misplaced]\n\"NotLive\"=\"3\"\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(rewritten.find(line), std::string::npos) << rewritten;
  }
  // Rewriting again changes nothing more, and the lines stay inert.
  ASSERT_EQ(key.SetValue(L"New", RegValue::String(L"6")), Status::Ok());
  ASSERT_EQ(key.SetValue(L"New", RegValue::String(L"5")), Status::Ok());
  EXPECT_EQ(testing::TempRoot::ReadFile(HiveFile()), rewritten);
  ResetRegistryCache();
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel", L"NotLive").type, 0xBEEFu);
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel", L"Typo").type, 0xBEEFu);
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel\\Sub", L"Deep"), RegValue::String(L"4"));
  EXPECT_EQ(Query(Hive::kCurrentUser, L"Software\\Kestrel", L"New"), RegValue::String(L"5"));
  ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
  EXPECT_EQ(problems.size(), 4u);
}

// Random hive files mixing good and bad lines: whatever is rewritten, the live values
// stay as they were, and every line that could not be read is still in the file, still
// inert.
TEST_F(RegTextTest, RandomBadlyEditedHivesLoseNothingOnRewrite) {
  const std::vector<std::string> fragments = {
      "[HKEY_CURRENT_USER\\Software\\A]",
      "[HKEY_CURRENT_USER\\Software\\A\\B]",
      "[hkey_current_user\\Software\\C]",
      "[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]",
      "[-HKEY_CURRENT_USER\\Software\\A]",
      "[HKEY_BROKEN\\x]",
      "[HKEY_CURRENT_USER\\Software\\D",
      "\"s\"=\"text\"",
      "\"q\"=\"a \\\"b\\\"\"",
      "@=\"default\"",
      "\"d\"=dword:0000002a",
      "\"h\"=hex:01,02,\\",
      "  03,04",
      "  zz,01",
      "\"m\"=hex(7):61,00,00,00,00,00",
      "\"bad\"=dword:123456789",
      "\"open\"=\"no end",
      "\"x\"=-",
      "junk",
      "; comment",
      "",
      "\"h2\"=hex(2):41,00,\\",
      "\"e\"=",
      "@",
      "  ; indented comment",
      "\"t\"=\"tail\" x",
  };
  std::mt19937 random(7);
  auto lineSet = [](const std::string& text) {
    std::multiset<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.insert(text.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  };
  auto problemLines = [&](const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 1;
    }
    std::vector<RegImportError> problems;
    EXPECT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
    std::multiset<std::string> bad;
    for (const auto& p : problems) bad.insert(lines.at(static_cast<size_t>(p.line - 1)));
    return bad;
  };
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    std::string hive = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < 25; ++i) hive += fragments[random() % fragments.size()] + "\n";
    testing::TempRoot::WriteFile(HiveFile(), hive);
    ResetRegistryCache();
    std::string before;
    ASSERT_EQ(ExportRegText(Hive::kCurrentUser, L"", &before), Status::Ok());
    std::multiset<std::string> bad = problemLines(hive);

    RegKey probe;
    ASSERT_EQ(RegKey::Create(Hive::kCurrentUser, L"Software\\Probe", kKeyAllAccess, &probe),
              Status::Ok());
    ASSERT_EQ(probe.SetValue(L"p", RegValue::Dword(1)), Status::Ok());
    RegKey software;
    ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software", kKeyAllAccess, &software),
              Status::Ok());
    ASSERT_EQ(software.DeleteTree(L"Probe"), Status::Ok());

    std::string rewritten = testing::TempRoot::ReadFile(HiveFile());
    std::multiset<std::string> kept = lineSet(rewritten);
    for (const auto& line : bad) {
      EXPECT_GE(kept.count(line), bad.count(line)) << "lost: " << line << "\n"
                                                   << hive << "\n"
                                                   << rewritten;
    }
    EXPECT_EQ(problemLines(rewritten), bad) << hive << "\n" << rewritten;
    std::string after;
    ASSERT_EQ(ExportRegText(Hive::kCurrentUser, L"", &after), Status::Ok());
    // Keys made on the way to the probe (Software) may remain; the rest is as it was.
    if (before.find("[HKEY_CURRENT_USER\\Software]") == std::string::npos) {
      size_t at = after.find("[HKEY_CURRENT_USER\\Software]\n\n");
      if (at != std::string::npos)
        after.erase(at, std::string("[HKEY_CURRENT_USER\\Software]\n\n").size());
    }
    EXPECT_EQ(after, before) << hive << "\n" << rewritten;
  }
}

// Arbitrary bytes as a hive file: read without harm, every problem on a real line.
TEST_F(RegTextTest, ArbitraryBytesReadSafely) {
  const std::string alphabet =
      std::string("[]\"\\=@-;:,(){}\r\n\t hexdwordHKEY_CURRENT_USER0123456789abf") +
      std::string("\0\xFF\xC3\xA9\xF0\x9F", 6);
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::string text = round % 2 ? "Windows Registry Editor Version 5.00\n" : "";
    size_t length = random() % 400;
    for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    testing::TempRoot::WriteFile(HiveFile(), text);
    ResetRegistryCache();
    std::vector<RegImportError> problems;
    ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
    int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const auto& p : problems) {
      EXPECT_GE(p.line, 1);
      EXPECT_LE(p.line, lines);
      EXPECT_FALSE(p.message.empty());
    }
    RegKey key;
    EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, L"", kKeyRead, &key), Status::Ok());
  }
}

TEST_F(RegTextTest, KeyPathsNameTheirHive) {
  struct Row {
    const wchar_t* path;
    bool ok;
    Hive hive;
    const wchar_t* subKey;
  };
  const Row rows[] = {
      {L"HKEY_CURRENT_USER\\Software\\x", true, Hive::kCurrentUser, L"Software\\x"},
      {L"hkcu\\Software\\x\\", true, Hive::kCurrentUser, L"Software\\x"},
      {L"HKLM", true, Hive::kLocalMachine, L""},
      {L"HKCR\\.txt", true, Hive::kClassesRoot, L".txt"},
      {L"HKEY_USERS\\.DEFAULT", true, Hive::kUsers, L".DEFAULT"},
      {L"HKEY_NOPE\\x", false, Hive::kCurrentUser, L""},
      {L"Software\\x", false, Hive::kCurrentUser, L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.path)));
    Hive hive = Hive::kCurrentUser;
    std::wstring subKey;
    ASSERT_EQ(ParseKeyPath(row.path, &hive, &subKey), row.ok);
    if (!row.ok) continue;
    EXPECT_EQ(hive, row.hive);
    EXPECT_EQ(subKey, row.subKey);
  }
}

}  // namespace
}  // namespace kv
