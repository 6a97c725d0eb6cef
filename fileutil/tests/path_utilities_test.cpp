#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/text.h"

#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace {

using kv::testing::TempRoot;

class PathUtilitiesTest : public kv::testing::RootTest {
 protected:
  std::filesystem::path C(const std::string& relative) { return root_.Drive(L'c') / relative; }
  bool IsDir(const std::string& relative) { return std::filesystem::is_directory(C(relative)); }
};

TEST_F(PathUtilitiesTest, CreateFolderWalksBackslashLevels) {
  std::filesystem::create_directories(C("a"));
  EXPECT_TRUE(CreateFolder(L"C:\\a\\b\\c"));
  EXPECT_TRUE(IsDir("a/b/c"));
  EXPECT_TRUE(CreateFolder(L"C:\\a\\b\\c"));  // already there
  EXPECT_FALSE(CreateFolder(L"C:/x/y"));      // slashes are not walked
  EXPECT_FALSE(IsDir("x"));
  EXPECT_FALSE(CreateFolder(L"Q:\\x\\y"));  // unmapped drive
  TempRoot::WriteFile(C("file"), "x");
  EXPECT_TRUE(CreateFolder(L"C:\\file"));  // a file of that name counts
  EXPECT_FALSE(CreateFolder(nullptr));
}

TEST_F(PathUtilitiesTest, CreateFolderStopsAfterThirtyAttempts) {
  std::wstring fifteen = L"C:", sixteen;
  for (int level = 1; level <= 15; ++level) fifteen += L"\\l" + std::to_wstring(level);
  EXPECT_TRUE(CreateFolder(fifteen.c_str()));
  std::wstring deep = L"C:\\d";
  for (int level = 1; level <= 15; ++level) deep += L"\\l" + std::to_wstring(level);
  EXPECT_FALSE(CreateFolder(deep.c_str()));  // 16 missing levels
  EXPECT_TRUE(IsDir("d/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12/l13/l14"));
  EXPECT_FALSE(IsDir("d/l1/l2/l3/l4/l5/l6/l7/l8/l9/l10/l11/l12/l13/l14/l15"));
}

TEST_F(PathUtilitiesTest, CreateFolderRefusesPathsBeyondItsBuffer) {
  const std::wstring tooLong = L"C:\\" + std::wstring(257, L'x');  // 260 characters
  EXPECT_FALSE(CreateFolder(tooLong.c_str()));
  const std::wstring longest =
      L"C:\\" + std::wstring(250, L'y');  // 253: fits, and the host allows it
  EXPECT_TRUE(CreateFolder(longest.c_str()));
}

TEST(ParsePathedFileName, SplitsOnTheLastDotAndBackslash) {
  struct Row {
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* extension;
  };
  const Row rows[] = {
      {L"C:/data/jobs/part.dwg", L"C:\\data\\jobs", L"part", L"dwg"},
      {L"C:\\dir.v2\\file", L"C:", L"dir", L"v2\\file"},
      {L"file.txt", L"", L"file", L"txt"},
      {L"C:\\dir\\file", L"C:\\dir", L"file", L""},
      {L"C:\\dir\\", L"C:\\dir", L"", L""},
      {L".profile", L"", L"", L"profile"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.path)));
    std::wstring folder = L"?", name = L"?", extension = L"?";
    ParsePathedFileName(row.path, folder, name, extension);
    EXPECT_EQ(folder, row.folder);
    EXPECT_EQ(name, row.name);
    EXPECT_EQ(extension, row.extension);
  }
  std::wstring folder = L"f", name = L"n", extension = L"e";
  ParsePathedFileName(L"", folder, name, extension);
  EXPECT_EQ(folder + name + extension, L"fne");  // untouched
}

TEST(ChangeBackslashes, InPlace) {
  wchar_t path[] = L"C:\\a\\b/c";
  kv_change_backslashes(path);
  EXPECT_STREQ(path, L"C:/a/b/c");
}

