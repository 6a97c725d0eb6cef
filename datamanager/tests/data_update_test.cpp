#include "KVDataManager/migrate_data.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "menu_archive.h"
#include "temp_root.h"

namespace {

namespace fs = std::filesystem;
using kv::testing::TempRoot;

constexpr const wchar_t* kKey = L"SOFTWARE\\Kestrel\\KVDNC";
constexpr const wchar_t* kUpToDate =
    L"A software update has completed.\nAll Data Files were up to date.";

// The data path is C:\Data, the install path C:\Install\ (its cache C:\Install\UserDataCache\).
class DataUpdateTest : public kv::testing::RootTest {
 protected:
  void SetUp() override { Configure(); }

  static void Configure() {
    ASSERT_TRUE(
        kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Data Path", L"C:\\Data").ok());
    ASSERT_TRUE(
        kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Install Path", L"C:\\Install\\")
            .ok());
  }
  fs::path C(const std::string& relative) const { return root_.Drive(L'c') / relative; }
  fs::path Cache(const std::string& relative) const {
    return C("Install/UserDataCache/" + relative);
  }
  fs::path Data(const std::string& relative) const { return C("Data/" + relative); }
  static void Write(const fs::path& file, std::string_view text) {
    TempRoot::WriteFile(file, text);
  }
  static std::string Read(const fs::path& file) { return TempRoot::ReadFile(file); }

  // A post-processor folder: dft.pst, the compile data with its version, two compiled
  // files, the .pst named after the folder, the detail manual and a description.
  static void WritePost(const fs::path& folder, int version, const std::string& tag) {
    const std::string name = folder.filename().string();
    Write(folder / "dft.pst", "dft " + tag);
    Write(folder / "KVPostCompileData.txt",
          "Compiled: today\r\nPost Version: " + std::to_string(version) + "\r\n");
    Write(folder / "a.fas", "a " + tag);
    Write(folder / "b.FAS", "b " + tag);
    Write(folder / (name + ".pst"), "pst " + tag);
    Write(folder / "KestrelPostDetail.man", "man " + tag);
    Write(folder / "postdesc.txt", "desc " + tag);
  }

  bool Run() { return MigrateDataFromUserCache(kKey, nullptr); }

  std::vector<std::wstring> MessageTexts() const {
    std::vector<std::wstring> texts;
    for (const kv::ShownMessage& message : ui_.Messages()) texts.push_back(message.text);
    return texts;
  }

  // The log's lines after the time stamp and the empty line, CR LF checked.
  std::vector<std::string> LogEntries() const {
    const std::string log = Read(Data("DataManagerLog.txt"));
    std::vector<std::string> lines;
    std::istringstream in(log);
    std::string line;
    while (std::getline(in, line)) {
      EXPECT_FALSE(line.empty()) << "line without CR";
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
    EXPECT_GE(lines.size(), 2u);
    if (lines.size() < 2) return {};
    EXPECT_TRUE(std::regex_match(
        lines[0], std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                             "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                             "[ 1-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}")))
        << lines[0];
    EXPECT_EQ(lines[1], "");
    return {lines.begin() + 2, lines.end()};
  }
};

std::wstring Updated(int count) {
  return L"A software update has completed.\nNumber of files updated = " + std::to_wstring(count);
}

TEST_F(DataUpdateTest, VersionsCompareAsTextNotNumbers) {
  struct Row {
    const char* name;
    const char* dataVersion;   // null: no version file
    const char* cacheVersion;  // null: no version file
    bool updates;
  } rows[] = {
      {"2024.1.10 does not beat 2024.1.5", "2024.1.5", "2024.1.10", false},
      {"2024.1.5 beats 2024.1.10", "2024.1.10", "2024.1.5", true},
      {"equal", "2024.3", "2024.3", false},
      {"no data version", nullptr, "1", true},
      {"empty first line", "\r\n9", "1", true},
      {"no cache version", "1", nullptr, false},
      {"case counts: B sorts before a", "a", "B", false},
      {"only the first line counts", "2024.2\r\n2025", "2024.3\r\n", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot root;
    kv::ScriptedUi& ui = kv::InstallScriptedUi();
    Configure();
    const fs::path c = root.Drive(L'c');
    std::filesystem::create_directories(c / "Data");
    if (row.dataVersion) Write(c / "Data/DataVersion.txt", row.dataVersion);
    if (row.cacheVersion) Write(c / "Install/UserDataCache/DataVersion.txt", row.cacheVersion);
    Write(c / "Install/UserDataCache/Tools/t.txt", "t");
    EXPECT_TRUE(Run());
    EXPECT_EQ(fs::exists(c / "Data/Tools/t.txt"), row.updates);
    ASSERT_EQ(ui.Messages().size(), row.updates ? 1u : 0u);
    if (row.updates) {
      EXPECT_EQ(ui.Messages()[0].text, Updated(1));
      EXPECT_EQ(Read(c / "Data/DataVersion.txt"), row.cacheVersion);
    }
  }
}

TEST_F(DataUpdateTest, CopiesNewFoldersWholeAndOnlyNewerPostsIntoExistingOnes) {
  Write(Data("DataVersion.txt"), "2024.2\r\n");
  Write(Cache("DataVersion.txt"), "2024.3\r\n");
  // A new top-level folder, with a subfolder; a skipped one; files loose in the cache.
  Write(Cache("Tools/mill.tdb"), "tools");
  Write(Cache("Tools/lib/drills.tdb"), "drills");
  Write(Cache("Tools/.hidden"), "hidden");
  Write(Cache("Support/support.txt"), "support");
  Write(Cache("readme.txt"), "loose");
  // An existing top-level folder holding posts.
  WritePost(Cache("Post/NewPost"), 1, "cache");
  Write(Cache("Post/NewPost/sub/extra.txt"), "extra");
  WritePost(Cache("Post/OldPost"), 5, "cache");
  WritePost(Cache("Post/SamePost"), 4, "cache");
  WritePost(Cache("Post/NewerHere"), 4, "cache");
  Write(Cache("Post/NotAPost/readme.txt"), "no dft.pst");
  Write(Cache("Post/loose.txt"), "loose");
  Write(Data("Post/user.txt"), "mine");
  WritePost(Data("Post/OldPost"), 3, "data");
  Write(Data("Post/OldPost/postdesc.txt"), "my description");
  Write(Data("Post/OldPost/c.fas"), "only here");
  WritePost(Data("Post/SamePost"), 4, "data");
  WritePost(Data("Post/NewerHere"), 6, "data");
  // A folder the user made under the new post's name, without dft.pst: kept files stay.
  Write(Data("Post/NewPost/postdesc.txt"), "my new description");

  ASSERT_TRUE(Run());

  // New folder: everything but dot names; skipped and loose entries: nothing.
  EXPECT_EQ(Read(Data("Tools/mill.tdb")), "tools");
  EXPECT_EQ(Read(Data("Tools/lib/drills.tdb")), "drills");
  EXPECT_FALSE(fs::exists(Data("Tools/.hidden")));
  EXPECT_FALSE(fs::exists(Data("Support")));
  EXPECT_FALSE(fs::exists(Data("readme.txt")));
  // New post: copied whole, the user's file of the same name kept.
  EXPECT_EQ(Read(Data("Post/NewPost/dft.pst")), "dft cache");
  EXPECT_EQ(Read(Data("Post/NewPost/sub/extra.txt")), "extra");
  EXPECT_EQ(Read(Data("Post/NewPost/postdesc.txt")), "my new description");
  // Older post: the compiled files and the three named files only.
  for (const char* file : {"a.fas", "b.FAS", "OldPost.pst", "KestrelPostDetail.man"}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(Read(Data(std::string("Post/OldPost/") + file)),
              Read(Cache(std::string("Post/OldPost/") + file)));
  }
  EXPECT_NE(Read(Data("Post/OldPost/KVPostCompileData.txt")).find("Post Version: 5"),
            std::string::npos);
  EXPECT_EQ(Read(Data("Post/OldPost/dft.pst")), "dft data");
  EXPECT_EQ(Read(Data("Post/OldPost/postdesc.txt")), "my description");
  EXPECT_EQ(Read(Data("Post/OldPost/c.fas")), "only here");
  // Equal or higher post version: untouched.
  EXPECT_EQ(Read(Data("Post/SamePost/a.fas")), "a data");
  EXPECT_EQ(Read(Data("Post/NewerHere/a.fas")), "a data");
  EXPECT_FALSE(fs::exists(Data("Post/NotAPost")));
  EXPECT_FALSE(fs::exists(Data("Post/loose.txt")));
  EXPECT_EQ(Read(Data("Post/user.txt")), "mine");
  EXPECT_EQ(Read(Data("DataVersion.txt")), "2024.3\r\n");

  // Tools 2 + NewPost 7 of its 8 (postdesc.txt kept) + OldPost 2 compiled + 3 named.
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{Updated(14)});

  std::vector<std::string> entries = LogEntries();
  ASSERT_EQ(entries.size(), 28u);
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t i = 0; i + 1 < entries.size(); i += 2) {
    ASSERT_EQ(entries[i].rfind("Source: ", 0), 0u) << entries[i];
    ASSERT_EQ(entries[i + 1].rfind("Destination: ", 0), 0u) << entries[i + 1];
    pairs.emplace_back(entries[i].substr(8), entries[i + 1].substr(13));
  }
  auto logged = [&](const std::string& from, const std::string& to) {
    return std::count(pairs.begin(), pairs.end(), std::make_pair(from, to));
  };
  const std::string cache = "C:\\Install\\UserDataCache\\";
  EXPECT_EQ(logged(cache + "Tools/lib/drills.tdb", "C:\\Data\\Tools/lib/drills.tdb"), 1);
  EXPECT_EQ(logged(cache + "Post\\NewPost/sub/extra.txt", "C:\\Data\\Post\\NewPost/sub/extra.txt"),
            1);
  EXPECT_EQ(logged(cache + "Post\\OldPost/a.fas", "C:\\Data\\Post\\OldPost/a.fas"), 1);
  EXPECT_EQ(logged(cache + "Post\\OldPost\\OldPost.pst", "C:\\Data\\Post\\OldPost\\OldPost.pst"),
            1);
  EXPECT_EQ(logged(cache + "Post\\OldPost\\KVPostCompileData.txt",
                   "C:\\Data\\Post\\OldPost\\KVPostCompileData.txt"),
            1);
  // The compile data, which carries the post version, is written after the rest.
  auto at = [&](const std::string& from) {
    return std::find_if(pairs.begin(), pairs.end(),
                        [&](const auto& p) { return p.first == from; }) -
           pairs.begin();
  };
  EXPECT_GT(at(cache + "Post\\OldPost\\KVPostCompileData.txt"),
            at(cache + "Post\\OldPost\\KestrelPostDetail.man"));
  EXPECT_GT(at(cache + "Post\\OldPost\\KestrelPostDetail.man"), at(cache + "Post\\OldPost/b.FAS"));
}

// Names match without regard to case, as on Windows: the user's file keeps its
// spelling, whether kept or replaced, and no second file appears beside it.
TEST_F(DataUpdateTest, ExistingNamesInAnotherCaseAreTheSameFile) {
  Write(Data("DataVersion.txt"), "1");
  Write(Cache("DataVersion.txt"), "2");
  WritePost(Cache("Post/Mill"), 2, "cache");
  WritePost(Cache("Post/Lathe"), 1, "cache");
  WritePost(Data("Post/Mill"), 1, "data");
  fs::rename(Data("Post/Mill/a.fas"), Data("Post/Mill/A.FAS"));
  Write(Data("Post/Lathe/POSTDESC.TXT"), "mine");  // no dft.pst: the post is new here
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Post/Mill/A.FAS")), "a cache");
  EXPECT_FALSE(fs::exists(Data("Post/Mill/a.fas")));
  EXPECT_EQ(Read(Data("Post/Lathe/POSTDESC.TXT")), "mine");
  EXPECT_EQ(Read(Data("Post/Lathe/dft.pst")), "dft cache");
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(Data("Post/Lathe")))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 7u);  // the seven files of a post, the user's description among them
  for (const auto& entry : fs::directory_iterator(Data("Post/Mill"))) {
    EXPECT_NE(entry.path().filename().string().front(), '.') << "temporary file left behind";
  }
}

TEST_F(DataUpdateTest, RestoresMissingAlwaysPresentFilesWithoutLogging) {
  Write(Data("DataVersion.txt"), "1");
  Write(Cache("DataVersion.txt"), "2");
  for (const char* file : {"precmval.bin", "preceval.bin", "gapmval.bin", "gapeval.bin"}) {
    Write(Cache(std::string("kvdesign/kvdesign/") + file), std::string("cache ") + file);
  }
  Write(Data("kvdesign/kvdesign/gapmval.bin"), "mine");
  kv::testing::WriteMenuArchive(Cache("kvdesign/win/kvdesignribbon2024.cuix"), "7");
  kv::testing::WriteMenuArchive(Cache("kvdesign/win/kvdieribbon2024.cuix"), "7");
  kv::testing::WriteMenuArchive(Data("kvdesign/win/kvdieribbon2024.cuix"), "7");

  ASSERT_TRUE(Run());

  EXPECT_EQ(Read(Data("kvdesign/kvdesign/precmval.bin")), "cache precmval.bin");
  EXPECT_EQ(Read(Data("kvdesign/kvdesign/gapmval.bin")), "mine");
  EXPECT_EQ(Read(Data("kvdesign/win/kvdesignribbon2024.cuix")),
            Read(Cache("kvdesign/win/kvdesignribbon2024.cuix")));
  EXPECT_TRUE(LogEntries().empty());
  // 3 data files and 1 ribbon supplied; the menu check then found equal versions, so
  // the update itself says that new menus arrived.
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::wstring>{
                L"New menu files were copied into your data directory.\nYou will have to re-start "
                L"AutoCAD or Kestrel for them to take effect.",
                Updated(4)}));
}

