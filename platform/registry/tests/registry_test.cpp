// The registry calls: values of every type through the hive file and back, names without
// regard to case, enumeration order, deletion, buffer sizes and the HKEY_CLASSES_ROOT view.
#include "KVPlatform/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KVPlatform/text.h"
#include "temp_root.h"

namespace kv {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  RegKey CreateKey(Hive hive, std::wstring_view path) {
    RegKey key;
    EXPECT_EQ(RegKey::Create(hive, path, kKeyAllAccess, &key), Status::Ok());
    return key;
  }
  std::filesystem::path HiveFile(const char* name) const {
    return root_.path() / "registry" / (std::string(name) + ".reg");
  }
  std::vector<std::wstring> ValueNames(const RegKey& key) {
    std::vector<std::wstring> names;
    std::wstring name;
    uint32_t i = 0;
    Status s;
    while ((s = key.EnumValue(i++, &name)).ok()) names.push_back(name);
    EXPECT_EQ(s.code(), kErrorNoMoreItems);
    return names;
  }
  std::vector<std::wstring> KeyNames(const RegKey& key) {
    std::vector<std::wstring> names;
    std::wstring name;
    uint32_t i = 0;
    Status s;
    while ((s = key.EnumKey(i++, &name)).ok()) names.push_back(name);
    EXPECT_EQ(s.code(), kErrorNoMoreItems);
    return names;
  }

  testing::TempRoot root_;
};

std::vector<uint8_t> Bytes(size_t count) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  return bytes;
}

TEST_F(RegistryTest, EveryTypeRoundTripsThroughTheHiveFile) {
  struct Row {
    const char* what;
    std::wstring name;
    RegValue value;
  };
  const std::wstring nonLatin = L"Größe \u5BF8\u6CD5 \u0394\u03B9 \U0001F600";
  const std::vector<Row> rows = {
      {"plain text", L"Data Path", RegValue::String(L"C:\\Kestrel\\Data\\")},
      {"quotes and backslashes", L"q", RegValue::String(L"say \"hi\" \\\\srv\\share\\ \"")},
      {"ends with a backslash", L"b", RegValue::String(L"\\")},
      {"text outside Latin-1", L"u", RegValue::String(nonLatin)},
      {"empty text", L"e", RegValue::String(L"")},
      {"line breaks and zero", L"lines", RegValue::String(std::wstring(L"a\r\nb\n\0c", 8))},
      {"lone surrogate", L"s",
       RegValue::String(std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x")},
      {"expandable", L"x", RegValue::String(L"%USERPROFILE%\\Kestrel \u00E9", kRegExpandSz)},
      {"multi-string", L"m", RegValue::MultiString({L"one", L"", nonLatin, L"a\"b\\"})},
      {"empty multi-string", L"m0", RegValue::MultiString({})},
      {"dword zero", L"d0", RegValue::Dword(0)},
      {"dword max", L"d1", RegValue::Dword(0xFFFFFFFFu)},
      {"qword", L"q8", RegValue::Qword(0x0123456789ABCDEFull)},
      {"binary, several lines", L"bin", RegValue::Binary(Bytes(300))},
      {"binary empty", L"bin0", RegValue::Binary({})},
      {"other type", L"other", RegValue::Binary({1, 2, 3}, 0x20)},
      {"none type", L"none", RegValue::Binary({9}, kRegNone)},
      {"name with quotes, = and [", L"\"weird\" = [name] \\", RegValue::Dword(7)},
      {"name outside Latin-1", nonLatin, RegValue::Dword(8)},
      {"default value", L"", RegValue::String(L"default")},
  };
  {
    RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Kestrel\\Types");
    for (const auto& row : rows) {
      SCOPED_TRACE(row.what);
      ASSERT_EQ(key.SetValue(row.name, row.value), Status::Ok());
    }
  }
  ResetRegistryCache();  // read everything back from the file
  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Kestrel\\Types", kKeyRead, &key),
            Status::Ok());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    RegValue value;
    ASSERT_EQ(key.QueryValue(row.name, &value), Status::Ok());
    EXPECT_EQ(value, row.value);
  }
  std::vector<RegImportError> problems;
  ASSERT_EQ(CheckHiveFile(Hive::kCurrentUser, &problems), Status::Ok());
  EXPECT_TRUE(problems.empty());
  // Text is stored readable: UTF-8 in quotes, not narrowed.
  std::string file = testing::TempRoot::ReadFile(HiveFile("HKEY_CURRENT_USER"));
  EXPECT_NE(file.find("\"Data Path\"=\"C:\\\\Kestrel\\\\Data\\\\\"\n"), std::string::npos);
  EXPECT_NE(file.find("\"u\"=\"Gr\xC3\xB6\xC3\x9F"
                      "e "),
            std::string::npos);
  EXPECT_EQ(file.find('\r'), std::string::npos);
}

