// kvdbroot run as a program: what its help promises, and the warning for a root that
// lies on a drive no folder maps.
#include <gtest/gtest.h>

#include <string>

#include "KVPlatform/registry.h"
#include "run_program.h"
#include "temp_root.h"

namespace {

TEST(KvdbrootTest, HelpSaysWhatTheFirstRunChanges) {
  const kv::testing::ProgramRun run =
      kv::testing::RunProgram(std::string(KVDBROOT_PROGRAM) + " --help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("stores it in the\nregistry"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("moving a pre-2008 database"), std::string::npos) << run.out;
}

TEST(KvdbrootTest, WarnsWhenTheRootIsOnAnUnmappedDrive) {
  kv::testing::TempRoot root;
  ASSERT_TRUE(kv::WriteRegistryText(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024",
                                    L"Database Path", L"Q:\\PB")
                  .ok());
  const kv::testing::ProgramRun run = kv::testing::RunProgram(KVDBROOT_PROGRAM);
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Database root: Q:\\PB\\"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("warning: drive Q: of the database root is not mapped"), std::string::npos)
      << run.out;

  ASSERT_TRUE(kv::WriteRegistryText(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024",
                                    L"Database Path", L"C:\\PB")
                  .ok());
  EXPECT_EQ(kv::testing::RunProgram(KVDBROOT_PROGRAM).out.find("warning"), std::string::npos);
}

}  // namespace
