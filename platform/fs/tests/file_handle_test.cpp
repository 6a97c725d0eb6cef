// Scratch files: unnamed, readable and writable, beside a given file or in the
// temporary folder.
#include "KVPlatform/file_handle.h"

#include <string>

#include <gtest/gtest.h>

#include "scoped_env.h"
#include "temp_root.h"

namespace kv {
namespace {

class FileHandleTest : public testing::RootTest {};

TEST_F(FileHandleTest, TemporaryFilesHaveNoName) {
  const std::filesystem::path out = root_.Drive(L'c') / "out",
                              temporary = root_.Drive(L'c') / "temp";
  std::filesystem::create_directories(out);
  std::filesystem::create_directories(temporary);
  const testing::ScopedEnv temporaryFolder("TMPDIR", temporary.c_str());
  for (const wchar_t* beside : {L"C:\\OUT\\archive.zip", L""}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(beside)));
    FileHandle scratch;
    ASSERT_TRUE(FileHandle::CreateTemporary(beside, &scratch).ok());
    ASSERT_TRUE(scratch.WriteAt(0, "scratch data", 12).ok());
    ASSERT_TRUE(scratch.WriteAt(8, "DATA", 4).ok());
    char buffer[16] = {};
    size_t got = 0;
    ASSERT_TRUE(scratch.ReadAt(0, buffer, sizeof buffer, &got).ok());
    EXPECT_EQ(std::string(buffer, got), "scratch DATA");
    EXPECT_TRUE(std::filesystem::is_empty(out));  // nothing named
    EXPECT_TRUE(std::filesystem::is_empty(temporary));
    EXPECT_TRUE(scratch.Close().ok());
  }
  FileHandle scratch;
  EXPECT_EQ(FileHandle::CreateTemporary(L"C:\\missing\\archive.zip", &scratch).code(),
            kErrorPathNotFound);
  EXPECT_FALSE(scratch.valid());
}

}  // namespace
}  // namespace kv
