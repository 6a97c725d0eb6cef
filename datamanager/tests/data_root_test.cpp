#include "KVDataManager/data_root.h"

#include <gtest/gtest.h>

#include "KVPlatform/file_system.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "database_migration.h"
#include "temp_root.h"

namespace {

using kv::datamanager::kSupportTelephone;
using kv::testing::TempRoot;

constexpr const wchar_t* kCurrentKey = L"Software\\Kestrel\\PIECEbank\\2024";

class DataRootTest : public kv::testing::RootTest {
 protected:
  void SetText(kv::Hive hive, const std::wstring& key, const wchar_t* name,
               const std::wstring& text) {
    ASSERT_TRUE(kv::WriteRegistryText(hive, key, name, text).ok());
  }
  std::wstring UserText(const std::wstring& key, const wchar_t* name) {
    std::wstring text = L"<missing>";
    (void)kv::ReadRegistryText(kv::Hive::kCurrentUser, key, name, &text);
    return text;
  }
  static std::wstring YearKey(int year) {
    return L"Software\\Kestrel\\PIECEbank\\" + std::to_wstring(year);
  }
  std::filesystem::path C(const std::string& relative) { return root_.Drive(L'c') / relative; }
};

TEST_F(DataRootTest, ExistingDatabasePathIsTerminatedAndItsFolderMade) {
  root_.MapDrive(L'd');
  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Database Path", L"D:\\Data");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"D:\\Data\\");
  EXPECT_TRUE(std::filesystem::is_directory(root_.Drive(L'd') / "Data"));

  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Database Path", L"D:\\Other/");
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"D:\\Other/");
  EXPECT_TRUE(std::filesystem::is_directory(root_.Drive(L'd') / "Other"));

  // One level only: a missing parent is not made, and that is not a failure.
  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Database Path", L"D:\\a\\b");
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"D:\\a\\b\\");
  EXPECT_FALSE(std::filesystem::exists(root_.Drive(L'd') / "a"));
}

TEST_F(DataRootTest, NoDataPathGivesFalseAndWritesNothing) {
  std::wstring path = L"untouched";
  EXPECT_FALSE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"untouched");
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"<missing>");
}

TEST_F(DataRootTest, FreshInstallationRecordsTheDataPath) {
  SetText(kv::Hive::kLocalMachine, kCurrentKey, L"Data Path", L"C:\\Kestrel\\Data");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\Kestrel\\Data\\");
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Kestrel\\Data\\");
  EXPECT_TRUE(ui_.Messages().empty());
}

TEST_F(DataRootTest, ValuesOfOtherTypesCountAsMissingAndStringsAreNotExpanded) {
  kv::RegKey key;
  ASSERT_TRUE(
      kv::RegKey::Create(kv::Hive::kCurrentUser, kCurrentKey, kv::kKeyAllAccess, &key).ok());
  ASSERT_TRUE(key.SetValue(L"Database Path", kv::RegValue::Dword(7)).ok());
  ASSERT_TRUE(
      key.SetValue(L"Data Path", kv::RegValue::String(L"C:\\%USERDATA%\\Kestrel", kv::kRegExpandSz))
          .ok());
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\%USERDATA%\\Kestrel\\");
}

// An empty value, terminated, would be "\\": the host's root; a relative one would be
// looked up in the working folder. Both count as missing, wherever they are read.
TEST_F(DataRootTest, EmptyAndRelativePathsCountAsMissing) {
  for (const wchar_t* unusable : {L"", L"Kestrel\\Data"}) {
    SCOPED_TRACE(kv::WideToAnsi(unusable));
    SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Database Path", unusable);
    SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", unusable);
    std::wstring path;
    EXPECT_FALSE(kv_GetDataBaseRootPath(path));  // no database path, and no data path
    SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", L"C:\\Data");
    SetText(kv::Hive::kCurrentUser, YearKey(2015), L"Database Path", unusable);
    EXPECT_TRUE(kv_GetDataBaseRootPath(path));  // the earlier year's empty value is passed over
    EXPECT_EQ(path, L"C:\\Data\\");
    EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Data\\");
    SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Database Path", unusable);
  }
}

