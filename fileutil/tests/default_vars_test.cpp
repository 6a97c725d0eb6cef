#include "KVFileUtilities/default_vars.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "KVPlatform/ini.h"
#include "KVPlatform/text.h"
#include "data_path_fixture.h"

namespace {

using kv::fileutil::testing::DataPathTest;

class DefaultVarsTest : public DataPathTest {
 protected:
  std::string Get(const char* section, const char* key) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    if (GetDefaultVar(section, key, buffer, sizeof buffer) != 1) {
      return "(not found: \"" + std::string(buffer) + "\")";
    }
    return buffer;
  }
  struct stat Stat() const {
    struct stat info {};
    stat(IniFile().c_str(), &info);
    return info;
  }
};

TEST_F(DefaultVarsTest, WithoutTheFileNothingIsReadOrCreated) {
  const std::function<int()> calls[] = {
      [] {
        char b[8];
        return GetDefaultVar("S", "K", b, sizeof b);
      },
      [] { return SetDefaultVar("S", "K", "v"); },
      [] { return DeleteDefaultVar("S", "K"); },
      [] {
        wchar_t b[8];
        return GetDefaultVarT("S", "K", b, 8);
      },
      [] { return SetDefaultVarT("S", "K", L"v"); },
      [] { return DeleteDefaultVarSection("S"); },
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    EXPECT_EQ(calls[i](), 0) << "call " << i;
    EXPECT_FALSE(std::filesystem::exists(IniFile().parent_path())) << "call " << i;
  }
}

TEST_F(DefaultVarsTest, NamesMatchWithoutRegardToCaseInFileAndCache) {
  WriteIni("[Options]\r\nUnits=mm\r\n");
  EXPECT_EQ(Get("OPTIONS", "units"), "mm");  // from the file
  EXPECT_EQ(Get("options", "UNITS"), "mm");  // from the cache
  EXPECT_EQ(Get(" Options ", "Units"), "mm");
  EXPECT_EQ(SetDefaultVar("oPTIONS", "uNITS", "cm"), 1);
  EXPECT_EQ(ReadIni(), "[Options]\r\nUnits=cm\r\n");  // the same key, rewritten
  EXPECT_EQ(Get("Options", "Units"), "cm");
}

