// What hostile or careless input and a failing disk must not do to the registry: links
// that lead writers out of the registry folder, text that is not text, keys past
// Windows' limits, endless imports, writes that fail half-way; and edits made line by
// line that must read back as a fresh read of the file does.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "file_fault.h"
#include "temp_root.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

class RegistrySafetyTest : public ::testing::Test {
 protected:
  fs::path Registry() const { return root_.path() / "registry"; }
  static Status Set(Hive hive, std::wstring_view key, std::wstring_view name, RegValue value) {
    RegKey handle;
    if (Status s = RegKey::Create(hive, key, kKeyAllAccess, &handle); !s.ok()) return s;
    return handle.SetValue(name, value);
  }
  static std::optional<RegValue> Get(Hive hive, std::wstring_view key, std::wstring_view name) {
    RegKey handle;
    RegValue value;
    if (!RegKey::Open(hive, key, kKeyRead, &handle).ok() || !handle.QueryValue(name, &value).ok()) {
      return std::nullopt;
    }
    return value;
  }
  static std::vector<int> Lines(const std::vector<RegImportError>& errors) {
    std::vector<int> lines;
    for (const auto& e : errors) lines.push_back(e.line);
    return lines;
  }

  testing::TempRoot root_;
};

TEST_F(RegistrySafetyTest, LinksLeadWritersNowhereElse) {
  const fs::path elsewhere = root_.path() / "elsewhere";
  fs::create_directories(elsewhere);
  struct Row {
    const char* what;
    const char* link;        // in the registry folder
    const char* target;      // in `elsewhere`, or a name in the registry folder
    std::string targetText;  // written first unless empty
    Status expected;
    const char* writtenTo;  // where the value then is, in `elsewhere`
    const char* lockAt;     // the lock file a successful write takes, in `elsewhere`
  };
  const std::string shared =
      "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n\"old\"=\"1\"\n";
  const Row rows[] = {
      {"lock file linked out of the folder", "HKEY_LOCAL_MACHINE.lock", "planted.lock", "",
       Status(kErrorCantAccessFile), nullptr, nullptr},
      {"hive linked to a shared hive", "HKEY_LOCAL_MACHINE.reg", "machine.reg", shared,
       Status::Ok(), "machine.reg", "machine.lock"},
      {"hive linked to a shared hive not made yet", "HKEY_LOCAL_MACHINE.reg", "new-machine.reg", "",
       Status::Ok(), "new-machine.reg", "new-machine.lock"},
      {"hive linked in a loop", "HKEY_LOCAL_MACHINE.reg", "", "", Status(kErrorCantOpenFile),
       nullptr, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    fs::remove_all(elsewhere);
    fs::create_directories(elsewhere);
    for (const char* name : {"HKEY_LOCAL_MACHINE.reg", "HKEY_LOCAL_MACHINE.lock"})
      fs::remove(Registry() / name);
    const fs::path link = Registry() / row.link;
    const fs::path target = *row.target != '\0' ? elsewhere / row.target : link;
    if (!row.targetText.empty()) testing::TempRoot::WriteFile(target, row.targetText);
    fs::create_symlink(target, link);
    ResetRegistryCache();

    EXPECT_EQ(Set(Hive::kLocalMachine, L"Software", L"v", RegValue::Dword(7)), row.expected);
    EXPECT_TRUE(fs::is_symlink(link));
    if (row.writtenTo == nullptr) {
      EXPECT_TRUE(fs::is_empty(elsewhere));  // nothing made where the link points
      continue;
    }
    EXPECT_TRUE(fs::exists(elsewhere / row.lockAt));
    std::string text = testing::TempRoot::ReadFile(elsewhere / row.writtenTo);
    EXPECT_NE(text.find("\"v\"=dword:00000007"), std::string::npos) << text;
    if (!row.targetText.empty()) {
      EXPECT_NE(text.find("\"old\"=\"1\""), std::string::npos) << text;
    }
    ResetRegistryCache();
    EXPECT_EQ(Get(Hive::kLocalMachine, L"Software", L"v"), RegValue::Dword(7));
  }
}

// A UTF-16 `.reg` file with an unpaired surrogate or an odd last byte: those lines are
// bad lines, reported, and nothing is imported in their stead.
TEST_F(RegistrySafetyTest, Utf16ThatIsNotTextIsABadLine) {
  auto utf16 = [](std::u16string_view text, bool oddByte) {
    std::string bytes = "\xFF\xFE";
    for (char16_t unit : text) {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
    if (oddByte) bytes += 'A';
    return bytes;
  };
  const std::u16string text =
      u"Windows Registry Editor Version 5.00\r\n"  // 1
      u"\r\n"                                      // 2
      u"[HKEY_CURRENT_USER\\Software\\T]\r\n"      // 3
      u"\"lone\"=\"a\xD800z\"\r\n"                 // 4 unpaired high surrogate
      u"\"pair\"=\"\xD83D\xDE00\"\r\n"             // 5 a real pair
      u"\"low\"=\"\xDC00\"\r\n"                    // 6 unpaired low surrogate
      u"\"after\"=\"ok\"\r\n";                     // 7, then an odd byte: line 8
  std::vector<RegImportError> errors;
  ASSERT_EQ(ImportRegText(utf16(text, true), &errors), Status::Ok());
  EXPECT_EQ(Lines(errors), (std::vector<int>{4, 6, 8}));
  EXPECT_NE(errors[0].message.find(L"surrogate"), std::wstring::npos);
  EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\T", L"lone"), std::nullopt);
  EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\T", L"low"), std::nullopt);
  EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\T", L"pair"), RegValue::String(L"\U0001F600"));
  EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\T", L"after"), RegValue::String(L"ok"));
}

// A hive rewritten whole keeps a bad line as it stood, both CRs of a CR CR LF ending
// included; an edit of one value leaves every other byte as it was.
TEST_F(RegistrySafetyTest, WritesKeepLinesTheyDoNotTouch) {
  const std::string hive =
      "Windows Registry Editor Version 5.00\n\n"
      "[HKEY_CURRENT_USER\\Software\\Keep]\n"
      "\"a\"=\"1\"\r\n"
      "bad line\r\r\n"
      "\"b\"=hex:01,\\\n  02\n"
      "[HKEY_CURRENT_USER\\Software\\Gone]\n";
  const fs::path file = Registry() / "HKEY_CURRENT_USER.reg";
  testing::TempRoot::WriteFile(file, hive);

  ASSERT_EQ(Set(Hive::kCurrentUser, L"Software\\Keep", L"A", RegValue::String(L"2")), Status::Ok());
  std::string edited = hive;
  edited.replace(edited.find("\"a\"=\"1\"\r\n"), 9, "\"a\"=\"2\"\n");
  EXPECT_EQ(testing::TempRoot::ReadFile(file), edited);

  RegKey software;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software", kKeyAllAccess, &software), Status::Ok());
  ASSERT_EQ(software.DeleteTree(L"Gone"), Status::Ok());  // rewrites the whole hive
  for (int round = 0; round < 2; ++round) {
    std::string rewritten = testing::TempRoot::ReadFile(file);
    EXPECT_NE(rewritten.find("\nbad line\r\r\n"), std::string::npos) << rewritten;
    ASSERT_EQ(Set(Hive::kCurrentUser, L"Software\\Other", L"x", RegValue::Dword(1)), Status::Ok());
    ASSERT_EQ(software.DeleteTree(L"Other"), Status::Ok());
  }
  std::vector<RegImportError> problems;
  ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
  EXPECT_EQ(problems.size(), 1u);
}

TEST_F(RegistrySafetyTest, WindowsLimitsAreRefused) {
  auto deep = [](size_t levels) {
    std::wstring path;
    for (size_t i = 0; i < levels; ++i) path += (i ? L"\\k" : L"k");
    return path;
  };
  struct Row {
    const char* what;
    std::function<Status()> call;
    Status expected;
  };
  const Row rows[] = {
      {"512 levels", [&] { return Set(Hive::kCurrentUser, deep(512), L"v", RegValue::Dword(1)); },
       Status::Ok()},
      {"513 levels", [&] { return Set(Hive::kCurrentUser, deep(513), L"v", RegValue::Dword(1)); },
       Status(kErrorInvalidParameter)},
      {"513 levels below a key",
       [&] {
         RegKey key;
         Status s = RegKey::Create(Hive::kCurrentUser, deep(500), kKeyAllAccess, &key);
         RegKey sub;
         return s.ok() ? key.CreateSubKey(deep(13), kKeyAllAccess, &sub) : s;
       },
       Status(kErrorInvalidParameter)},
      {"HKCR, 512 levels once stored",
       [&] { return Set(Hive::kClassesRoot, deep(510), L"v", RegValue::Dword(1)); }, Status::Ok()},
      {"HKCR, 513 levels once stored",
       [&] { return Set(Hive::kClassesRoot, deep(511), L"v", RegValue::Dword(1)); },
       Status(kErrorInvalidParameter)},
      {"value name of 16,383",
       [&] { return Set(Hive::kCurrentUser, L"n", std::wstring(16383, L'v'), RegValue::Dword(1)); },
       Status::Ok()},
      {"value name of 16,384",
       [&] { return Set(Hive::kCurrentUser, L"n", std::wstring(16384, L'v'), RegValue::Dword(1)); },
       Status(kErrorInvalidParameter)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(row.call(), row.expected);
  }
  RegKey key;
  EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, deep(513), kKeyRead, &key).code(), kErrorFileNotFound);

  // In imports, such lines are bad lines; the rest is imported.
  std::string text =
      "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\" + WideToAnsi(deep(513)) +
      "]\n\"v\"=dword:1\n[HKEY_CURRENT_USER\\n]\n\"" + std::string(16384, 'w') +
      "\"=dword:1\n\"fine\"=dword:2\n[HKEY_CLASSES_ROOT\\" + WideToAnsi(deep(511)) + "]\n";
  std::vector<RegImportError> errors;
  ASSERT_EQ(ImportRegText(text, &errors), Status::Ok());
  EXPECT_EQ(Lines(errors), (std::vector<int>{3, 4, 6, 8}));
  EXPECT_NE(errors[0].message.find(L"512"), std::wstring::npos);
  EXPECT_EQ(Get(Hive::kCurrentUser, L"n", L"fine"), RegValue::Dword(2));
}

TEST_F(RegistrySafetyTest, OversizedOrEndlessImportsAreRefused) {
  // A file past the limit (sparse: nothing is written to disk) is refused unread.
  const fs::path big = root_.Drive(L'c') / "big.reg";
  testing::TempRoot::WriteFile(
      big, "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Big]\n");
  fs::resize_file(big, kMaxRegFileBytes + 1);
  std::vector<RegImportError> errors;
  EXPECT_EQ(ImportRegFile(L"C:\\big.reg", &errors).code(), kErrorNotEnoughMemory);

  // A stream that goes on past the limit is cut off there (the writer here stops a
  // little later, so that a regression ends too).
  const fs::path fifo = root_.Drive(L'c') / "stream.reg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto oldPipe = signal(SIGPIPE, SIG_IGN);
  std::thread writer([&] {
    int fd = open(fifo.c_str(), O_WRONLY);
    std::string chunk = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Stream]\n";
    chunk.resize(1 << 20, '\n');
    for (uint64_t sent = 0; sent < kMaxRegFileBytes + (8u << 20); sent += chunk.size()) {
      if (write(fd, chunk.data(), chunk.size()) < 0) break;
      std::fill(chunk.begin(), chunk.begin() + 64, '\n');
    }
    close(fd);
  });
  EXPECT_EQ(ImportRegFile(fifo.wstring(), &errors).code(), kErrorNotEnoughMemory);
  writer.join();
  signal(SIGPIPE, oldPipe);
  RegKey key;
  EXPECT_NE(RegKey::Open(Hive::kCurrentUser, L"Big", kKeyRead, &key), Status::Ok());
  EXPECT_NE(RegKey::Open(Hive::kCurrentUser, L"Stream", kKeyRead, &key), Status::Ok());
}

