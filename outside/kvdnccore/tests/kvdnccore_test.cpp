#include "kvdnccore/kvdnccore.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

class KvdnccoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    record_ = std::filesystem::temp_directory_path() /
              ("kvdnccore-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove(record_);
    setenv("KVDNCCORE_RECORD", record_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("KVDNCCORE_RECORD");
    std::filesystem::remove(record_);
  }
  std::string Recorded() const {
    std::ifstream in(record_);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::filesystem::path record_;
};

TEST_F(KvdnccoreTest, EachEntryRecordsItsModeAndArgument) {
  EXPECT_EQ(DncStartWithFile(" C:\\jobs\\part.nc"), 1);
  std::string text = "job 12";
  EXPECT_EQ(DncStartWithText(text), 1);
  char buffer[kDncBufferSize] = "";
  EXPECT_EQ(DncStart(buffer, 0, true), 1);
  EXPECT_EQ(Recorded(),
            "1 /z [ C:\\jobs\\part.nc]\n"
            "4 /t [job 12]\n"
            "3 normal [] 0 1\n");
}

TEST_F(KvdnccoreTest, NoRecordWithoutTheVariable) {
  unsetenv("KVDNCCORE_RECORD");
  EXPECT_EQ(DncStartWithFile("x"), 1);
  EXPECT_FALSE(std::filesystem::exists(record_));
}

}  // namespace
