// The unit and precision defaults that the library reads from HKEY_CURRENT_USER
// "Software\Kestrel" when it loads: each test row prepares a registry and starts a fresh
// process of this program on it (a death test in the "threadsafe" style re-executes the
// program, so the library loads again), which reports the texts the defaults produce.
//
// This file also holds the program's main: the other tests expect the built-in
// defaults, so the program first runs itself again on a root that holds nothing.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "KVNumber/number.h"
#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace {

// The texts that show each default, joined by "|": rtos(10.3) and angtos(30) with both
// defaults, RtosMaxPrecision(1.5) with both defaults and with decimal units and two
// digits (its inner text follows the default units).
std::string DefaultTexts() {
  std::wstring texts;
  std::wstring text;
  wchar_t buffer[34];
  rtos(10.3, -1, text);
  texts += text;
  angtos(30.0, -1, -1, text);
  texts += L"|" + text;
  RtosMaxPrecision(1.5, -1, -1, buffer);
  texts += std::wstring(L"|") + buffer;
  RtosMaxPrecision(1.5, 2, 2, buffer);
  texts += std::wstring(L"|") + buffer;
  return std::string(texts.begin(), texts.end());  // ASCII
}

// In the child: writes "[texts]" to stderr and exits. The child ran the test again up to
// here and made a root of its own on the way: it goes first.
[[noreturn]] void ReportDefaultTexts(std::optional<kv::testing::TempRoot>& root) {
  const std::string texts = DefaultTexts();
  root.reset();
  std::fprintf(stderr, "[%s]", texts.c_str());
  std::exit(0);
}

TEST(NumberDefaultsTest, ReadFromTheRegistryWhenTheLibraryLoads) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Row {
    const char* name;
    std::vector<std::pair<const wchar_t*, kv::RegValue>> values;
    const char* expected;
  };
  const Row rows[] = {
      {"nothing stored", {}, "10.3000|1718.8734|1.5000|1.50"},
      {"precision", {{L"DefaultPrecision", kv::RegValue::Dword(2)}}, "10.30|1718.8734|1.50|1.50"},
      {"units", {{L"DefaultUnits", kv::RegValue::Dword(5)}}, "10 5/16|1718.8734|1 1/2|1 1/2"},
      {"angle precision, name in another case",
       {{L"defaultANGLEprecision", kv::RegValue::Dword(1)}},
       "10.3000|1718.9|1.5000|1.50"},
      {"angle units",
       {{L"DefaultAngleUnits", kv::RegValue::Dword(1)}},
       "10.3000|30.0000|1.5000|1.50"},
      {"values of other types are ignored",
       {{L"DefaultPrecision", kv::RegValue::Qword(2)},
        {L"DefaultUnits", kv::RegValue::String(L"5")},
        {L"DefaultAnglePrecision", kv::RegValue::String(L"1", kv::kRegExpandSz)},
        {L"DefaultAngleUnits", kv::RegValue::Binary({1, 0, 0, 0})}},
       "10.3000|1718.8734|1.5000|1.50"},
      // -2 and INT_MIN as precisions count as 0, INT_MAX is capped at 12 digits; units
      // INT_MIN are fractional, angle units -1 unconverted.
      {"values beyond the usable range",
       {{L"DefaultPrecision", kv::RegValue::Dword(0xFFFFFFFEu)},
        {L"DefaultUnits", kv::RegValue::Dword(0x80000000u)},
        {L"DefaultAnglePrecision", kv::RegValue::Dword(0x7FFFFFFFu)},
        {L"DefaultAngleUnits", kv::RegValue::Dword(0xFFFFFFFFu)}},
       "10|30.000000000000|1|1 1/2"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::optional<kv::testing::TempRoot> root(std::in_place);
    kv::RegKey key;
    ASSERT_TRUE(
        kv::RegKey::Create(kv::Hive::kCurrentUser, L"Software\\Kestrel", kv::kKeyAllAccess, &key));
    for (const auto& [name, value] : row.values) ASSERT_TRUE(key.SetValue(name, value));
    EXPECT_EXIT(ReportDefaultTexts(root), testing::ExitedWithCode(0),
                testing::HasSubstr(std::string("[") + row.expected + "]"));
  }
}

}  // namespace

// The library has read its defaults before main runs, from the root the environment
// names (by default the user's own). Run on a root that does not exist, every test
// starts from the built-in defaults; the defaults tests' children inherit the marker and
// the root their parent prepared.
int main(int argc, char** argv) {
  constexpr const char* kMarker = "KVNUMBER_TESTS_ON_EMPTY_ROOT";
  if (std::getenv(kMarker) == nullptr) {
    const auto none = std::filesystem::temp_directory_path() /
                      ("kvnumber-tests-no-root-" + std::to_string(getpid()));
    setenv("KESTREL_ROOT", none.c_str(), 1);
    setenv(kMarker, "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("cannot run the tests again on an empty root");
    return 1;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