TEST_F(RegistrySafetyTest, AFailedWriteLeavesTheHiveAsItWas) {
  using host::FileStep;
  ASSERT_EQ(Set(Hive::kCurrentUser, L"Software\\F", L"v", RegValue::Dword(1)), Status::Ok());
  const fs::path file = Registry() / "HKEY_CURRENT_USER.reg";
  const std::string before = testing::TempRoot::ReadFile(file);
  struct Row {
    const char* what;
    FileStep step;
    int nth;
  };
  const Row rows[] = {
      {"lock file", FileStep::kOpen, 1}, {"temporary file", FileStep::kOpen, 2},
      {"write", FileStep::kWrite, 1},    {"flush", FileStep::kSync, 1},
      {"rename", FileStep::kRename, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    {
      testing::FileFault fault(row.step, row.nth, kErrorDiskFull);
      EXPECT_EQ(Set(Hive::kCurrentUser, L"Software\\F", L"v", RegValue::Dword(2)).code(),
                kErrorDiskFull);
      EXPECT_TRUE(fault.fired());
    }
    EXPECT_EQ(testing::TempRoot::ReadFile(file), before);
    for (const auto& entry : fs::directory_iterator(Registry())) {
      EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\F", L"v"), RegValue::Dword(1));
    ResetRegistryCache();
    EXPECT_EQ(Get(Hive::kCurrentUser, L"Software\\F", L"v"), RegValue::Dword(1));
  }
}

// Random edits of random, partly broken hive files: after each run of edits (each made
// on the lines of the text, the index carried over), the hive reads exactly as a fresh
// read of its file does, and every value set reads back.
TEST_F(RegistrySafetyTest, EditsReadAsAFreshReadOfTheFile) {
  const std::vector<std::string> fragments = {
      "[HKEY_CURRENT_USER\\A]",
      "[HKEY_CURRENT_USER\\A\\B]",
      "[hkey_current_user\\a]",
      "[HKEY_CURRENT_USER\\C\\D]",
      "[HKEY_LOCAL_MACHINE\\Elsewhere]",
      "[HKEY_CURRENT_USER\\A",
      "\"s\"=\"text\"",
      "\"S\"=dword:2",
      "@=\"d\"",
      "\"h\"=hex:01,02,\\",
      "  03,04",
      "\"s\"=-",
      "junk",
      "; comment",
      "",
      "\"x\"=\"a\\\\b\"\r",
      "\"h2\"=hex(7):61,00,\\",
  };
  const std::vector<std::wstring> keys = {L"", L"A", L"A\\B", L"C", L"C\\D", L"E\\F"};
  // "\u017F" (long s) folds to "S": the same name as "s", in bytes of another kind.
  const std::vector<std::wstring> names = {L"s",   L"S",  L"h",      L"",    L"x",
                                           L"new", L"h2", L"\u017F", L"a\"q"};
  std::mt19937 random(11);
  auto randomValue = [&]() {
    switch (random() % 4) {
      case 0: return RegValue::String(L"q\"\\" + std::to_wstring(random() % 100));
      case 1: return RegValue::Dword(static_cast<uint32_t>(random()));
      case 2: return RegValue::Binary(std::vector<uint8_t>(random() % 60, 0xAB));  // may span lines
      default: return RegValue::MultiString({L"m", std::wstring(1 + random() % 40, L'z')});
    }
  };
  auto exportAll = [] {
    std::string text;
    EXPECT_EQ(ExportRegText(Hive::kCurrentUser, L"", &text), Status::Ok());
    return text;
  };
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    std::string hive = "Windows Registry Editor Version 5.00\n";
    for (int i = 0; i < 20; ++i)
      hive += fragments[random() % fragments.size()] + (random() % 4 ? "\n" : "\r\n");
    if (random() % 2) hive.pop_back();  // a last line without its line end
    testing::TempRoot::WriteFile(Registry() / "HKEY_CURRENT_USER.reg", hive);
    ResetRegistryCache();
    for (int run = 0; run < 3; ++run) {
      for (int edit = 0; edit < 4; ++edit) {
        const std::wstring& key = keys[random() % keys.size()];
        const std::wstring& name = names[random() % names.size()];
        RegKey handle;
        if (random() % 3 == 0) {
          if (RegKey::Open(Hive::kCurrentUser, key, kKeyAllAccess, &handle).ok())
            (void)handle.DeleteValue(name);
          EXPECT_EQ(Get(Hive::kCurrentUser, key, name), std::nullopt);
        } else {
          RegValue value = randomValue();
          ASSERT_EQ(Set(Hive::kCurrentUser, key, name, value), Status::Ok());
          EXPECT_EQ(Get(Hive::kCurrentUser, key, name), value);
        }
      }
      std::string cached = exportAll();
      ResetRegistryCache();
      EXPECT_EQ(exportAll(), cached)
          << testing::TempRoot::ReadFile(Registry() / "HKEY_CURRENT_USER.reg");
    }
  }
}

}  // namespace
}  // namespace kv