// The cache must notice every change of the file, also one that keeps the whole-second
// modification time: the nanoseconds, the size and the file's identity all count.
TEST_F(DefaultVarsTest, AChangeBehindTheCacheIsSeen) {
  auto rewriteInPlace = [this](const std::string& text, bool keepTime) {
    struct stat before = Stat();
    int fd = open(IniFile().c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    struct timespec times[2] = {before.st_atim, before.st_mtim};
    if (!keepTime) times[1].tv_nsec = (before.st_mtim.tv_nsec + 1) % 1000000000;
    ASSERT_EQ(utimensat(AT_FDCWD, IniFile().c_str(), times, 0), 0);
  };
  struct Row {
    const char* name;
    std::function<void()> edit;
  };
  const Row rows[] = {
      {"in place, the same second and size", [&] { rewriteInPlace("[S]\r\nK=2\r\n", false); }},
      {"in place, the same time to the nanosecond, another size",
       [&] { rewriteInPlace("[S]\r\nK=22\r\n", true); }},
      {"replaced by another file with the same time and size",
       [&] {
         struct stat before = Stat();
         const std::filesystem::path other = IniFile().string() + ".new";
         kv::testing::TempRoot::WriteFile(other, "[S]\r\nK=2\r\n");
         struct timespec times[2] = {before.st_atim, before.st_mtim};
         ASSERT_EQ(utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
         std::filesystem::rename(other, IniFile());
       }},
      {"another process writing through the INI calls",
       [&] {
         pid_t child = fork();
         ASSERT_GE(child, 0);
         if (child == 0) {
           _exit(kv::WritePrivateProfileString(L"S", L"K", L"2", L"C:\\Data\\kvcfg\\kestrel.ini")
                     ? 0
                     : 1);
         }
         int status = 0;
         waitpid(child, &status, 0);
         ASSERT_EQ(status, 0);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WriteIni("[S]\r\nK=1\r\n");
    ASSERT_EQ(Get("S", "K"), "1");
    ASSERT_EQ(Get("S", "K"), "1");  // cached
    row.edit();
    EXPECT_NE(Get("S", "K"), "1");
  }
}

TEST_F(DefaultVarsTest, AnEqualValueLeavesTheFileAlone) {
  WriteIni("[S]\r\n");
  ASSERT_EQ(SetDefaultVar("S", "K", "v"), 1);
  const struct stat written = Stat();
  EXPECT_EQ(SetDefaultVar("s", "k", "v"), 1);
  EXPECT_EQ(SetDefaultVarT("S", "K", L"v"), 1);
  EXPECT_EQ(Stat().st_ino, written.st_ino);
  EXPECT_EQ(Stat().st_mtim.tv_nsec, written.st_mtim.tv_nsec);
  EXPECT_EQ(SetDefaultVar("S", "K", "V"), 1);  // compared with regard to case
  EXPECT_EQ(ReadIni(), "[S]\r\nK=V\r\n");
}

TEST_F(DefaultVarsTest, AnEmptyOrMissingValueIsNotFound) {
  WriteIni("[S]\r\nEmpty=\r\n");
  for (const char* key : {"Empty", "Missing"}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(Get("S", key), "(not found: \"\")");
    wchar_t wide[4] = {L'x', L'x', L'x', 0};
    EXPECT_EQ(GetDefaultVarT("S", key, wide, 4), 0);
    EXPECT_EQ(std::wstring(wide), L"");
  }
}

// Values cross in both widths; non-ASCII text is UTF-8 in the file and in 8-bit buffers.
TEST_F(DefaultVarsTest, WideAndNarrowValuesMeet) {
  WriteIni("");
  ASSERT_EQ(SetDefaultVarT("S", "Wide", L"Grüße €"), 1);
  ASSERT_EQ(SetDefaultVar("S", "Narrow", "ñandú"), 1);
  EXPECT_EQ(ReadIni(), "[S]\r\nWide=Grüße €\r\nNarrow=ñandú\r\n");
  for (int fromFile = 0; fromFile < 2; ++fromFile) {
    SCOPED_TRACE(fromFile ? "from the file" : "from the cache");
    if (fromFile) WriteIni(ReadIni() + "\r\n");  // a new version: the cache starts empty
    EXPECT_EQ(Get("S", "Wide"), "Grüße €");
    wchar_t wide[16];
    ASSERT_EQ(GetDefaultVarT("S", "Narrow", wide, 16), 1);
    EXPECT_EQ(std::wstring(wide), L"ñandú");
  }
}

// At most size - 1 bytes or characters and a terminator; 8-bit text is cut between
// characters. Each row reads from the file once and from the cache once.
TEST_F(DefaultVarsTest, BuffersAreNeverOverrun) {
  struct Row {
    bool wide;
    unsigned size;
    const char* expected;  // UTF-8
  };
  const Row rows[] = {
      {false, 1, ""},     {false, 2, "h"},     {false, 3, "h"},  // é takes two bytes
      {false, 6, "héll"}, {false, 7, "héllo"}, {true, 1, ""},
      {true, 5, "héll"},  {true, 6, "héllo"},
  };
  for (const Row& row : rows) {
    WriteIni("[S]\r\nK=héllo\r\n");
    for (const char* source : {"file", "cache"}) {
      SCOPED_TRACE(std::string(row.wide ? "wide, " : "8-bit, ") + std::to_string(row.size) +
                   ", from the " + source);
      if (row.wide) {
        wchar_t buffer[8];
        std::fill(std::begin(buffer), std::end(buffer), L'#');
        ASSERT_EQ(GetDefaultVarT("S", "K", buffer, row.size), 1);
        EXPECT_EQ(kv::WideToAnsi(buffer), row.expected);
        EXPECT_EQ(buffer[row.size], L'#');
      } else {
        char buffer[8];
        std::memset(buffer, '#', sizeof buffer);
        ASSERT_EQ(GetDefaultVar("S", "K", buffer, static_cast<int>(row.size)), 1);
        EXPECT_STREQ(buffer, row.expected);
        EXPECT_EQ(buffer[row.size], '#');
      }
    }
  }
}

// A value the file did not take is reported and never served from the cache.
TEST_F(DefaultVarsTest, AFailedWriteIsReportedAndNotCached) {
  WriteIni("[S]\r\nK=old\r\n");
  EXPECT_EQ(SetDefaultVar("S", "K", "two\nlines"), 0);
  EXPECT_EQ(Get("S", "K"), "old");
  std::filesystem::permissions(IniFile(), std::filesystem::perms::owner_read);
  EXPECT_EQ(SetDefaultVarT("S", "K", L"new"), 0);
  EXPECT_EQ(Get("S", "K"), "old");
}

TEST_F(DefaultVarsTest, DeletesRemoveKeysAndSections) {
  WriteIni("[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n");
  ASSERT_EQ(Get("A", "x"), "1");
  ASSERT_EQ(Get("A", "y"), "2");
  EXPECT_EQ(DeleteDefaultVar("a", "X"), 1);
  EXPECT_EQ(Get("A", "x"), "(not found: \"\")");
  EXPECT_EQ(Get("A", "y"), "2");
  EXPECT_EQ(DeleteDefaultVarSection("a"), 1);
  EXPECT_EQ(Get("A", "y"), "(not found: \"\")");
  EXPECT_EQ(Get("B", "z"), "3");
  EXPECT_EQ(DeleteDefaultVar("A", "gone"), 1);  // nothing to delete is no failure
}

}  // namespace
