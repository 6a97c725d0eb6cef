// kvreg run as a program on a temporary root: what it prints, what it stores, and its
// exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "run_program.h"
#include "temp_root.h"

namespace {

using Result = kv::testing::ProgramRun;

// Runs kvreg with `arguments` (a shell command line fragment), stdin from /dev/null.
Result Kvreg(const std::string& arguments) {
  return kv::testing::RunProgram(std::string(KVREG_PROGRAM) + " " + arguments);
}

class KvregTest : public ::testing::Test {
 protected:
  kv::testing::TempRoot root_;
};

TEST_F(KvregTest, AddQueryAndDeleteValues) {
  struct Row {
    const char* what;
    std::string add;
    std::wstring name;
    kv::RegValue stored;
    std::string shown;
  };
  const Row rows[] = {
      {"text", "/v \"Data Path\" /d 'C:\\Data\\'", L"Data Path",
       kv::RegValue::String(L"C:\\Data\\"), "Data Path    REG_SZ    C:\\Data\\"},
      {"dword in hex", "/v Units /t REG_DWORD /d 0x2A", L"Units", kv::RegValue::Dword(42),
       "Units    REG_DWORD    0x2a"},
      {"qword", "/v Big /t reg_qword /d 18446744073709551615", L"Big",
       kv::RegValue::Qword(0xFFFFFFFFFFFFFFFFull), "Big    REG_QWORD    0xffffffffffffffff"},
      {"multi-string", "/v List /t REG_MULTI_SZ /d 'a\\0\xC3\xA9t\xC3\xA9'", L"List",
       kv::RegValue::MultiString({L"a", L"\u00E9t\u00E9"}),
       "List    REG_MULTI_SZ    a\\0\xC3\xA9t\xC3\xA9"},
      {"multi-string, own separator", "/v L2 /t REG_MULTI_SZ /s '#' /d 'x#y'", L"L2",
       kv::RegValue::MultiString({L"x", L"y"}), "L2    REG_MULTI_SZ    x\\0y"},
      {"binary", "/v Bin /t REG_BINARY /d 00ff10", L"Bin", kv::RegValue::Binary({0, 255, 16}),
       "Bin    REG_BINARY    00FF10"},
      {"expandable", "/v X /t REG_EXPAND_SZ /d '%TEMP%'", L"X",
       kv::RegValue::String(L"%TEMP%", kv::kRegExpandSz), "X    REG_EXPAND_SZ    %TEMP%"},
      {"default value", "/ve /d dflt", L"", kv::RegValue::String(L"dflt"),
       "(Default)    REG_SZ    dflt"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Result add = Kvreg("add 'HKCU\\Software\\Kestrel' " + row.add);
    EXPECT_EQ(add.status, 0) << add.out;
    Result query = Kvreg("query 'HKEY_CURRENT_USER\\Software\\Kestrel'");
    EXPECT_EQ(query.status, 0);
    EXPECT_NE(query.out.find("    " + row.shown + "\n"), std::string::npos) << query.out;
  }
  kv::ResetRegistryCache();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    kv::RegKey key;
    ASSERT_EQ(kv::RegKey::Open(kv::Hive::kCurrentUser, L"Software\\Kestrel", kv::kKeyRead, &key),
              kv::Status::Ok());
    kv::RegValue value;
    ASSERT_EQ(key.QueryValue(row.name, &value), kv::Status::Ok());
    EXPECT_EQ(value, row.stored);
  }

  Result one = Kvreg("query 'HKCU\\Software\\Kestrel' /v 'data path'");
  EXPECT_EQ(one.status, 0);
  EXPECT_NE(one.out.find("    Data Path    REG_SZ    C:\\Data\\\n"), std::string::npos) << one.out;

  // Overwriting or deleting without /f needs a person to answer; there is none.
  Result overwrite = Kvreg("add 'HKCU\\Software\\Kestrel' /v Units /t REG_DWORD /d 1");
  EXPECT_EQ(overwrite.status, 1);
  EXPECT_NE(overwrite.out.find("/f"), std::string::npos);
  EXPECT_EQ(Kvreg("delete 'HKCU\\Software\\Kestrel' /v Units").status, 1);
  EXPECT_EQ(Kvreg("delete 'HKCU\\Software\\Kestrel' /v Units /f").status, 0);
  EXPECT_EQ(Kvreg("query 'HKCU\\Software\\Kestrel' /v Units").status, 1);
  EXPECT_EQ(Kvreg("delete 'HKCU\\Software\\Kestrel' /f").status, 0);
  Result gone = Kvreg("query 'HKCU\\Software\\Kestrel'");
  EXPECT_EQ(gone.status, 1);
  EXPECT_NE(gone.out.find("unable to find"), std::string::npos) << gone.out;
}

TEST_F(KvregTest, ExportAndImportFiles) {
  ASSERT_EQ(
      Kvreg("add 'HKLM\\Software\\Kestrel\\KVDNC' /v 'Install Path' /d 'C:\\Kestrel\\'").status, 0);
  ASSERT_EQ(Kvreg("add 'HKLM\\Software\\Kestrel\\KVDNC\\Sub' /v n /t REG_DWORD /d 5").status, 0);
  std::string file = (root_.path() / "out.reg").string();
  Result exported = Kvreg("export 'HKLM\\Software\\Kestrel' '" + file + "'");
  ASSERT_EQ(exported.status, 0) << exported.out;
  EXPECT_EQ(kv::testing::TempRoot::ReadFile(file),
            "Windows Registry Editor Version 5.00\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kestrel]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kestrel\\KVDNC]\n"
            "\"Install Path\"=\"C:\\\\Kestrel\\\\\"\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kestrel\\KVDNC\\Sub]\n"
            "\"n\"=dword:00000005\n\n");
  EXPECT_EQ(Kvreg("export 'HKLM\\Software\\Kestrel' '" + file + "'").status, 1);  // exists
  EXPECT_EQ(Kvreg("export 'HKLM\\Software\\Kestrel' '" + file + "' /y").status, 0);

  ASSERT_EQ(Kvreg("delete 'HKLM\\Software\\Kestrel' /f").status, 0);
  Result imported = Kvreg("import '" + file + "'");
  EXPECT_EQ(imported.status, 0) << imported.out;
  EXPECT_EQ(Kvreg("query 'HKLM\\Software\\Kestrel\\KVDNC\\Sub' /v n").status, 0);

  std::string bad = (root_.path() / "bad.reg").string();
  kv::testing::TempRoot::WriteFile(bad,
                                   "Windows Registry Editor Version 5.00\n"
                                   "[HKEY_CURRENT_USER\\T]\n"
                                   "\"a\"=dword:xyz\n"
                                   "\"b\"=\"kept\"\n");
  Result partial = Kvreg("import '" + bad + "'");
  EXPECT_EQ(partial.status, 1);
  EXPECT_NE(partial.out.find(bad + ":3: "), std::string::npos) << partial.out;
  EXPECT_EQ(Kvreg("query 'HKCU\\T' /v b").status, 0);

  kv::testing::TempRoot::WriteFile(bad, "not a registry file\n");
  Result refused = Kvreg("import '" + bad + "'");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("nothing was imported"), std::string::npos) << refused.out;
}