TEST_F(DataRootTest, EarlierReleaseIsCarriedForwardAndHandedBack) {
  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", L"C:\\Data");
  SetText(kv::Hive::kCurrentUser, YearKey(2015), L"Database Path", L"E:\\PB");
  SetText(kv::Hive::kCurrentUser, YearKey(2010), L"Database Path", L"E:\\Older");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"E:\\PB\\");
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"E:\\PB\\");
  path.clear();
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"E:\\PB\\");
}

TEST_F(DataRootTest, ReleaseJustBeforeTheCurrentOneIsSearched) {
  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", L"C:\\Data");
  SetText(kv::Hive::kCurrentUser, YearKey(2023), L"Database Path", L"E:\\PB2023");
  SetText(kv::Hive::kCurrentUser, YearKey(2022), L"Database Path", L"E:\\PB2022");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"E:\\PB2023\\");
}

class MigrationTest : public DataRootTest {
 protected:
  void SetUp() override {
    SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", L"C:\\Data");
    std::filesystem::create_directories(C("Data"));
  }
  void TearDown() override {
    kv::SetFreeSpaceHook({});
    kv::SetDriveTypeHook({});
  }
  // An old database of `bytes` bytes in every place the move knows, and some it doesn't.
  void MakeOldDatabase(const std::filesystem::path& old) {
    TempRoot::WriteFile(old / "material" / "steel.mat", "steel");
    TempRoot::WriteFile(old / "material" / "old" / "skipped.mat", "x");
    TempRoot::WriteFile(old / "partlib" / "a" / "b" / "deep.prt", "deep");
    TempRoot::WriteFile(old / "kvnest" / "bin" / "nest.exe", "bin");
    TempRoot::WriteFile(old / "kvnest" / "bin" / "sub" / "not-copied.dat", "no");
    TempRoot::WriteFile(old / "kvnest" / "jobs" / "j1" / "job.nst", "job");
    TempRoot::WriteFile(old / "kvnest" / "reports" / "r.txt", "report");
    TempRoot::WriteFile(old / "kvnest" / "other" / "ignored.txt", "ignored");
  }
};

TEST_F(MigrationTest, LocalDatabaseIsCopiedUnderTheProgressWindow) {
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"C:\\OldPB");
  MakeOldDatabase(C("OldPB"));
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\Data\\");
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Data\\");

  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(
      ui_.Messages()[0].text,
      L"NOTE:  An earlier version of your PIECEbank and KV-Nest databases has been detected.\n"
      L"For Microsoft\u00AE Windows\u00AE compliancy, this data will be copied to the following "
      L"location\nand converted for Release 2008 compatibility. This will become your new working "
      L"data.\nThis process may take a few minutes.\n\nC:\\Data\\");
  EXPECT_EQ(ui_.Messages()[0].buttons, unsigned{kv::kMbOk});

  EXPECT_EQ(TempRoot::ReadFile(C("Data/material/steel.mat")), "steel");
  EXPECT_FALSE(std::filesystem::exists(C("Data/material/old")));
  EXPECT_EQ(TempRoot::ReadFile(C("Data/partlib/a/b/deep.prt")), "deep");
  EXPECT_EQ(TempRoot::ReadFile(C("Data/kvnest/bin/nest.exe")), "bin");
  EXPECT_FALSE(std::filesystem::exists(C("Data/kvnest/bin/sub")));
  EXPECT_EQ(TempRoot::ReadFile(C("Data/kvnest/jobs/j1/job.nst")), "job");
  EXPECT_EQ(TempRoot::ReadFile(C("Data/kvnest/reports/r.txt")), "report");
  EXPECT_FALSE(std::filesystem::exists(C("Data/kvnest/other")));
  // Missing source folders still get their destination folders.
  EXPECT_TRUE(std::filesystem::is_directory(C("Data/kvnest/jobs061")));
  EXPECT_TRUE(std::filesystem::is_directory(C("Data/kvnest/dbases")));
  EXPECT_TRUE(std::filesystem::exists(C("Data/DataMigration2008Done.txt")));

  // The progress window: title, message, range 0..7, each folder's path then its step.
  std::vector<std::wstring> paths;
  std::vector<int> positions;
  bool ranged = false, opened = false, closed = false;
  for (const kv::ProgressEvent& event : ui_.Progress()) {
    if (event.kind == kv::ProgressEvent::kOpen) opened = event.text == L"Copying Database Files";
    if (event.kind == kv::ProgressEvent::kRange) ranged = event.a == 0 && event.b == 7;
    if (event.kind == kv::ProgressEvent::kPath) paths.push_back(event.text);
    if (event.kind == kv::ProgressEvent::kPosition) positions.push_back(event.a);
    if (event.kind == kv::ProgressEvent::kClose) closed = true;
  }
  EXPECT_TRUE(opened);
  EXPECT_TRUE(ranged);
  EXPECT_TRUE(closed);
  EXPECT_EQ(positions, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
  ASSERT_EQ(paths.size(), 7u);
  EXPECT_EQ(paths[0], L"C:\\Data\\material");
  EXPECT_EQ(paths[6], L"C:\\Data\\kvnest/reports");

  // Done once: the next start takes the recorded path at once.
  ui_.Clear();
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_TRUE(ui_.Messages().empty());
}