TEST_F(RegistryTest, BytesForTextOrNumberTypesAreReadAsThe8BitCallsTakeThem) {
  struct Row {
    const char* what;
    RegValue given;
    RegValue stored;
  };
  const std::vector<Row> rows = {
      {"text with its zero", RegValue::Binary({'a', 'b', 'c', 0}, kRegSz),
       RegValue::String(L"abc")},
      {"UTF-8 text, no zero", RegValue::Binary({0xC3, 0xA9}, kRegExpandSz),
       RegValue::String(L"\u00E9", kRegExpandSz)},
      {"multi-string", RegValue::Binary({'a', 0, 'b', 'c', 0, 0}, kRegMultiSz),
       RegValue::MultiString({L"a", L"bc"})},
      {"dword", RegValue::Binary({1, 2, 0, 0}, kRegDword), RegValue::Dword(0x201)},
      {"qword", RegValue::Binary({1, 0, 0, 0, 0, 0, 0, 2}, kRegQword),
       RegValue::Qword(0x0200000000000001ull)},
      {"dword of the wrong size stays bytes", RegValue::Binary({1, 2}, kRegDword),
       RegValue::Binary({1, 2}, kRegDword)},
  };
  RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Bytes");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(key.SetValue(L"v", row.given), Status::Ok());
    ResetRegistryCache();
    RegValue value;
    ASSERT_EQ(key.QueryValue(L"v", &value), Status::Ok());
    EXPECT_EQ(value, row.stored);
  }
}

TEST_F(RegistryTest, NamesMatchWithoutRegardToCaseAndKeepTheirSpelling) {
  {
    RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\\u00C4rger");
    ASSERT_EQ(key.SetValue(L"Data Path", RegValue::String(L"D:\\Data")), Status::Ok());
  }
  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"SOFTWARE\\kestrel\\piecebank\\\u00E4RGER",
                         kKeyAllAccess, &key),
            Status::Ok());
  RegValue value;
  ASSERT_EQ(key.QueryValue(L"DATA PATH", &value), Status::Ok());
  EXPECT_EQ(value.text, L"D:\\Data");
  ASSERT_EQ(key.SetValue(L"data path", RegValue::String(L"E:\\")), Status::Ok());
  EXPECT_EQ(ValueNames(key), std::vector<std::wstring>{L"Data Path"});
  bool created = true;
  RegKey again;
  ASSERT_EQ(RegKey::Create(Hive::kCurrentUser, L"software\\KESTREL", kKeyRead, &again, &created),
            Status::Ok());
  EXPECT_FALSE(created);
  EXPECT_EQ(KeyNames(again), std::vector<std::wstring>{L"PIECEbank"});
}

TEST_F(RegistryTest, ValuesEnumerateInStoredOrderAndKeysByName) {
  RegKey key = CreateKey(Hive::kLocalMachine, L"Software\\Order");
  for (const wchar_t* name : {L"zeta", L"Alpha", L"mid"}) {
    ASSERT_EQ(key.SetValue(name, RegValue::Dword(1)), Status::Ok());
    RegKey child;
    ASSERT_EQ(key.CreateSubKey(name, kKeyRead, &child), Status::Ok());
  }
  ASSERT_EQ(key.SetValue(L"ALPHA", RegValue::Dword(2)), Status::Ok());  // keeps its place
  const std::vector<std::wstring> stored = {L"zeta", L"Alpha", L"mid"};
  const std::vector<std::wstring> byName = {L"Alpha", L"mid", L"zeta"};
  EXPECT_EQ(ValueNames(key), stored);
  EXPECT_EQ(KeyNames(key), byName);
  ResetRegistryCache();
  EXPECT_EQ(ValueNames(key), stored);
  EXPECT_EQ(KeyNames(key), byName);
  std::wstring name;
  EXPECT_EQ(key.EnumValue(3, &name).code(), kErrorNoMoreItems);
  EXPECT_EQ(key.EnumKey(99, &name).code(), kErrorNoMoreItems);
}

