#include "KVVariableLibrary/kv_varlib.h"

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "temp_root.h"

namespace {

using kv::testing::TempRoot;

class VarLibTest : public ::testing::Test {
 protected:
  std::string FileText() { return TempRoot::ReadFile(root_.Drive(L'c') / "post" / "MPOST.bin"); }
  void Write(const std::string& text) {
    TempRoot::WriteFile(root_.Drive(L'c') / "post" / "MPOST.bin", text);
  }
  std::string Bin(kv_VarLib& lib, const wchar_t* name, int* size = nullptr) {
    char* data = nullptr;
    if (lib.GetVarBin(L"1", name, &data, size) == 0) return "<none>";
    std::string text(data);
    std::free(data);
    return text;
  }
  TempRoot root_;
};

TEST_F(VarLibTest, ValuesRoundTripAndEveryOtherLineStays) {
  Write(
      "KVVarLib 1 PSM\r\n; made by hand\r\n[1]\r\nNCTOOLS = text \"old\"\r\n"
      "this line is not understood\r\n\r\n[2]\r\nX = int 5\r\n");
  kv_VarLib lib(L"C:\\post", L"MPOST.bin", L"PSM", false);
  ASSERT_TRUE(lib.IsOpen());
  const std::string awkward = std::string("C:\\a \"b\"\n\tc\x7f") + "\xc3\xa9";
  EXPECT_EQ(lib.SetVarText(L"1", L"nctools", awkward.c_str()), 1);  // spelling stays
  char buffer[12] = "D:\\NC\\";                                     // zeros after the text
  EXPECT_EQ(lib.SetVarBin(L"1", L"NCPATH", buffer, sizeof buffer), 1);
  EXPECT_EQ(lib.SetVar(L"1", L"KVPB_SETUP_TO_NC", -7), 1);
  EXPECT_EQ(lib.SetVar(L"3", L"NEW", 1), 1);

  kv_VarLib again(L"C:\\post\\", L"MPOST.bin", L"PSM", false);
  EXPECT_EQ(Bin(again, L"NCTOOLS"), awkward);
  int size = 0;
  EXPECT_EQ(Bin(again, L"ncpath", &size), "D:\\NC\\");
  EXPECT_EQ(size, 12);
  int value = 0;
  EXPECT_EQ(again.GetVar(L"1", L"KVPB_SETUP_TO_NC", &value), 1);
  EXPECT_EQ(value, -7);
  EXPECT_EQ(again.GetVar(L"1", L"NCPATH", &value), 0);  // not an integer
  EXPECT_EQ(again.GetVar(L"1", L"X", &value), 0);       // another section
  EXPECT_EQ(FileText(),
            "KVVarLib 1 PSM\n; made by hand\n[1]\n"
            "NCTOOLS = text \"C:\\\\a \\\"b\\\"\\n\\tc\\x7f\xc3\xa9\"\n"
            "this line is not understood\nNCPATH = bin 12 \"D:\\\\NC\\\\\"\n"
            "KVPB_SETUP_TO_NC = int -7\n\n[2]\nX = int 5\n[3]\nNEW = int 1\n");
}

TEST_F(VarLibTest, MissingForeignAndMistypedFilesAreNeverWritten) {
  struct Row {
    const char* name;
    const char* contents;  // null: no file
    bool readOnly;
    bool written;
  };
  const Row rows[] = {
      {"missing, read-only", nullptr, true, false},
      {"missing", nullptr, false, true},
      {"read-only", "KVVarLib 1 PSM\n", true, false},
      {"another type", "KVVarLib 1 PSC\n", false, false},
      {"not a variable file", "some post data\n", false, false},
      {"a later format", "KVVarLib 2 PSM\n", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(root_.Drive(L'c') / "post");
    std::filesystem::create_directories(root_.Drive(L'c') / "post");
    if (row.contents != nullptr) Write(row.contents);
    kv_VarLib lib(L"C:\\post", L"MPOST.bin", L"PSM", row.readOnly);
    EXPECT_EQ(lib.SetVar(L"1", L"A", 1), row.written ? 1 : 0);
    int value = 0;
    EXPECT_EQ(lib.GetVar(L"1", L"A", &value), row.written ? 1 : 0);
    if (row.contents != nullptr) {
      EXPECT_EQ(FileText(), row.contents);
    } else {
      EXPECT_EQ(std::filesystem::exists(root_.Drive(L'c') / "post" / "MPOST.bin"), row.written);
    }
  }
}

TEST_F(VarLibTest, BadNamesAndValuesAreRefused) {
  Write("KVVarLib 1 PSM\n[1]\nBAD = int 99999999999\nB2 = bin 2 \"abc\"\nB3 = text \"x\n");
  kv_VarLib lib(L"C:\\post", L"MPOST.bin", L"PSM", false);
  EXPECT_EQ(Bin(lib, L"B2"), "<none>");  // more bytes than its size: not read
  int value = 0;
  EXPECT_EQ(lib.GetVar(L"1", L"BAD", &value), 0);
  for (const wchar_t* name : {L"", L"A B", L"A=B", L";A", L"[A]"}) {
    EXPECT_EQ(lib.SetVar(L"1", name, 1), 0) << kv::WideToAnsi(name);
  }
  EXPECT_EQ(lib.SetVarBin(L"1", L"A", nullptr, 3), 0);
  EXPECT_EQ(FileText(),
            "KVVarLib 1 PSM\n[1]\nBAD = int 99999999999\nB2 = bin 2 \"abc\"\nB3 = text \"x\n");
}

}  // namespace
