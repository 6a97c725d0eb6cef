#include "KVPlatform/path.h"
#include "KVPlatform/file_handle.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "kvhost/host_path.h"

#include <gtest/gtest.h>

#include "temp_root.h"

namespace kv {
namespace {

TEST(ParseWindowsPath, SplitsEveryForm) {
  struct Row {
    const wchar_t* path;
    PathKind kind;
    wchar_t drive;
    const wchar_t* server;
    const wchar_t* share;
    std::vector<std::wstring> components;
  };
  const Row rows[] = {
      {L"C:\\data\\post", PathKind::kDrive, L'c', L"", L"", {L"data", L"post"}},
      {L"d:/data\\post/", PathKind::kDrive, L'd', L"", L"", {L"data", L"post"}},
      {L"C:", PathKind::kDrive, L'c', L"", L"", {}},
      {L"C:relative", PathKind::kDrive, L'c', L"", L"", {L"relative"}},
      {L"C:\\a\\.\\b\\..\\c", PathKind::kDrive, L'c', L"", L"", {L"a", L"b", L"..", L"c"}},
      {L"\\\\srv\\share\\jobs\\x.nc", PathKind::kUnc, 0, L"srv", L"share", {L"jobs", L"x.nc"}},
      {L"//srv/share", PathKind::kUnc, 0, L"srv", L"share", {}},
      {L"\\\\s", PathKind::kUnc, 0, L"s", L"", {}},
      {L"/home/ann/data\\post", PathKind::kHost, 0, L"", L"", {L"home", L"ann", L"data", L"post"}},
      {L"relative\\file.txt", PathKind::kHost, 0, L"", L"", {L"relative", L"file.txt"}},
      {L"", PathKind::kHost, 0, L"", L"", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    const WindowsPath parsed = ParseWindowsPath(row.path);
    EXPECT_EQ(parsed.kind, row.kind);
    EXPECT_EQ(parsed.drive, row.drive);
    EXPECT_EQ(parsed.server, row.server);
    EXPECT_EQ(parsed.share, row.share);
    EXPECT_EQ(parsed.components, row.components);
  }
}

class ResolvePathTest : public kv::testing::RootTest {};

TEST_F(ResolvePathTest, MapsDrivesUncAndHostPaths) {
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(L"C:\\data\\post", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "data" / "post");
  ASSERT_TRUE(host::ResolvePath(L"c:/data\\post", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "data" / "post");
  std::filesystem::create_directories(root_.path() / "unc" / "srv" / "Share");
  ASSERT_TRUE(host::ResolvePath(L"\\\\SRV\\share\\jobs", &host).ok());
  EXPECT_EQ(host, root_.path() / "unc" / "srv" / "Share" / "jobs");
  ASSERT_TRUE(
      host::ResolvePath(L"\\\\srv\\share\\..\\..\\x", &host).ok());  // never above the share
  EXPECT_EQ(host, root_.path() / "unc" / "srv" / "Share" / "x");
  ASSERT_TRUE(host::ResolvePath(L"/tmp\\kv-none\\x", &host).ok());
  EXPECT_EQ(host, std::filesystem::path("/tmp/kv-none/x"));
}

TEST_F(ResolvePathTest, HostPathsMapBackToDrivesAndShares) {
  // Drive D: is a link to a folder outside the root: a path through its target maps too.
  const std::filesystem::path elsewhere = root_.path() / "elsewhere";
  std::filesystem::create_directories(elsewhere / "Jobs");
  root_.MapDrive(L'd', elsewhere);
  std::filesystem::create_directories(root_.Drive(L'c') / "Kestrel" / "Data");
  std::filesystem::create_directories(root_.path() / "unc" / "srv" / "share" / "jobs");
  const struct {
    std::filesystem::path host;
    std::wstring windows;
  } rows[] = {
      {root_.Drive(L'c'), L"C:\\"},
      {root_.Drive(L'c') / "Kestrel" / "Data", L"C:\\Kestrel\\Data"},
      {root_.Drive(L'c') / "Kestrel" / ".." / "Kestrel" / "New", L"C:\\Kestrel\\New"},
      {elsewhere / "Jobs", L"D:\\Jobs"},
      {root_.path() / "unc" / "srv" / "share" / "jobs", L"\\\\srv\\share\\jobs"},
      {root_.path() / "unc" / "srv", (root_.path() / "unc" / "srv").wstring()},
      {"/usr/share", L"/usr/share"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(host::HostToWindowsPath(row.host), row.windows) << row.host;
  }
}

TEST_F(ResolvePathTest, UnmappedDrivesAndIncompleteNamesAreNotFound) {
  std::filesystem::path host;
  EXPECT_EQ(host::ResolvePath(L"Q:\\data", &host).code(), kErrorPathNotFound);
  EXPECT_EQ(host::ResolvePath(L"\\\\server", &host).code(), kErrorPathNotFound);
  std::filesystem::create_directories(root_.path() / "unc" / "srv" / "share");
  EXPECT_EQ(host::ResolvePath(L"\\\\srv\\other\\x", &host).code(), kErrorPathNotFound);
  EXPECT_EQ(host::ResolvePath(L"\\\\srv\\..\\x", &host).code(), kErrorPathNotFound);
  EXPECT_EQ(host::ResolvePath(L"", &host).code(), kErrorPathNotFound);
}

TEST_F(ResolvePathTest, FindsExistingComponentsWithoutRegardToCase) {
  testing::TempRoot::WriteFile(root_.Drive(L'c') / "Users" / "Public" / "DataVersion.txt", "1");
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(L"C:\\USERS\\public\\dataversion.TXT", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "Users" / "Public" / "DataVersion.txt");
  // A new component keeps the caller's spelling, below the existing ones found.
  ASSERT_TRUE(host::ResolvePath(L"c:\\users\\PUBLIC\\NewFolder\\Sub", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "Users" / "Public" / "NewFolder" / "Sub");
  // Non-ASCII names fold too.
  std::filesystem::create_directories(root_.Drive(L'c') / "\xC3\x89t\xC3\xA9");  // Été
  ASSERT_TRUE(host::ResolvePath(L"C:\\\u00E9T\u00C9", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "\xC3\x89t\xC3\xA9");
}

TEST_F(ResolvePathTest, ExactNameWinsOverAnotherCase) {
  std::filesystem::create_directories(root_.Drive(L'c') / "data");
  std::filesystem::create_directories(root_.Drive(L'c') / "DATA");
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(L"C:\\DATA", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "DATA");
  ASSERT_TRUE(host::ResolvePath(L"C:\\data", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "data");
}

TEST_F(ResolvePathTest, DotDotNeverClimbsAboveTheDrive) {
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(L"C:\\a\\..\\..\\..\\b", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'c') / "b");
  ASSERT_TRUE(host::ResolvePath(L"/x/y/../z", &host).ok());
  EXPECT_EQ(host, std::filesystem::path("/x/z"));
}

// The checks see the whole name, a system call would stop at the zero: "C:\\..<0>\\etc"
// would climb above the drive, "C:\\a<0>b" would open C:\\a.
TEST_F(ResolvePathTest, PathsHoldingAZeroAreRefused) {
  using namespace std::string_view_literals;
  root_.WriteFile(root_.Drive(L'c') / "a", "a");
  for (std::wstring_view path : {L"C:\\..\0\\etc"sv, L"C:\\a\0b"sv, L"\\\\s\\h\\..\0\\x"sv}) {
    std::filesystem::path host;
    EXPECT_EQ(host::ResolvePath(path, &host).code(), kErrorInvalidName);
    FileStatus status;
    EXPECT_FALSE(GetFileStatus(path, &status).ok());
    FileHandle file;
    EXPECT_FALSE(FileHandle::OpenForReading(path, &file).ok());
  }
}

TEST(PathNames, RootsAndAbsolutePaths) {
  struct Row {
    const wchar_t* path;
    bool root, absolute;
  } rows[] = {
      {L"", true, false},
      {L".", true, false},
      {L"/", true, true},
      {L"\\", true, true},
      {L"C:", true, true},
      {L"c:/", true, true},
      {L"C:\\..", true, true},
      {L"C:\\a\\..", true, true},
      {L"\\\\srv", true, false},
      {L"\\\\srv\\share\\", true, true},
      {L"//srv/share/..", true, true},
      {L"C:\\data", false, true},
      {L"\\\\srv\\share\\x", false, true},
      {L"/srv", false, true},
      {L"data", false, false},
      {L"..\\x", false, false},
      {L"%DATA%\\x", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(WideToAnsi(row.path));
    EXPECT_EQ(NamesRoot(row.path), row.root);
    EXPECT_EQ(IsAbsolutePath(row.path), row.absolute);
  }
}

TEST_F(ResolvePathTest, DriveMayBeALinkToAnotherFolder) {
  const std::filesystem::path target = root_.path() / "elsewhere";
  std::filesystem::create_directories(target / "Jobs");
  root_.MapDrive(L'e', target);
  std::filesystem::path host;
  ASSERT_TRUE(host::ResolvePath(L"E:\\jobs", &host).ok());
  EXPECT_EQ(host, root_.Drive(L'e') / "Jobs");
}

}  // namespace
}  // namespace kv