TEST_F(RegistryTest, DeletionFollowsTheWin32Rules) {
  RegKey parent = CreateKey(Hive::kCurrentUser, L"Software\\Del");
  RegKey child = CreateKey(Hive::kCurrentUser, L"Software\\Del\\Child\\Grandchild");
  ASSERT_EQ(child.SetValue(L"v", RegValue::Dword(1)), Status::Ok());

  EXPECT_EQ(parent.DeleteValue(L"missing").code(), kErrorFileNotFound);
  EXPECT_EQ(parent.DeleteSubKey(L"Missing").code(), kErrorFileNotFound);
  EXPECT_EQ(parent.DeleteSubKey(L"child").code(), kErrorAccessDenied);  // has a subkey
  RegKey probe;
  EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Del\\Child", kKeyRead, &probe),
            Status::Ok());

  EXPECT_EQ(parent.DeleteSubKey(L"Child\\GRANDCHILD"), Status::Ok());
  EXPECT_EQ(parent.DeleteSubKey(L"Child"), Status::Ok());
  EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Del\\Child", kKeyRead, &probe).code(),
            kErrorFileNotFound);
  EXPECT_FALSE(probe.IsOpen());
  // A handle to a key deleted elsewhere reports it, as Windows does.
  RegValue value;
  EXPECT_EQ(child.QueryValue(L"v", &value).code(), kErrorKeyDeleted);
  EXPECT_EQ(child.SetValue(L"v", RegValue::Dword(2)).code(), kErrorKeyDeleted);

  CreateKey(Hive::kCurrentUser, L"Software\\Del\\A\\B\\C");
  ASSERT_EQ(parent.SetValue(L"keep", RegValue::Dword(3)), Status::Ok());
  EXPECT_EQ(parent.DeleteTree(L"a"), Status::Ok());
  EXPECT_EQ(parent.DeleteTree(L"a").code(), kErrorFileNotFound);
  CreateKey(Hive::kCurrentUser, L"Software\\Del\\X");
  EXPECT_EQ(parent.DeleteTree(L""), Status::Ok());  // empties the key itself
  EXPECT_TRUE(ValueNames(parent).empty());
  EXPECT_TRUE(KeyNames(parent).empty());
  EXPECT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Del", kKeyRead, &probe), Status::Ok());

  ASSERT_EQ(parent.SetValue(L"gone", RegValue::Dword(3)), Status::Ok());
  EXPECT_EQ(parent.DeleteValue(L"GONE"), Status::Ok());
  EXPECT_EQ(parent.QueryValue(L"gone", &value).code(), kErrorFileNotFound);
}

TEST_F(RegistryTest, AnsiQueryReportsTheSizeNeeded) {
  RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Sizes");
  struct Row {
    const char* what;
    RegValue value;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Row> rows = {
      {"text", RegValue::String(L"abc"), {'a', 'b', 'c', 0}},
      {"UTF-8 text", RegValue::String(L"\u00E9\u20AC"), {0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0}},
      {"empty text", RegValue::String(L""), {0}},
      {"beyond the BMP, lone surrogate",
       RegValue::String(L"\U0001F600" + std::wstring(1, static_cast<wchar_t>(0xDC00))),
       {0xF0, 0x9F, 0x98, 0x80, 0xEF, 0xBF, 0xBD, 0}},
      {"empty multi-string", RegValue::MultiString({}), {0, 0}},
      {"expandable", RegValue::String(L"%X%", kRegExpandSz), {'%', 'X', '%', 0}},
      {"multi-string", RegValue::MultiString({L"a", L"bc"}), {'a', 0, 'b', 'c', 0, 0}},
      {"dword", RegValue::Dword(0x01020304), {4, 3, 2, 1}},
      {"qword", RegValue::Qword(0x0102030405060708ull), {8, 7, 6, 5, 4, 3, 2, 1}},
      {"binary", RegValue::Binary({0, 255, 1}), {0, 255, 1}},
  };
  uint32_t longest = 0;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(key.SetValue(L"v", row.value), Status::Ok());
    const auto needed = static_cast<uint32_t>(row.bytes.size());
    longest = std::max(longest, needed);
    RegKeyInfo info;
    ASSERT_EQ(key.QueryInfo(&info), Status::Ok());
    EXPECT_EQ(info.maxValueDataLength, needed);  // the only value of the key
    uint32_t type = 0;
    uint32_t size = 0;
    EXPECT_EQ(key.QueryValueAnsi(L"v", &type, nullptr, &size), Status::Ok());
    EXPECT_EQ(size, needed);
    EXPECT_EQ(type, row.value.type);

    std::vector<uint8_t> buffer(needed + 4, 0xEE);
    size = needed - 1;
    EXPECT_EQ(key.QueryValueAnsi(L"v", &type, buffer.data(), &size).code(), kErrorMoreData);
    EXPECT_EQ(size, needed);
    size = needed;
    ASSERT_EQ(key.QueryValueAnsi(L"v", &type, buffer.data(), &size), Status::Ok());
    EXPECT_EQ(size, needed);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + needed), row.bytes);
    EXPECT_EQ(buffer[needed], 0xEE);  // nothing written past the value
  }
  uint32_t size = 10;
  EXPECT_EQ(key.QueryValueAnsi(L"absent", nullptr, nullptr, &size).code(), kErrorFileNotFound);

  // The key's longest value sizes the buffer that the 8-bit reads allocate.
  ASSERT_EQ(key.SetValue(L"long", RegValue::String(L"\u20AC\u20AC")), Status::Ok());
  ASSERT_EQ(key.SetValue(L"longer name", RegValue::Dword(1)), Status::Ok());
  RegKeyInfo info;
  ASSERT_EQ(key.QueryInfo(&info), Status::Ok());
  EXPECT_EQ(info.values, 3u);
  EXPECT_EQ(info.maxValueNameLength, 11u);
  EXPECT_EQ(info.maxValueDataLength, 7u);  // two 3-byte characters and the zero
}