TEST(TruncPath, ShortensDrivePathsForDisplay) {
  struct Row {
    const wchar_t* path;
    unsigned maxLength;
    int result;
    const wchar_t* out;
  };
  const Row rows[] = {
      {L"C:\\Users\\Public\\Documents\\Kestrel\\Data\\material\\steel", 30, 1,
       L"C:/...\\Data\\material\\steel"},
      {L"D:\\data\\jobs\\2024\\customer\\parts\\bracket.dwg", 20, 1, L"D:/...\\bracket.dwg"},
      {L"C:\\abcdefghij", 3, 1, L"C:\\abcdefghij"},      // 13 characters: never shortened
      {L"C:\\abcdefghijk", 14, 1, L"C:\\abcdefghijk"},   // 14 characters
      {L"C:\\abcdefghijkl", 15, 1, L"C:/...defghijkl"},  // exactly maxLength: shortened
      {L"C:\\abc\\defghijkl", 15, 1, L"C:/...defghijkl"},
      {L"C:\\abcdefghijklmnopqr", 40, 1, L"C:\\abcdefghijklmnopqr"},  // shorter than maxLength
      {L"C:\\a\\b\\c\\d\\e\\f\\g\\h", 2, 1, L"C:/..."},               // below 6: an empty tail
      {L"\\\\server\\share\\folder\\x", 10, 0, L"untouched"},
      {L"1:\\data", 10, 0, L"untouched"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(row.path)) + " " +
                 std::to_string(row.maxLength));
    wchar_t out[600] = L"untouched";
    EXPECT_EQ(kv_trunc_path(row.path, out, row.maxLength), row.result);
    EXPECT_STREQ(out, row.out);
    EXPECT_LE(std::wcslen(out), std::max<size_t>(std::wcslen(row.path), row.maxLength));
  }
}

TEST(TruncPath, NeverWritesBeyondTheLongerOfPathAndField) {
  // A drive-relative path whose head would be long stays whole instead of growing.
  wchar_t out[32];
  std::fill(std::begin(out), std::end(out), L'#');
  const wchar_t* path = L"C:abcdefghijklmnop\\x";  // 20 characters
  EXPECT_EQ(kv_trunc_path(path, out, 20), 1);
  EXPECT_STREQ(out, path);
  EXPECT_EQ(out[21], L'#');
  const std::wstring huge = L"C:\\" + std::wstring(600, L'z');
  wchar_t untouched[8] = L"same";
  EXPECT_EQ(kv_trunc_path(huge.c_str(), untouched, 64), 0);
  EXPECT_STREQ(untouched, L"same");
}

TEST_F(PathUtilitiesTest, CopyDirectoryCopiesFilesAndWithRecurseTheTree) {
  TempRoot::WriteFile(C("src/top.txt"), "top");
  TempRoot::WriteFile(C("src/.hidden"), "h");
  TempRoot::WriteFile(C("src/sub/deep/leaf.txt"), "leaf");
  TempRoot::WriteFile(C("src/.git/config"), "g");
  std::filesystem::create_directories(C("flat"));
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.*", L"C:\\flat", 0), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("flat/top.txt")), "top");
  EXPECT_FALSE(std::filesystem::exists(C("flat/sub")));
  EXPECT_FALSE(std::filesystem::exists(C("flat/.hidden")));

  std::filesystem::create_directories(C("tree"));
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.*", L"C:\\tree", DIR_RECURSE), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("tree/sub/deep/leaf.txt")), "leaf");
  EXPECT_FALSE(std::filesystem::exists(C("tree/.git")));
  EXPECT_FALSE(std::filesystem::exists(C("tree/.hidden")));
}

TEST_F(PathUtilitiesTest, CopyDirectoryKeepsOrOverwrites) {
  TempRoot::WriteFile(C("src/a.txt"), "new");
  TempRoot::WriteFile(C("dst/a.txt"), "user's");
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.*", L"C:\\dst", DIR_KEEP_EXISTING), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("dst/a.txt")), "user's");
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.*", L"C:\\dst", 0), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("dst/a.txt")), "new");
}

TEST_F(PathUtilitiesTest, CopyDirectoryReportsWhatItCannotDo) {
  EXPECT_EQ(kv_copy_directory(L"C:\\missing", L"/*.*", L"C:\\dst", DIR_RECURSE), 1);
  EXPECT_FALSE(std::filesystem::exists(C("dst")));
  // A destination folder that does not exist: every copy fails, after the retries.
  TempRoot::WriteFile(C("src/a.txt"), "a");
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.*", L"C:\\nowhere", 0), 0);
  // The pattern filters folders too.
  TempRoot::WriteFile(C("src/keep.txt/inner.bin"), "i");
  TempRoot::WriteFile(C("src/skip/inner.txt"), "s");
  std::filesystem::create_directories(C("out"));
  EXPECT_EQ(kv_copy_directory(L"C:\\src", L"/*.txt", L"C:\\out", DIR_RECURSE), 1);
  EXPECT_TRUE(std::filesystem::exists(C("out/a.txt")));
  EXPECT_FALSE(std::filesystem::exists(C("out/skip")));
  EXPECT_FALSE(std::filesystem::exists(C("out/keep.txt/inner.bin")));  // not a .txt
  // A search path beyond the work buffer fails instead of being cut.
  const std::wstring longSource = L"C:\\" + std::wstring(510, L's');
  EXPECT_EQ(kv_copy_directory(longSource.c_str(), L"/*.*", L"C:\\out", 0), 0);
}

