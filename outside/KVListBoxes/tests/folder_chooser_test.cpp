#include "KVListBoxes/folder_chooser.h"

#include <string>

#include <gtest/gtest.h>

#include "temp_root.h"

namespace {

class FolderChooserTest : public kv::testing::RootTest {};

TEST_F(FolderChooserTest, RefusedFoldersAreChosenAgainAndCancelKeepsTheBuffer) {
  std::filesystem::create_directories(root_.Drive(L'c') / "NC");
  const std::wstring tooLong = L"C:\\" + std::wstring(kFolderPathSize, L'x');
  ui_.QueueFolder(L"C:\\Missing\\");
  ui_.QueueFolder(tooLong);
  ui_.QueueFolder(L"C:\\NC\\");
  wchar_t buffer[kFolderPathSize] = L"C:\\Old\\";
  ASSERT_TRUE(kv_BrowseForFolder(buffer, 0, kFolderMustExist, nullptr));
  EXPECT_EQ(std::wstring(buffer), L"C:\\NC\\");
  ASSERT_EQ(ui_.FolderChoosers().size(), 3u);
  for (const auto& shown : ui_.FolderChoosers()) EXPECT_EQ(shown.initialFolder, L"C:\\Old\\");
  ASSERT_EQ(ui_.Messages().size(), 2u);
  EXPECT_EQ(ui_.Messages()[0].text, L"The folder does not exist:\nC:\\Missing\\");
  EXPECT_NE(ui_.Messages()[1].text.find(L"at most 259 characters"), std::wstring::npos);

  // Without the option a folder still to be made is taken; nothing queued cancels.
  ui_.QueueFolder(L"C:\\New\\");
  EXPECT_TRUE(kv_BrowseForFolder(buffer, 0, 0, nullptr));
  EXPECT_EQ(std::wstring(buffer), L"C:\\New\\");
  EXPECT_FALSE(kv_BrowseForFolder(buffer, 0, kFolderMustExist, nullptr));
  EXPECT_EQ(std::wstring(buffer), L"C:\\New\\");
}

TEST_F(FolderChooserTest, AnUnterminatedBufferIsReadOnlyToItsEnd) {
  wchar_t buffer[kFolderPathSize];
  std::fill(buffer, buffer + kFolderPathSize, L'a');
  EXPECT_FALSE(kv_BrowseForFolder(buffer, 0, 0, nullptr));
  ASSERT_EQ(ui_.FolderChoosers().size(), 1u);
  EXPECT_EQ(ui_.FolderChoosers()[0].initialFolder, std::wstring(kFolderPathSize, L'a'));
}

}  // namespace