TEST_F(RegistryTest, ClassesRootShowsUserClassesOverMachineClasses) {
  {
    RegKey machine = CreateKey(Hive::kLocalMachine, L"Software\\Classes\\.kvp");
    ASSERT_EQ(machine.SetValue(L"", RegValue::String(L"machine.file")), Status::Ok());
    ASSERT_EQ(machine.SetValue(L"Content Type", RegValue::String(L"text/plain")), Status::Ok());
    CreateKey(Hive::kLocalMachine, L"Software\\Classes\\.kvp\\ShellNew");
    CreateKey(Hive::kLocalMachine, L"Software\\Classes\\machine.file");
    RegKey user = CreateKey(Hive::kCurrentUser, L"Software\\Classes\\.KVP");
    ASSERT_EQ(user.SetValue(L"", RegValue::String(L"user.file")), Status::Ok());
    CreateKey(Hive::kCurrentUser, L"Software\\Classes\\.kvp\\OpenWithList");
    CreateKey(Hive::kCurrentUser, L"Software\\Classes\\.kvp\\shellnew");
  }
  RegKey key;
  ASSERT_EQ(RegKey::Open(Hive::kClassesRoot, L".kvp", kKeyAllAccess, &key), Status::Ok());
  RegValue value;
  ASSERT_EQ(key.QueryValue(L"", &value), Status::Ok());
  EXPECT_EQ(value.text, L"user.file");
  ASSERT_EQ(key.QueryValue(L"content type", &value), Status::Ok());
  EXPECT_EQ(value.text, L"text/plain");
  EXPECT_EQ(ValueNames(key), (std::vector<std::wstring>{L"", L"Content Type"}));
  EXPECT_EQ(KeyNames(key), (std::vector<std::wstring>{L"OpenWithList", L"shellnew"}));

  // A value set through the view goes to the user's key, which exists.
  ASSERT_EQ(key.SetValue(L"PerceivedType", RegValue::String(L"text")), Status::Ok());
  RegKey user;
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Classes\\.kvp", kKeyRead, &user),
            Status::Ok());
  EXPECT_EQ(user.QueryValue(L"PerceivedType", &value), Status::Ok());
  // A key only the machine has takes the value there.
  RegKey machineOnly;
  ASSERT_EQ(RegKey::Open(Hive::kClassesRoot, L"machine.file", kKeyAllAccess, &machineOnly),
            Status::Ok());
  ASSERT_EQ(machineOnly.SetValue(L"", RegValue::String(L"Kestrel part")), Status::Ok());
  RegKey machine;
  ASSERT_EQ(
      RegKey::Open(Hive::kLocalMachine, L"Software\\Classes\\machine.file", kKeyRead, &machine),
      Status::Ok());
  EXPECT_EQ(machine.QueryValue(L"", &value), Status::Ok());
  EXPECT_EQ(value.text, L"Kestrel part");

  EXPECT_EQ(RegKey::Open(Hive::kClassesRoot, L".none", kKeyRead, &key).code(), kErrorFileNotFound);
  std::string text;
  ASSERT_EQ(ExportRegText(Hive::kClassesRoot, L".kvp", &text), Status::Ok());
  EXPECT_NE(text.find("[HKEY_CLASSES_ROOT\\.KVP]\n@=\"user.file\"\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Content Type\"=\"text/plain\""), std::string::npos) << text;
}

