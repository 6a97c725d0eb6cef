#include "KVPlatform/file_system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include <gtest/gtest.h>

#include "file_fault.h"
#include "temp_root.h"

namespace kv {
namespace {

using testing::TempRoot;

TEST(Wildcard, WindowsSemantics) {
  struct Row {
    const wchar_t* pattern;
    const wchar_t* name;
    bool match;
  };
  const Row rows[] = {
      {L"*.*", L"noextension", true},      {L"*.*", L".hidden", true},
      {L"*", L"anything.at.all", true},    {L"*.txt", L"Notes.TXT", true},
      {L"*.txt", L"notes.txt.bak", false}, {L"?.nc", L"a.nc", true},
      {L"?.nc", L"ab.nc", false},          {L"part??.dwg", L"PART01.DWG", true},
      {L"a*b*c", L"aXXbYYc", true},        {L"a*b*c", L"aXXbYY", false},
      {L"*.cuix", L"acad.cuix", true},     {L"dft.*", L"dft", true},
      {L"dft.*", L"dft.pst", true},        {L"dft.*", L"dftx", false},
      {L"*.fas", L"post.fas.old", false},  {L"***x", L"x", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(row.pattern) + L" ~ " + row.name));
    EXPECT_EQ(MatchesWildcard(row.pattern, row.name), row.match);
  }
}

class FileSystemTest : public testing::RootTest {
 protected:
  std::filesystem::path C(const std::string& relative) { return root_.Drive(L'c') / relative; }
};

std::vector<std::wstring> List(std::wstring_view searchPath) {
  std::vector<std::wstring> names;
  std::unique_ptr<DirectorySearch> search;
  if (!DirectorySearch::Start(searchPath, &search).ok()) return names;
  do {
    names.push_back(search->Entry().name + (search->Entry().isDirectory ? L"/" : L""));
  } while (search->Next());
  return names;
}

TEST_F(FileSystemTest, DirectorySearchListsDotsFirstThenByName) {
  TempRoot::WriteFile(C("data/b.txt"), "12345");
  TempRoot::WriteFile(C("data/A.TXT"), "1");
  TempRoot::WriteFile(C("data/c.dat"), "");
  std::filesystem::create_directories(C("data/Posts"));
  EXPECT_EQ(List(L"C:\\DATA\\*.*"),
            (std::vector<std::wstring>{L"./", L"../", L"A.TXT", L"b.txt", L"c.dat", L"Posts/"}));
  EXPECT_EQ(List(L"c:/data/*.txt"), (std::vector<std::wstring>{L"A.TXT", L"b.txt"}));
  EXPECT_EQ(List(L"C:\\data\\B.TXT"), (std::vector<std::wstring>{L"b.txt"}));

  std::unique_ptr<DirectorySearch> search;
  ASSERT_TRUE(DirectorySearch::Start(L"C:\\data\\b.txt", &search).ok());
  EXPECT_EQ(search->Entry().size, 5u);
  EXPECT_FALSE(search->Next());
  EXPECT_EQ(DirectorySearch::Start(L"C:\\data\\*.none", &search).code(), kErrorFileNotFound);
  EXPECT_EQ(DirectorySearch::Start(L"C:\\missing\\*.*", &search).code(), kErrorPathNotFound);
  EXPECT_EQ(DirectorySearch::Start(L"Q:\\*.*", &search).code(), kErrorPathNotFound);
}

TEST_F(FileSystemTest, CreateAndRemoveFoldersGiveWin32Codes) {
  EXPECT_TRUE(CreateDirectory(L"C:\\new").ok());
  EXPECT_EQ(CreateDirectory(L"C:\\NEW").code(), kErrorAlreadyExists);
  EXPECT_EQ(CreateDirectory(L"C:\\missing\\child").code(), kErrorPathNotFound);
  EXPECT_EQ(CreateDirectory(L"Q:\\x").code(), kErrorPathNotFound);
  TempRoot::WriteFile(C("new/file"), "x");
  EXPECT_EQ(RemoveDirectory(L"C:\\new").code(), kErrorDirNotEmpty);
  EXPECT_TRUE(DeleteFile(L"C:\\new\\file").ok());
  EXPECT_TRUE(RemoveDirectory(L"C:\\new").ok());
  EXPECT_EQ(RemoveDirectory(L"C:\\new").code(), kErrorFileNotFound);
}

TEST_F(FileSystemTest, CopyFileKeepsOrReplacesAsAsked) {
  TempRoot::WriteFile(C("src.txt"), "new contents");
  TempRoot::WriteFile(C("dst.txt"), "old");
  EXPECT_EQ(CopyFile(L"C:\\src.txt", L"C:\\dst.txt", true).code(), kErrorFileExists);
  EXPECT_EQ(TempRoot::ReadFile(C("dst.txt")), "old");
  EXPECT_TRUE(CopyFile(L"C:\\SRC.TXT", L"C:\\dst.txt", false).ok());
  EXPECT_EQ(TempRoot::ReadFile(C("dst.txt")), "new contents");
  EXPECT_TRUE(CopyFile(L"C:\\src.txt", L"C:\\fresh.txt", true).ok());
  EXPECT_EQ(TempRoot::ReadFile(C("fresh.txt")), "new contents");

  EXPECT_EQ(CopyFile(L"C:\\none.txt", L"C:\\x.txt", false).code(), kErrorFileNotFound);
  EXPECT_EQ(CopyFile(L"C:\\nodir\\none.txt", L"C:\\x.txt", false).code(), kErrorPathNotFound);
  EXPECT_EQ(CopyFile(L"C:\\src.txt", L"C:\\nodir\\x.txt", false).code(), kErrorPathNotFound);

  // A read-only destination is refused, as Windows refuses it, and stays intact.
  chmod(C("dst.txt").c_str(), 0444);
  EXPECT_EQ(CopyFile(L"C:\\src.txt", L"C:\\dst.txt", false).code(), kErrorAccessDenied);
  EXPECT_EQ(DeleteFile(L"C:\\dst.txt").code(), kErrorAccessDenied);
  // No temporary file is left behind by any of this.
  EXPECT_EQ(List(L"C:\\.*"), (std::vector<std::wstring>{L"./", L"../"}));
}

TEST_F(FileSystemTest, AFailedCopyLeavesTheDestinationAsItWas) {
  using host::FileStep;
  TempRoot::WriteFile(C("src.txt"), "new contents");
  TempRoot::WriteFile(C("dst.txt"), "old");
  const std::pair<FileStep, int> steps[] = {
      {FileStep::kOpen, 1}, {FileStep::kOpen, 2}, {FileStep::kWrite, 1}, {FileStep::kRename, 1}};
  for (const auto& [step, nth] : steps) {
    SCOPED_TRACE(static_cast<int>(step) * 10 + nth);
    testing::FileFault fault(step, nth, kErrorDiskFull);
    EXPECT_EQ(CopyFile(L"C:\\src.txt", L"C:\\dst.txt", false).code(), kErrorDiskFull);
    EXPECT_TRUE(fault.fired());
    EXPECT_EQ(TempRoot::ReadFile(C("dst.txt")), "old");
    EXPECT_EQ(List(L"C:\\.*"), (std::vector<std::wstring>{L"./", L"../"}));
  }
}

TEST_F(FileSystemTest, CopyFileHandlesLongNamesAndClosedFolders) {
  const std::string longName(250, 'n');  // near the host's limit of 255 bytes a name
  TempRoot::WriteFile(C("src.txt"), "contents");
  std::filesystem::create_directories(C("dst"));
  const std::wstring target = L"C:\\dst\\" + std::wstring(longName.begin(), longName.end());
  EXPECT_TRUE(CopyFile(L"C:\\src.txt", target, false).ok());
  EXPECT_EQ(TempRoot::ReadFile(C("dst/" + longName)), "contents");

  // A folder that takes no new files still lets an existing writable file be replaced.
  TempRoot::WriteFile(C("closed/existing.txt"), "old");
  chmod(C("closed").c_str(), 0555);
  if (access(C("closed").c_str(), W_OK) != 0) {  // as root the folder stays writable
    EXPECT_TRUE(CopyFile(L"C:\\src.txt", L"C:\\closed\\existing.txt", false).ok());
    EXPECT_EQ(TempRoot::ReadFile(C("closed/existing.txt")), "contents");
    EXPECT_EQ(CopyFile(L"C:\\src.txt", L"C:\\closed\\new.txt", false).code(), kErrorAccessDenied);
  }
  chmod(C("closed").c_str(), 0755);
}

TEST_F(FileSystemTest, SearchReportsLinksAndIdentities) {
  std::filesystem::create_directories(C("tree/real"));
  std::filesystem::create_directory_symlink(C("tree/real"), C("tree/link"));
  std::filesystem::create_symlink(C("tree/missing"), C("tree/dangling"));
  std::unique_ptr<DirectorySearch> search;
  ASSERT_TRUE(DirectorySearch::Start(L"C:\\tree\\*", &search).ok());
  std::map<std::wstring, DirectoryEntry> entries;
  do entries[search->Entry().name] = search->Entry();
  while (search->Next());
  ASSERT_EQ(entries.size(), 5u);  // . .. dangling link real
  EXPECT_TRUE(entries[L"link"].isLink);
  EXPECT_TRUE(entries[L"link"].isDirectory);
  EXPECT_FALSE(entries[L"real"].isLink);
  EXPECT_EQ(entries[L"link"].identity, entries[L"real"].identity);
  EXPECT_TRUE(entries[L"dangling"].isLink);
  EXPECT_FALSE(entries[L"dangling"].isDirectory);
  FileStatus status;
  ASSERT_TRUE(GetFileStatus(L"C:\\tree\\real", &status).ok());
  EXPECT_EQ(status.identity, entries[L"real"].identity);
}

TEST_F(FileSystemTest, AccessModes) {
  TempRoot::WriteFile(C("rw.txt"), "x");
  TempRoot::WriteFile(C("ro.txt"), "x");
  chmod(C("ro.txt").c_str(), 0444);
  EXPECT_TRUE(Access(L"C:\\rw.txt", 0).ok());
  EXPECT_TRUE(Access(L"C:\\rw.txt", 6).ok());
  EXPECT_TRUE(Access(L"C:\\ro.txt", 4).ok());
  EXPECT_EQ(Access(L"C:\\ro.txt", 2).code(), kErrorAccessDenied);
  EXPECT_EQ(Access(L"C:\\ro.txt", 6).code(), kErrorAccessDenied);
  EXPECT_EQ(Access(L"C:\\none.txt", 0).code(), kErrorFileNotFound);
  EXPECT_EQ(Access(L"C:\\rw.txt", 1).code(), kErrorInvalidParameter);
  FileStatus status;
  ASSERT_TRUE(GetFileStatus(L"C:\\ro.txt", &status).ok());
  EXPECT_TRUE(status.readOnly);
  EXPECT_EQ(status.size, 1u);
}

TEST_F(FileSystemTest, MoveFileNeverReplaces) {
  TempRoot::WriteFile(C("a.txt"), "a");
  TempRoot::WriteFile(C("b.txt"), "b");
  EXPECT_EQ(MoveFile(L"C:\\a.txt", L"C:\\b.txt").code(), kErrorAlreadyExists);
  EXPECT_TRUE(MoveFile(L"C:\\a.txt", L"C:\\c.txt").ok());
  EXPECT_EQ(TempRoot::ReadFile(C("c.txt")), "a");
  EXPECT_EQ(MoveFile(L"C:\\a.txt", L"C:\\d.txt").code(), kErrorFileNotFound);
}

TEST_F(FileSystemTest, DriveTypeAndFreeSpace) {
  EXPECT_EQ(GetDriveType(L"C:\\"), DriveType::kFixed);
  EXPECT_EQ(GetDriveType(L"Q:\\"), DriveType::kNoRootDirectory);
  EXPECT_EQ(GetDriveType(L"\\\\s"), DriveType::kNoRootDirectory);
  uint64_t freeBytes = 0;
  ASSERT_TRUE(GetDiskFreeSpace(L"C:\\", &freeBytes).ok());
  EXPECT_GT(freeBytes, 0u);
  EXPECT_FALSE(GetDiskFreeSpace(L"Q:\\", &freeBytes).ok());
  freeBytes = 0;
  EXPECT_TRUE(GetDiskFreeSpace(L"C:\\not\\yet\\made", &freeBytes).ok());  // its volume
  EXPECT_GT(freeBytes, 0u);

  SetDriveTypeHook([](std::wstring_view root, DriveType* type) {
    if (root != L"N:\\") return false;
    *type = DriveType::kRemote;
    return true;
  });
  SetFreeSpaceHook([](std::wstring_view, uint64_t* bytes) {
    *bytes = 42;
    return true;
  });
  EXPECT_EQ(GetDriveType(L"N:\\"), DriveType::kRemote);
  EXPECT_EQ(GetDriveType(L"C:\\"), DriveType::kFixed);
  EXPECT_TRUE(GetDiskFreeSpace(L"C:\\", &freeBytes).ok());
  EXPECT_EQ(freeBytes, 42u);
  SetDriveTypeHook({});
  SetFreeSpaceHook({});
  EXPECT_EQ(GetDriveType(L"N:\\"), DriveType::kNoRootDirectory);
}

}  // namespace
}  // namespace kv