TEST_F(PathUtilitiesTest, DeleteDirectoryAsksAndHonoursTheFlags) {
  TempRoot::WriteFile(C("tree/file.txt"), "x");
  TempRoot::WriteFile(C("tree/sub/inner.txt"), "y");
  ui_.QueueAnswer(kv::kIdCancel);
  EXPECT_EQ(kvc_delete_directory(L"C:\\tree", DIR_RECURSE), 0);
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text, L"Deleting directory - C:\\tree");
  EXPECT_EQ(ui_.Messages()[0].buttons, unsigned{kv::kMbOkCancel});
  EXPECT_TRUE(std::filesystem::exists(C("tree/file.txt")));

  EXPECT_EQ(kvc_delete_directory(L"C:\\tree", DIR_NO_PROMPT), 1);
  EXPECT_FALSE(std::filesystem::exists(C("tree/file.txt")));
  EXPECT_TRUE(std::filesystem::exists(C("tree/sub/inner.txt")));

  // Asked again for every subfolder it descends into.
  ui_.Clear();
  ui_.QueueAnswer(kv::kIdOk);
  ui_.QueueAnswer(kv::kIdOk);
  EXPECT_EQ(kvc_delete_directory(L"C:\\tree", DIR_RECURSE | DIR_REMOVE_SELF), 1);
  EXPECT_EQ(ui_.Messages().size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(C("tree")));
}

// An empty name used to search "/*" and delete the host's root folder (the test runs
// under the write guard, which refuses and reports anything outside its root).
TEST_F(PathUtilitiesTest, DeleteDirectoryRefusesRoots) {
  TempRoot::WriteFile(C("keep.txt"), "c");
  TempRoot::WriteFile(root_.path() / "unc/srv/share/keep.txt", "share");
  for (const wchar_t* root : {L"", L"C:", L"C:\\", L"c:/..", L"C:\\tree\\..", L"\\\\srv\\share",
                              L"\\\\srv\\share\\", L"/", L"\\", L"."}) {
    SCOPED_TRACE(kv::WideToAnsi(root));
    EXPECT_EQ(kvc_delete_directory(root, DIR_NO_PROMPT | DIR_RECURSE | DIR_REMOVE_SELF), 0);
  }
  EXPECT_TRUE(std::filesystem::exists(C("keep.txt")));
  EXPECT_TRUE(std::filesystem::exists(root_.path() / "unc/srv/share/keep.txt"));
}

TEST_F(PathUtilitiesTest, DeleteDirectoryLeavesDotNamesAndReadOnlyFiles) {
  TempRoot::WriteFile(C("tree/.keep"), "k");
  TempRoot::WriteFile(C("tree/locked.txt"), "l");
  TempRoot::WriteFile(C("tree/sub/x.txt"), "x");
  chmod(C("tree/locked.txt").c_str(), 0444);
  EXPECT_EQ(kvc_delete_directory(L"C:\\tree", DIR_NO_PROMPT | DIR_RECURSE | DIR_REMOVE_SELF), 1);
  EXPECT_TRUE(std::filesystem::exists(C("tree/.keep")));
  EXPECT_TRUE(std::filesystem::exists(C("tree/locked.txt")));
  EXPECT_FALSE(std::filesystem::exists(C("tree/sub")));
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(PathUtilitiesTest, LinksAreNeitherFollowedOutOfATreeNorAroundALoop) {
  TempRoot::WriteFile(C("outside/keep.txt"), "precious");
  TempRoot::WriteFile(C("tree/file.txt"), "x");
  std::filesystem::create_directory_symlink(C("outside"), C("tree/link"));
  EXPECT_EQ(kvc_delete_directory(L"C:\\tree", DIR_NO_PROMPT | DIR_RECURSE | DIR_REMOVE_SELF), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("outside/keep.txt")), "precious");
  EXPECT_FALSE(std::filesystem::exists(C("tree")));

  // A link back up the tree is copied around, not into; a dangling link is passed over.
  TempRoot::WriteFile(C("lib/a/part.prt"), "part");
  TempRoot::WriteFile(C("lib/z/z.prt"), "last");
  std::filesystem::create_directory_symlink(C("lib"), C("lib/a/loop"));
  std::filesystem::create_symlink(C("lib/none"), C("lib/dangling"));
  std::filesystem::create_directories(C("copy"));
  EXPECT_EQ(kv_copy_directory(L"C:\\lib", L"/*.*", L"C:\\copy", DIR_RECURSE), 1);
  EXPECT_EQ(TempRoot::ReadFile(C("copy/a/part.prt")), "part");
  EXPECT_EQ(TempRoot::ReadFile(C("copy/z/z.prt")), "last");
  EXPECT_FALSE(std::filesystem::exists(C("copy/a/loop/a")));
}