// A move that failed part-way used to write the done marker and store the path: the
// rest of the database was never moved. Now the user is told which folder failed and
// the next start tries again.
TEST_F(MigrationTest, FailedCopyIsToldAndTriedAgain) {
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"C:\\OldPB");
  MakeOldDatabase(C("OldPB"));
  std::filesystem::create_directories(
      C("Data/partlib/a/b/deep.prt"));  // a folder where a file goes
  std::wstring path;
  EXPECT_FALSE(kv_GetDataBaseRootPath(path));
  EXPECT_FALSE(std::filesystem::exists(C("Data/DataMigration2008Done.txt")));
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"<missing>");
  ASSERT_EQ(ui_.Messages().size(), 2u);
  EXPECT_EQ(ui_.Messages()[1].text,
            L"Error copying the database folder\nC:\\OldPB\\partlib\nto\nC:\\Data\\partlib\n"
            L"The databases will be copied again the next time the software starts.\n"
            L"Check permission levels.");
  EXPECT_EQ(ui_.Messages()[1].icon, unsigned{kv::kMbIconError});

  std::filesystem::remove_all(C("Data/partlib/a/b/deep.prt"));
  ui_.Clear();
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(TempRoot::ReadFile(C("Data/partlib/a/b/deep.prt")), "deep");
  EXPECT_TRUE(std::filesystem::exists(C("Data/DataMigration2008Done.txt")));
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Data\\");
}

TEST_F(MigrationTest, DataPathNotYetMadeIsMadeForTheMove) {
  SetText(kv::Hive::kCurrentUser, kCurrentKey, L"Data Path", L"C:\\NewData");
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"C:\\OldPB");
  MakeOldDatabase(C("OldPB"));
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\NewData\\");
  EXPECT_EQ(ui_.Messages().size(), 1u);  // the note only: space was found
  EXPECT_EQ(TempRoot::ReadFile(C("NewData/partlib/a/b/deep.prt")), "deep");
  EXPECT_TRUE(std::filesystem::exists(C("NewData/DataMigration2008Done.txt")));
}

TEST_F(MigrationTest, DoneMarkerSkipsTheCopyButNotTheNote) {
  SetText(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank", L"Database Path",
          L"C:\\OldPB\\");
  MakeOldDatabase(C("OldPB"));
  TempRoot::WriteFile(C("Data/DataMigration2008Done.txt"), "");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(ui_.Messages().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(C("Data/material")));
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Data\\");
}