TEST_F(DataUpdateTest, AlwaysPresentFilesAreNotLookedAtWithoutANewerCache) {
  Write(Data("DataVersion.txt"), "2");
  Write(Cache("DataVersion.txt"), "2");
  Write(Cache("kvdesign/kvdesign/precmval.bin"), "x");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(fs::exists(Data("kvdesign")));
  EXPECT_TRUE(MessageTexts().empty());
  EXPECT_TRUE(LogEntries().empty());
  // Each call stamps the log again, appending.
  ASSERT_TRUE(Run());
  const std::string log = Read(Data("DataManagerLog.txt"));
  EXPECT_EQ(log.size(), 2 * 28u);
  EXPECT_EQ(log.substr(24, 4), "\r\n\r\n");
}

TEST_F(DataUpdateTest, LinkLoopsInACacheAreCopiedAroundNotInto) {
  Write(Data("DataVersion.txt"), "1");
  Write(Cache("DataVersion.txt"), "2");
  Write(Cache("Tools/a/mill.tdb"), "mill");
  Write(Cache("Tools/z/last.tdb"), "last");
  fs::create_directory_symlink(Cache("Tools"), Cache("Tools/a/loop"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Tools/a/mill.tdb")), "mill");
  EXPECT_EQ(Read(Data("Tools/z/last.tdb")), "last");
  EXPECT_FALSE(fs::exists(Data("Tools/a/loop/a")));
}

// Links in a cache are followed only where they stay inside it: a link out of the cache
// used to copy outside files into the data path, and a link to the data path copied the
// data path into itself, folder in folder, for minutes. (Under the write guard.)
TEST_F(DataUpdateTest, LinksOutOfTheCacheOrIntoTheDataPathArePassedOverAndNoted) {
  Write(Data("DataVersion.txt"), "1");
  Write(Data("mine.txt"), "mine");
  Write(Cache("DataVersion.txt"), "2");
  Write(Cache("Tools/mill.tdb"), "mill");
  Write(Cache("Shared/inside.tdb"), "inside");
  Write(C("Secret/secret.txt"), "secret");
  fs::create_directory_symlink(C("Secret"), Cache("Tools/outside"));
  fs::create_symlink(C("Secret/secret.txt"), Cache("Tools/secret.txt"));
  fs::create_directory_symlink(C("Data"), Cache("Tools/data"));
  fs::create_directory_symlink(Cache("Shared"), Cache("Tools/shared"));
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Tools/mill.tdb")), "mill");
  EXPECT_EQ(Read(Data("Tools/shared/inside.tdb")), "inside");  // inside the cache: followed
  EXPECT_FALSE(fs::exists(Data("Tools/outside")));
  EXPECT_FALSE(fs::exists(Data("Tools/secret.txt")));
  EXPECT_FALSE(fs::exists(Data("Tools/data")));
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{Updated(3)});
  const std::string log = Read(Data("DataManagerLog.txt"));
  const std::string tools = "C:\\Install\\UserDataCache\\Tools/";
  EXPECT_NE(log.find("Not copied (a link that leads out of the cache): " + tools + "outside\r\n"),
            std::string::npos);
  EXPECT_NE(
      log.find("Not copied (a link that leads out of the cache): " + tools + "secret.txt\r\n"),
      std::string::npos);
  EXPECT_NE(log.find("Not copied (a link into the data path): " + tools + "data\r\n"),
            std::string::npos);
}

// A post whose compiled file could not be copied used to get its compile data (and the
// data path the cache's version) all the same: it read as current for ever.
TEST_F(DataUpdateTest, FilesThatCouldNotBeCopiedLeaveThePostAndTheDataPathOlder) {
  Write(Data("DataVersion.txt"), "1");
  Write(Cache("DataVersion.txt"), "2");
  WritePost(Cache("Post/Mill"), 5, "cache");
  WritePost(Data("Post/Mill"), 3, "data");
  fs::remove(Data("Post/Mill/a.fas"));
  fs::create_directories(Data("Post/Mill/a.fas"));  // a folder where the file goes: refused
  Write(Cache("Tools/mill.tdb"), "mill");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Post/Mill/b.FAS")), "b cache");
  EXPECT_NE(Read(Data("Post/Mill/KVPostCompileData.txt")).find("Post Version: 3"),
            std::string::npos);
  EXPECT_EQ(Read(Data("DataVersion.txt")), "1");
  EXPECT_EQ(Read(Data("Tools/mill.tdb")), "mill");
  EXPECT_EQ(MessageTexts(),
            std::vector<std::wstring>{Updated(4) +
                                      L"\nNumber of files that could not be updated = 1"
                                      L"\nThe update will be tried again at the next start. Check "
                                      L"permission levels."});
  EXPECT_NE(Read(Data("DataManagerLog.txt"))
                .find("Could not copy: C:\\Install\\UserDataCache\\Post\\Mill/a.fas to "
                      "C:\\Data\\Post\\Mill/a.fas\r\n"),
            std::string::npos);

  // Once the obstacle is gone, the next start finishes the update.
  fs::remove(Data("Post/Mill/a.fas"));
  ui_.Clear();
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Post/Mill/a.fas")), "a cache");
  EXPECT_NE(Read(Data("Post/Mill/KVPostCompileData.txt")).find("Post Version: 5"),
            std::string::npos);
  EXPECT_EQ(Read(Data("DataVersion.txt")), "2");
}

TEST_F(DataUpdateTest, ReplacesMenuArchivesExactlyWhenVersionsDiffer) {
  struct Row {
    const char* name;
    const char* cacheVersion;  // "corrupt" writes a broken archive
    const char* dataVersion;   // null: no archive in the data path
    bool copied;
  } rows[] = {
      {"2.1 against 2.10", "2.1", "2.10", true},
      {"lower cache version", "1", "2", true},
      {"equal", "3", "3", false},
      {"missing here, cache versioned", "1", nullptr, true},
      {"missing here, cache without version", "", nullptr, false},
      {"cache archive corrupt", "corrupt", "1", false},
      {"data archive corrupt", "4", "corrupt", true},
      {"cache header without attribute", nullptr, "", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot root;
    kv::ScriptedUi& ui = kv::InstallScriptedUi();
    Configure();
    const fs::path c = root.Drive(L'c');
    Write(c / "Data/DataVersion.txt", "1");
    Write(c / "Install/UserDataCache/DataVersion.txt", "2");
    // Present in the data path, so that the always-present copy leaves them alone.
    Write(c / "Data/kvdesign/win/kvdesignribbon2024.cuix", "r");
    Write(c / "Data/kvdesign/win/kvdieribbon2024.cuix", "r");
    const fs::path from = c / "Install/UserDataCache/kvdesign/win/kvdesign.cuix";
    const fs::path to = c / "Data/kvdesign/win/kvdesign.cuix";
    auto write = [](const fs::path& file, const char* version, const char* content) {
      if (version != nullptr && std::string(version) == "corrupt") {
        Write(file, "PK\x03\x04 not really a zip");
      } else {
        kv::testing::WriteMenuArchive(file, version, content);
      }
    };
    write(from, row.cacheVersion, "<cache/>");
    if (row.dataVersion != nullptr) write(to, row.dataVersion, "<data/>");
    const std::string before = fs::exists(to) ? Read(to) : std::string();
    ASSERT_TRUE(Run());
    EXPECT_EQ(fs::exists(to) && Read(to) == Read(from), row.copied);
    if (!row.copied) {
      EXPECT_EQ(fs::exists(to) ? Read(to) : std::string(), before);
    }
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, row.copied ? Updated(1) : kUpToDate);
  }
}

// The compiled menu beside a replaced archive goes when the library unloads; the
// check runs in a child process whose exit unloads it.
TEST_F(DataUpdateTest, StaleCompiledMenuIsDeletedWhenTheLibraryUnloads) {
  Write(Data("DataVersion.txt"), "1");
  Write(Cache("DataVersion.txt"), "2");
  Write(Data("kvdesign/win/kvdesignribbon2024.cuix"), "r");
  Write(Data("kvdesign/win/kvdieribbon2024.cuix"), "r");
  kv::testing::WriteMenuArchive(Cache("kvdesign/win/kvdesign.cuix"), "2");
  kv::testing::WriteMenuArchive(Data("kvdesign/win/kvdesign.cuix"), "1");
  Write(Data("kvdesign/win/kvdesign.mnr"), "compiled");
  Write(Data("kvdesign/win/kvdieribbon2024.mnr"), "compiled, archive unchanged");
  const fs::path stale = Data("kvdesign/win/kvdesign.mnr");

  EXPECT_EXIT(
      {
        kv::ScriptedUi& ui = kv::InstallScriptedUi();
        const bool ok = Run();
        const bool messages = ui.Messages().size() == 2 &&
                              ui.Messages()[0].text.find(L"New menu files were copied") == 0 &&
                              ui.Messages()[1].text == Updated(1);
        // Still there while the library is loaded; the next update from a newer cache
        // says it again although it replaces nothing.
        const bool present = fs::exists(stale);
        ui.Clear();
        Write(Cache("DataVersion.txt"), "3");
        Run();
        const bool again = ui.Messages().size() == 2 &&
                           ui.Messages()[0].text.find(L"New menu files were copied") == 0 &&
                           ui.Messages()[1].text == kUpToDate;
        std::exit(ok && messages && present && again && fs::exists(stale) ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(Data("kvdesign/win/kvdieribbon2024.mnr")));
}

TEST_F(DataUpdateTest, FailuresAreToldAndNothingIsCopied) {
  struct Row {
    const char* name;
    const wchar_t* dataPath;  // null: no value
    bool logIsAFolder;
    const wchar_t* message;
  } rows[] = {
      {"no data path", nullptr, false, L"No Data Path directory set\nPlease reinstall."},
      {"data path can't be created", L"Q:\\Data", false,
       L"Error creating the Data Path directory\nQ:\\Data\\\nCheck permission levels."},
      {"log can't be opened", L"C:\\Data\\", true,
       L"Error creating the DataManagerLog.txt file in the Data Path Directory.\nC:\\Data\\\nCheck "
       L"permission levels."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot root;
    kv::ScriptedUi& ui = kv::InstallScriptedUi();
    ASSERT_TRUE(
        kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Install Path", L"C:\\Install\\")
            .ok());
    if (row.dataPath) {
      ASSERT_TRUE(
          kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Data Path", row.dataPath).ok());
    }
    const fs::path c = root.Drive(L'c');
    if (row.logIsAFolder) fs::create_directories(c / "Data/DataManagerLog.txt");
    Write(c / "Install/UserDataCache/DataVersion.txt", "2");
    Write(c / "Install/UserDataCache/Tools/t.txt", "t");
    EXPECT_FALSE(MigrateDataFromUserCache(kKey, nullptr));
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, row.message);
    EXPECT_EQ(ui.Messages()[0].buttons, static_cast<unsigned>(kv::kMbOk));
    EXPECT_FALSE(fs::exists(c / "Data/Tools"));
    EXPECT_FALSE(fs::exists(c / "Data/DataVersion.txt"));
    EXPECT_TRUE(ui.Progress().empty());
  }
}

TEST_F(DataUpdateTest, SharedPathNoticeOnlyForAConfiguredSharedFolder) {
  const std::wstring notice =
      L"\n\nYour Kestrel Systems Software is currently configured to update from a shared path."
      L"\nA network administrator or person with administrator rights must complete the"
      L"\nNetwork update by running the Kestrel Systems Data Manager command."
      L"\n\nNotice: Your LOCAL (on this computer) data files have been updated.";
  struct Row {
    const char* name;
    kv::Hive hive;
    const wchar_t* value;  // null: none configured
    bool notice;
  } rows[] = {
      {"none configured", kv::Hive::kCurrentUser, nullptr, false},
      {"network folder of the user", kv::Hive::kCurrentUser, L"\\\\srv\\share", true},
      {"machine-wide folder", kv::Hive::kLocalMachine, L"D:\\Shared\\", true},
      {"the installation itself", kv::Hive::kCurrentUser, L"c:\\INSTALL", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempRoot root;
    kv::ScriptedUi& ui = kv::InstallScriptedUi();
    Configure();
    if (row.value) {
      const wchar_t* name =
          row.hive == kv::Hive::kCurrentUser ? L"NetworkDataCache Path" : L"UserDataCache Path";
      ASSERT_TRUE(kv::WriteRegistryText(row.hive, kKey, name, row.value).ok());
    }
    const fs::path c = root.Drive(L'c');
    Write(c / "Install/UserDataCache/DataVersion.txt", "2");
    Write(c / "Install/UserDataCache/Tools/t.txt", "t");
    ASSERT_TRUE(Run());
    ASSERT_EQ(ui.Messages().size(), 1u);
    EXPECT_EQ(ui.Messages()[0].text, Updated(1) + (row.notice ? notice : L""));
  }
}

TEST_F(DataUpdateTest, NetworkCacheUpdatesWhenTheInstallCacheIsNotNewer) {
  fs::create_directories(root_.path() / "unc/srv/share");
  ASSERT_TRUE(kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"NetworkDataCache Path",
                                    L"\\\\srv\\share")
                  .ok());
  const fs::path network = root_.path() / "unc/srv/share/Kestrel Systems/UserDataCache";
  Write(Data("DataVersion.txt"), "2024.2");
  Write(Cache("DataVersion.txt"), "2024.2");
  Write(Cache("Install only/x.txt"), "x");
  Write(network / "DataVersion.txt", "2024.3");
  Write(network / "Shared/s.txt", "s");
  ASSERT_TRUE(Run());
  EXPECT_EQ(Read(Data("Shared/s.txt")), "s");
  EXPECT_FALSE(fs::exists(Data("Install only")));
  EXPECT_EQ(Read(Data("DataVersion.txt")), "2024.3");
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{Updated(1)});
  const std::vector<std::string> entries = LogEntries();
  EXPECT_EQ(entries, (std::vector<std::string>{
                         "Source: \\\\srv\\share\\Kestrel Systems\\UserDataCache\\Shared/s.txt",
                         "Destination: C:\\Data\\Shared/s.txt"}));
  // Nothing newer on the next start.
  ui_.Clear();
  ASSERT_TRUE(Run());
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(DataUpdateTest, UnconfiguredCachesAreNotLookedForInTheCurrentFolder) {
  const fs::path relative = root_.path() / "cwd";
  Write(relative / "Kestrel Systems/UserDataCache/DataVersion.txt", "9");
  Write(relative / "Kestrel Systems/UserDataCache/Stray/s.txt", "s");
  Write(relative / "UserDataCache/DataVersion.txt", "9");
  Write(relative / "UserDataCache/Stray/s.txt", "s");
  Write(Data("DataVersion.txt"), "1");
  {
    kv::RegKey key;
    ASSERT_TRUE(kv::RegKey::Open(kv::Hive::kLocalMachine, kKey, kv::kKeySetValue, &key).ok());
    ASSERT_TRUE(key.DeleteValue(L"Install Path").ok());
  }
  const fs::path previous = fs::current_path();
  fs::current_path(relative);
  const bool ok = Run();
  fs::current_path(previous);
  ASSERT_TRUE(ok);
  EXPECT_FALSE(fs::exists(Data("Stray")));
  EXPECT_TRUE(MessageTexts().empty());
}

TEST_F(DataUpdateTest, ProgressWindowAndInventorPreferences) {
  {
    kv::RegKey preferences;  // a value the user turned off is turned on again
    ASSERT_TRUE(kv::RegKey::Create(
                    kv::Hive::kCurrentUser,
                    L"SOFTWARE\\Autodesk\\Inventor\\RegistryVersion26.0\\System\\Preferences",
                    kv::kKeySetValue, &preferences)
                    .ok());
    ASSERT_TRUE(preferences.SetValue(L"LoadRegisterBasedAddins", kv::RegValue::Dword(0)).ok());
  }
  Write(Cache("DataVersion.txt"), "1");
  Write(Cache("A/a.txt"), "a");
  Write(Cache("Plotters/p.txt"), "p");
  Write(Cache("B/b.txt"), "b");
  ASSERT_TRUE(Run());
  EXPECT_EQ(MessageTexts(), std::vector<std::wstring>{Updated(2)});

  const std::vector<kv::ProgressEvent>& events = ui_.Progress();
  auto has = [&](kv::ProgressEvent::Kind kind, const std::wstring& text, int a, int b) {
    return std::any_of(events.begin(), events.end(), [&](const kv::ProgressEvent& e) {
      return e.kind == kind && e.text == text && e.a == a && e.b == b;
    });
  };
  EXPECT_TRUE(has(kv::ProgressEvent::kMessage,
                  L"Please wait while the data files are copied to your data directory.", 0, 0));
  EXPECT_TRUE(has(kv::ProgressEvent::kRange, L"", 0, 3));  // skipped folders counted too
  EXPECT_TRUE(has(kv::ProgressEvent::kPath, L"C:\\Data\\A", 0, 0));
  EXPECT_TRUE(has(kv::ProgressEvent::kPath, L"C:\\Data\\B", 0, 0));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front().kind, kv::ProgressEvent::kOpen);
  EXPECT_EQ(events.front().text, L"Copying Data Files");
  EXPECT_EQ(events.back().kind, kv::ProgressEvent::kClose);

  for (const wchar_t* key :
       {L"SOFTWARE\\Autodesk\\Inventor\\RegistryVersion26.0\\System\\Preferences",
        L"SOFTWARE\\Autodesk\\Inventor\\RegistryVersion27.0\\System\\Preferences"}) {
    kv::RegKey preferences;
    ASSERT_TRUE(
        kv::RegKey::Open(kv::Hive::kCurrentUser, key, kv::kKeyQueryValue, &preferences).ok());
    kv::RegValue value;
    ASSERT_TRUE(preferences.QueryValue(L"LoadRegisterBasedAddins", &value).ok());
    EXPECT_EQ(value, kv::RegValue::Dword(1));
  }
}

}  // namespace
