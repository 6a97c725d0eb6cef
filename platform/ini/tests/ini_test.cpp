// INI files: private-profile reads (case, blanks, quotes, first match, truncation) and
// in-place writes that keep every other byte of the file.
#include "KVPlatform/ini.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "KVPlatform/status.h"
#include "file_fault.h"
#include "temp_root.h"

namespace kv {
namespace {

constexpr wchar_t kFile[] = L"C:\\kvcfg\\kestrel.ini";

class IniTest : public ::testing::Test {
 protected:
  std::filesystem::path Host() const { return root_.Drive(L'c') / "kvcfg" / "kestrel.ini"; }
  void Write(std::string_view text) const { testing::TempRoot::WriteFile(Host(), text); }
  std::string Read() const { return testing::TempRoot::ReadFile(Host()); }

  testing::TempRoot root_;
};

TEST_F(IniTest, ReadsWithPrivateProfileRules) {
  Write(
      "\xEF\xBB\xBF[General]\r\n"
      "; Units=commented out\r\n"
      "Units = mm  \r\n"
      "  Path=\"C:\\Data\\\"\r\n"
      "Quoted=\"only one\r\n"
      "Inner=a \"b\" c\r\n"
      "Empty=\r\n"
      "units=second\r\n"
      "no equals sign here\r\n"
      "Eq=a=b\n"
      "[ Spaced ]  trailing text\r\n"
      "Key=spaced section\r\n"
      "[general]\r\n"
      "Units=second section\r\n"
      "Only=in second\r\n"
      "[\xC3\x84rger]\r\n"
      "\xC3\xA9t\xC3\xA9=\xE5\xAF\xB8\r\n");
  struct Row {
    const wchar_t* section;
    const wchar_t* key;
    bool found;
    const wchar_t* value;
  };
  const Row rows[] = {
      {L"General", L"Units", true, L"mm"},
      {L"GENERAL", L" units ", true, L"mm"},  // first section, first key
      {L"General", L"Path", true, L"C:\\Data\\"},
      {L"General", L"Quoted", true, L"\"only one"},
      {L"General", L"Inner", true, L"a \"b\" c"},
      {L"General", L"Empty", true, L""},
      {L"General", L"Eq", true, L"a=b"},
      {L"General", L"Only", false, L"dflt"},  // only the first matching section counts
      {L"General", L"no equals sign here", false, L"dflt"},
      {L"Spaced", L"key", true, L"spaced section"},
      {L"\u00E4RGER", L"\u00C9T\u00C9", true, L"\u5BF8"},
      {L"Missing", L"Units", false, L"dflt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.section) + L"/" + row.key));
    std::wstring value;
    EXPECT_EQ(ReadProfileString(row.section, row.key, L"dflt", &value, kFile), row.found);
    EXPECT_EQ(value, row.value);
  }
  std::wstring value;
  EXPECT_FALSE(ReadProfileString(L"General", L"Units", L"dflt  ", &value, L"C:\\none.ini"));
  EXPECT_EQ(value, L"dflt");  // trailing blanks of the fallback dropped
}

TEST_F(IniTest, CopiesAtMostSizeMinusOneCharacters) {
  Write("[S]\r\nK=abcdef\r\n");
  struct Row {
    uint32_t size;
    uint32_t copied;
    const wchar_t* text;
  };
  const Row rows[] = {
      {1, 0, L""}, {2, 1, L"a"}, {6, 5, L"abcde"}, {7, 6, L"abcdef"}, {50, 6, L"abcdef"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.size);
    wchar_t buffer[64];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    EXPECT_EQ(GetPrivateProfileString(L"S", L"K", L"", buffer, row.size, kFile), row.copied);
    EXPECT_EQ(std::wstring(buffer), row.text);
    EXPECT_EQ(buffer[row.size], L'#');  // nothing written past the buffer
  }
  wchar_t buffer[8];
  EXPECT_EQ(GetPrivateProfileString(L"S", L"Missing", L"fallback", buffer, 5, kFile), 4u);
  EXPECT_EQ(std::wstring(buffer), L"fall");
  EXPECT_EQ(GetPrivateProfileString(L"S", L"K", L"", buffer, 0, kFile), 0u);
}

TEST_F(IniTest, IntegersAreTheValuesLeadingDigits) {
  Write("[N]\r\nA=42\r\nB=  -7  \r\nC=12abc\r\nD=abc\r\nE=\r\nF=99999999999\r\nG=\"5\"\r\n");
  struct Row {
    const wchar_t* key;
    int expected;
  };
  const Row rows[] = {{L"A", 42}, {L"B", -7},         {L"C", 12}, {L"D", 0},
                      {L"E", -1}, {L"F", 2147483647}, {L"G", 5},  {L"Missing", -1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.key)));
    EXPECT_EQ(GetPrivateProfileInt(L"N", row.key, -1, kFile), row.expected);
  }
}

TEST_F(IniTest, WritesEditInPlace) {
  const std::string original =
      "; Kestrel defaults\r\n"
      "[Units]\r\n"
      "Length = mm   \r\n"
      "odd line without equals\r\n"
      "Angle=deg\n"  // a line ending of its own
      "\r\n"
      "; the folders\r\n"
      "[Paths]\r\n"
      "Data=C:\\Data\\\r\n"
      "\r\n"
      "; closing comment";
  struct Step {
    const char* what;
    std::function<bool()> call;
    std::string expected;
  };
  const Step steps[] = {
      {"change a value, spacing kept",
       [] { return WritePrivateProfileString(L"units", L"LENGTH", L"inch", kFile); },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Angle=deg\n\r\n; the folders\r\n[Paths]\r\nData=C:\\Data\\\r\n\r\n; closing comment"},
      {"new key after the section's last line",
       [] { return WritePrivateProfileString(L"Units", L"Precision", L"4", kFile); },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Angle=deg\nPrecision=4\r\n\r\n; the folders\r\n[Paths]\r\nData=C:\\Data\\\r\n\r\n; closing "
       "comment"},
      {"new section at the end, after a last line without an end",
       [] { return WritePrivateProfileString(L"Mail", L"To", L"\"quoted\" \u00E9", kFile); },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Angle=deg\nPrecision=4\r\n\r\n; the folders\r\n[Paths]\r\nData=C:\\Data\\\r\n\r\n; closing "
       "comment\r\n"
       "\r\n[Mail]\r\nTo=\"quoted\" \xC3\xA9\r\n"},
      {"delete a key", [] { return DeleteProfileKey(L"UNITS", L"angle", kFile); },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Precision=4\r\n\r\n; the folders\r\n[Paths]\r\nData=C:\\Data\\\r\n\r\n; closing comment\r\n"
       "\r\n[Mail]\r\nTo=\"quoted\" \xC3\xA9\r\n"},
      {"delete a section", [] { return DeleteProfileSection(L"paths", kFile); },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Precision=4\r\n\r\n; the folders\r\n[Mail]\r\nTo=\"quoted\" \xC3\xA9\r\n"},
      {"deleting what is missing changes nothing",
       [] {
         return DeleteProfileKey(L"Units", L"None", kFile) && DeleteProfileSection(L"None", kFile);
       },
       "; Kestrel defaults\r\n[Units]\r\nLength = inch   \r\nodd line without equals\r\n"
       "Precision=4\r\n\r\n; the folders\r\n[Mail]\r\nTo=\"quoted\" \xC3\xA9\r\n"},
  };
  Write(original);
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    EXPECT_TRUE(step.call());
    EXPECT_EQ(Read(), step.expected);
  }
  std::wstring value;
  EXPECT_TRUE(ReadProfileString(L"Mail", L"To", L"", &value, kFile));
  EXPECT_EQ(value, L"\"quoted\" \u00E9");  // only a pair around the whole value is removed
}

TEST_F(IniTest, CreatesFilesAndLeavesUnchangedFilesAlone) {
  std::filesystem::create_directories(Host().parent_path());  // folders are not created
  EXPECT_TRUE(WritePrivateProfileString(L"S", L"K", L"v", kFile));
  EXPECT_EQ(Read(), "[S]\r\nK=v\r\n");
  struct stat before;
  ASSERT_EQ(stat(Host().c_str(), &before), 0);
  EXPECT_TRUE(WritePrivateProfileString(L"s", L"k", L"v", kFile));  // same value: no write
  struct stat after;
  ASSERT_EQ(stat(Host().c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  std::filesystem::permissions(
      Host(), std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  EXPECT_FALSE(WritePrivateProfileString(L"S", L"K", L"changed", kFile));  // read-only
  EXPECT_EQ(Read(), "[S]\r\nK=v\r\n");
  EXPECT_FALSE(WritePrivateProfileString(L"S", L"K", L"v", L"C:\\no such folder\\x.ini"));
  EXPECT_FALSE(WritePrivateProfileString(L"S", L"K", L"v", L"Q:\\unmapped.ini"));
  EXPECT_TRUE(DeleteProfileKey(L"S", L"K", L"C:\\kvcfg\\absent.ini"));
  EXPECT_FALSE(std::filesystem::exists(root_.Drive(L'c') / "kvcfg" / "absent.ini"));
}

// Two processes adding keys to one file at the same time: every key arrives.
TEST_F(IniTest, ConcurrentWritersLoseNoKey) {
  Write("[Shared]\r\n");
  constexpr int kKeys = 25;
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (int i = 0; i < kKeys; ++i) {
        std::wstring key = std::wstring(1, static_cast<wchar_t>(who)) + std::to_wstring(i);
        if (!WritePrivateProfileString(L"Shared", key, L"v", kFile)) _exit(1);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (char who : {'a', 'b'}) {
    for (int i = 0; i < kKeys; ++i) {
      std::wstring key = std::wstring(1, static_cast<wchar_t>(who)) + std::to_wstring(i);
      SCOPED_TRACE(::testing::PrintToString(key));
      EXPECT_EQ(GetPrivateProfileInt(L"Shared", key, -1, kFile), 0);  // "v" is not a number
      std::wstring value;
      EXPECT_TRUE(ReadProfileString(L"Shared", key, L"", &value, kFile));
    }
  }
}

TEST_F(IniTest, UnicodeFilesStayUtf16) {
  auto utf16 = [](std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    return bytes;
  };
  Write(utf16(u"[S]\r\nK=\u5BF8\r\n"));
  std::wstring value;
  EXPECT_TRUE(ReadProfileString(L"s", L"k", L"", &value, kFile));
  EXPECT_EQ(value, L"\u5BF8");
  EXPECT_TRUE(WritePrivateProfileString(L"S", L"New", L"\u00E9", kFile));
  EXPECT_EQ(Read(), utf16(u"[S]\r\nK=\u5BF8\r\nNew=\u00E9\r\n"));
}

// Lines a write does not edit stay byte for byte, also where they hold what UTF-16 text
// cannot (an unpaired surrogate, half a character at the end).
TEST_F(IniTest, Utf16WritesKeepLinesTheyDoNotEdit) {
  auto utf16 = [](std::u16string_view text, std::string_view tail) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    return bytes + std::string(tail);
  };
  Write(utf16(u"[S]\r\nLone=a\xD800\x62\r\nK=old\r\nbad line\r\r\nLow=\xDC00", "X"));
  EXPECT_TRUE(WritePrivateProfileString(L"S", L"K", L"new", kFile));
  EXPECT_EQ(Read(), utf16(u"[S]\r\nLone=a\xD800\x62\r\nK=new\r\nbad line\r\r\nLow=\xDC00", "X"));
  EXPECT_TRUE(WritePrivateProfileString(L"T", L"K", L"v", kFile));
  EXPECT_EQ(
      Read(),
      utf16(u"[S]\r\nLone=a\xD800\x62\r\nK=new\r\nbad line\r\r\nLow=\xDC00\r\n\r\n[T]\r\nK=v\r\n",
            "X"));
  std::wstring value;
  EXPECT_TRUE(ReadProfileString(L"S", L"Lone", L"", &value, kFile));
  EXPECT_EQ(value, std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b");
}

// A link to the file is followed (the file it names is rewritten, the link stays); a
// link in place of the lock file is refused, never followed.
TEST_F(IniTest, LinksLeadWritersNowhereElse) {
  const std::filesystem::path elsewhere = root_.path() / "elsewhere";
  std::filesystem::create_directories(elsewhere);
  testing::TempRoot::WriteFile(elsewhere / "shared.ini", "[S]\r\nK=v\r\n");
  std::filesystem::create_directories(Host().parent_path());
  std::filesystem::create_symlink(elsewhere / "shared.ini", Host());
  EXPECT_TRUE(WritePrivateProfileString(L"S", L"K", L"w", kFile));
  EXPECT_TRUE(std::filesystem::is_symlink(Host()));
  EXPECT_EQ(testing::TempRoot::ReadFile(elsewhere / "shared.ini"), "[S]\r\nK=w\r\n");

  std::filesystem::remove(Host());
  Write("[S]\r\nK=v\r\n");
  std::filesystem::path lock = Host();
  lock += ".lock";
  std::filesystem::create_symlink(elsewhere / "planted", lock);
  EXPECT_FALSE(WritePrivateProfileString(L"S", L"K", L"w", kFile));
  EXPECT_FALSE(std::filesystem::exists(elsewhere / "planted"));
  EXPECT_EQ(Read(), "[S]\r\nK=v\r\n");
}

TEST_F(IniTest, AFailedWriteLeavesTheFileAsItWas) {
  using host::FileStep;
  Write("[S]\r\nK=v\r\n");
  const std::pair<FileStep, int> steps[] = {{FileStep::kOpen, 1},
                                            {FileStep::kOpen, 2},
                                            {FileStep::kWrite, 1},
                                            {FileStep::kSync, 1},
                                            {FileStep::kRename, 1}};
  for (const auto& [step, nth] : steps) {
    SCOPED_TRACE(static_cast<int>(step) * 10 + nth);
    testing::FileFault fault(step, nth, kErrorDiskFull);
    EXPECT_FALSE(WritePrivateProfileString(L"S", L"K", L"w", kFile));
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(Read(), "[S]\r\nK=v\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(Host().parent_path())) {
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
    }
  }
}

TEST_F(IniTest, RefusesTextThatWouldChangeTheFilesStructure) {
  Write("[S]\r\nK=v\r\n");
  struct Row {
    const char* what;
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
  };
  const Row rows[] = {
      {"line break in the value", L"S", L"K", L"a\r\n[Injected]"},
      {"= in the key", L"S", L"a=b", L"v"},
      {"empty key", L"S", L"  ", L"v"},
      {"key that reads as a comment", L"S", L";K", L"v"},
      {"] in the section", L"S]x", L"K", L"v"},
      {"line break in the section", L"S\nT", L"K", L"v"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_FALSE(WritePrivateProfileString(row.section, row.key, row.value, kFile));
    EXPECT_EQ(Read(), "[S]\r\nK=v\r\n");
  }
}

}  // namespace
}  // namespace kv