TEST_F(RegistryTest, RefusesWhatTheHandleOrTheFileCannotCarry) {
  RegKey readOnly;
  CreateKey(Hive::kCurrentUser, L"Software\\Rights");
  ASSERT_EQ(RegKey::Open(Hive::kCurrentUser, L"Software\\Rights", kKeyQueryValue | kKeyWow64_64Key,
                         &readOnly),
            Status::Ok());
  EXPECT_EQ(readOnly.SetValue(L"v", RegValue::Dword(1)).code(), kErrorAccessDenied);
  RegKeyInfo info;
  EXPECT_EQ(readOnly.QueryInfo(&info), Status::Ok());

  RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Rights");
  EXPECT_EQ(key.SetValue(L"line\nbreak", RegValue::Dword(1)).code(), kErrorInvalidParameter);
  RegKey sub;
  EXPECT_EQ(key.CreateSubKey(std::wstring(256, L'k'), kKeyRead, &sub).code(),
            kErrorInvalidParameter);
  EXPECT_EQ(key.CreateSubKey(L"a\nb", kKeyRead, &sub).code(), kErrorInvalidParameter);
  EXPECT_EQ(key.CreateSubKey(std::wstring(255, L'k'), kKeyRead, &sub), Status::Ok());

  RegKey closed;
  RegValue value;
  EXPECT_EQ(closed.QueryValue(L"v", &value).code(), kErrorInvalidHandle);
}

TEST_F(RegistryTest, HiveFileIsReadableRegeditText) {
  RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Kestrel");
  ASSERT_EQ(key.SetValue(L"Units", RegValue::Dword(0x2A)), Status::Ok());
  ASSERT_EQ(key.SetValue(L"", RegValue::String(L"x")), Status::Ok());
  ASSERT_EQ(key.SetValue(L"Path", RegValue::String(L"%TEMP%", kRegExpandSz)), Status::Ok());
  CreateKey(Hive::kCurrentUser, L"Software\\Kestrel\\Empty");
  EXPECT_EQ(testing::TempRoot::ReadFile(HiveFile("HKEY_CURRENT_USER")),
            "Windows Registry Editor Version 5.00\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software]\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Kestrel]\n"
            "\"Units\"=dword:0000002a\n"
            "@=\"x\"\n"
            "\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\n"
            "\n"
            "[HKEY_CURRENT_USER\\Software\\Kestrel\\Empty]\n"
            "\n");
}

// Folder paths count only when absolute: an empty value, terminated, would name the host's
// root, and a relative one the working folder.
TEST_F(RegistryTest, FolderPathsCountOnlyWhenAbsolute) {
  struct Row {
    const wchar_t* stored;  // null: no value
    uint32_t code;
  };
  const Row rows[] = {
      {L"C:\\Data", 0},          {L"\\\\srv\\share\\d", 0},        {L"\\Data", 0},
      {L"", kErrorFileNotFound}, {L"Data\\x", kErrorFileNotFound}, {nullptr, kErrorFileNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored != nullptr ? WideToAnsi(row.stored) : "(none)");
    RegKey key = CreateKey(Hive::kCurrentUser, L"Software\\Paths");
    (void)key.DeleteValue(L"Data Path");  // absent after the first row
    if (row.stored != nullptr) {
      ASSERT_TRUE(key.SetValue(L"Data Path", RegValue::String(row.stored)).ok());
    }
    std::wstring path = L"unchanged";
    EXPECT_EQ(ReadRegistryPath(Hive::kCurrentUser, L"Software\\Paths", L"Data Path", &path).code(),
              row.code);
    EXPECT_EQ(path, row.code == 0 ? std::wstring(row.stored) : L"unchanged");
  }
}

}  // namespace
}  // namespace kv