TEST_F(PathUtilitiesTest, AccessCheckMessages) {
  TempRoot::WriteFile(C("ro.txt"), "x");
  chmod(C("ro.txt").c_str(), 0444);
  EXPECT_FALSE(kv_AccessCheck(L"C:\\ro.txt", 1, false));
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(ui_.Messages()[0].text,
            L"Invalid mode passed to kv_AccessCheck function\nMode for checking access must be:\n"
            L"0 = Existance\n2 = Write Only\n4 = Read Only\n6 = Read and Write");
  EXPECT_EQ(ui_.Messages()[0].icon, unsigned{kv::kMbIconError});

  ui_.Clear();
  EXPECT_TRUE(kv_AccessCheck(L"C:\\ro.txt", 0, true));
  EXPECT_TRUE(kv_AccessCheck(L"C:\\ro.txt", 4, true));
  EXPECT_FALSE(kv_AccessCheck(L"C:\\none", 0, false));
  EXPECT_TRUE(ui_.Messages().empty());
  EXPECT_FALSE(kv_AccessCheck(L"C:\\none", 0, true));
  EXPECT_FALSE(kv_AccessCheck(L"C:\\ro.txt", 2, true));
  EXPECT_FALSE(kv_AccessCheck(L"C:\\ro.txt", 6, true));
  ASSERT_EQ(ui_.Messages().size(), 3u);
  EXPECT_EQ(ui_.Messages()[0].text, L"C:\\none does not exist.");
  EXPECT_EQ(ui_.Messages()[1].text, L"C:\\ro.txt does not have write permission.");
  EXPECT_EQ(ui_.Messages()[2].text, L"C:\\ro.txt does not have read and write permission.");
  EXPECT_EQ(ui_.Messages()[2].icon, unsigned{kv::kMbIconError});
}

TEST_F(PathUtilitiesTest, IsFileUnicodeLooksForByteOrderMarks) {
  struct Row {
    const char* name;
    std::string bytes;
    bool unicode;
  };
  const Row rows[] = {
      {"utf16le2", std::string("\xFF\xFE", 2), true},
      {"utf16be", std::string("\xFE\xFFx\0", 4), true},
      {"utf8", "\xEF\xBB\xBFtext", true},
      {"utf32be", std::string("\0\0\xFE\xFF", 4), true},
      {"plain", "plain text", false},
      {"one", "\xFF", false},
      {"empty", "", false},
      {"utf8cut",
       "\xEF\xBB"
       "x",
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot::WriteFile(C(row.name), row.bytes);
    const std::wstring path = L"C:\\" + std::wstring(row.name, row.name + std::strlen(row.name));
    EXPECT_EQ(IsFileUnicode(path.c_str()), row.unicode);
  }
  EXPECT_FALSE(IsFileUnicode(L"C:\\missing.txt"));
}

// The data path is cached for the library's life, so one test covers the whole story.
TEST_F(PathUtilitiesTest, GetDataPathReadsOnceAndKeepsIt) {
  std::wstring path = L"untouched";
  EXPECT_EQ(GetDataPath(path), 0);
  EXPECT_EQ(path, L"untouched");

  const wchar_t* key = L"Software\\Kestrel\\PIECEbank\\2024";
  kv::RegKey machine;
  ASSERT_TRUE(kv::RegKey::Create(kv::Hive::kLocalMachine, key, kv::kKeyAllAccess, &machine).ok());
  // An empty or relative value is no data path (it would name the host's root or the
  // working folder), and is not kept.
  for (const wchar_t* unusable : {L"", L"%DATA%\\kestrel\\", L"kestrel\\data"}) {
    ASSERT_TRUE(machine.SetValue(L"Data Path", kv::RegValue::String(unusable)).ok());
    EXPECT_EQ(GetDataPath(path), 0) << kv::WideToAnsi(unusable);
  }
  ASSERT_TRUE(
      machine
          .SetValue(L"Data Path", kv::RegValue::String(L"C:\\%DATA%\\kestrel\\", kv::kRegExpandSz))
          .ok());
  EXPECT_EQ(GetDataPath(path), 1);
  EXPECT_EQ(path, L"C:\\%DATA%\\kestrel\\");  // not expanded

  ASSERT_TRUE(machine.DeleteValue(L"Data Path").ok());
  path.clear();
  EXPECT_EQ(GetDataPath(path), 1);
  EXPECT_EQ(path, L"C:\\%DATA%\\kestrel\\");
}

}  // namespace