TEST_F(MigrationTest, NetworkDatabaseStaysWhereItIs) {
  root_.MapDrive(L'n');
  MakeOldDatabase(root_.Drive(L'n') / "PB");
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"N:\\PB");
  kv::SetDriveTypeHook([](std::wstring_view root, kv::DriveType* type) {
    *type = root == L"N:\\" ? kv::DriveType::kRemote : kv::DriveType::kFixed;
    return true;
  });
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\Data\\");
  ASSERT_EQ(ui_.Messages().size(), 1u);
  EXPECT_EQ(
      ui_.Messages()[0].text,
      L"IMPORTANT NOTE:  An earlier version of your PIECEbank and KV-Nest databases has been "
      L"detected\non the following networked drive:\n\nN:\\PB\\\n\nThis data WILL NOT be "
      L"connected to automatically as it will require a conversion for Release 2008\n"
      L"compatibility. This could affect other Kestrel Systems users. This Library Path will be "
      L"set to your local\nsystem. The Library Path can be redirected to the network location in "
      L"the KV-Design Preferences;\nhowever, it is strongly recommended that you consult with your "
      L"IT department before connecting to\nnetworked data as a conversion will be performed. For "
      L"technical assistance, please contact Kestrel\nSystems Technical Support at " +
          std::wstring(kSupportTelephone) + L".\n\nThis dialog will not be displayed again.");
  EXPECT_FALSE(std::filesystem::exists(C("Data/material")));
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"C:\\Data\\");
}

TEST_F(MigrationTest, UncPathCountsAsLocal) {
  MakeOldDatabase(root_.path() / "unc" / "srv" / "share" / "PB");
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"\\\\srv\\share\\PB");
  std::wstring path;
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(TempRoot::ReadFile(C("Data/material/steel.mat")), "steel");
}

TEST_F(MigrationTest, DiskSpaceIsCheckedAgainOnEveryRetry) {
  SetText(kv::Hive::kCurrentUser, YearKey(2007), L"Database Path", L"C:\\OldPB");
  MakeOldDatabase(C("OldPB"));
  // Counted: steel(5) + skipped(1) + deep(4) + bin(3) + no(2) + job(3) + report(6) = 24;
  // four thirds is 32. The "other" folder is not one of the seven.
  uint64_t freeBytes = 31;
  kv::SetFreeSpaceHook([&freeBytes](std::wstring_view, uint64_t* bytes) {
    *bytes = freeBytes;
    return true;
  });
  ui_.QueueAnswer(kv::kIdOk);  // the note
  ui_.QueueAnswer(kv::kIdRetry);
  ui_.QueueAnswer(kv::kIdCancel);
  std::wstring path;
  EXPECT_FALSE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(path, L"C:\\Data\\");
  EXPECT_EQ(UserText(kCurrentKey, L"Database Path"), L"<missing>");
  ASSERT_EQ(ui_.Messages().size(), 3u);  // the note, then the space message twice
  EXPECT_EQ(ui_.Messages()[1].text,
            L"There is not enough disk space available to copy the databases to the new location.\n"
            L"Please free of some disk space and press Retry.");
  EXPECT_EQ(ui_.Messages()[1].buttons, unsigned{kv::kMbRetryCancel});
  EXPECT_FALSE(std::filesystem::exists(C("Data/material")));

  // The next start asks again; space was freed meanwhile, found on Retry.
  ui_.Clear();
  ui_.QueueAnswer(kv::kIdOk);
  ui_.QueueAnswer(kv::kIdRetry);
  kv::SetFreeSpaceHook([&freeBytes](std::wstring_view, uint64_t* bytes) {
    *bytes = freeBytes;
    freeBytes = 32;  // freed while the message was up
    return true;
  });
  EXPECT_TRUE(kv_GetDataBaseRootPath(path));
  EXPECT_EQ(ui_.Messages().size(), 2u);
  EXPECT_EQ(TempRoot::ReadFile(C("Data/material/steel.mat")), "steel");
}

}  // namespace