// What passes Windows' limits, or the size a registry file may have, is refused with a
// message that says which limit.
TEST_F(KvregTest, LimitsAreRefusedPlainly) {
  std::string deep = "HKCU";
  for (int i = 0; i < 513; ++i) deep += "\\k";
  struct Row {
    const char* what;
    std::string command;
    const char* said;
  };
  const Row rows[] = {
      {"513 levels", std::string(KVREG_PROGRAM) + " add '" + deep + "' /f", "nest at most 512"},
      {"a key name of 256",
       std::string(KVREG_PROGRAM) + " add 'HKCU\\" + std::string(256, 'k') + "'", "at most 255"},
      {"a value name of 16,384",
       std::string(KVREG_PROGRAM) + " add 'HKCU\\x' /v " + std::string(16384, 'v') + " /d 1 /f",
       "at most 16,383"},
      {"an endless stream (cut off at 80 MB here)",
       "sh -c 'head -c 80000000 /dev/zero | " + std::string(KVREG_PROGRAM) + " import /dev/stdin'",
       "more than 64 MB"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Result run = kv::testing::RunProgram(row.command);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(row.said), std::string::npos) << run.out.substr(0, 400);
  }
  kv::RegKey key;
  EXPECT_NE(kv::RegKey::Open(kv::Hive::kCurrentUser, L"x", kv::kKeyRead, &key), kv::Status::Ok());
}

TEST_F(KvregTest, UsageErrorsExitWithOne) {
  const char* rows[] = {"",
                        "frobnicate",
                        "query",
                        "query HKXX\\Software",
                        "add HKCU\\x /t REG_WORD",
                        "add HKCU\\x /v n /t REG_DWORD /d -1",
                        "add HKCU\\x /v n /t REG_BINARY /d 0g",
                        "add HKCU\\x /v",
                        "export HKCU\\x"};
  for (const char* row : rows) {
    SCOPED_TRACE(row);
    Result run = Kvreg(row);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("kvreg"), std::string::npos) << run.out;
  }
  EXPECT_EQ(Kvreg("/?").status, 0);
}

}  // namespace
