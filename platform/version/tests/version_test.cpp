// Version resources of real PE modules (made by windres and ld, see tests/data), and of
// damaged copies of them.
#include "KVPlatform/version.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVPlatform/text.h"
#include "temp_root.h"

namespace kv {
namespace {

std::vector<uint8_t> Module(const std::string& name) {
  std::ifstream in(std::string(KV_VERSION_TEST_DATA) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where a node with this key starts in a module (6 bytes of lengths and type before it).
size_t NodeOf(const std::vector<uint8_t>& module, const std::u16string& key) {
  auto at = std::search(module.begin(), module.end(), reinterpret_cast<const uint8_t*>(key.data()),
                        reinterpret_cast<const uint8_t*>(key.data() + key.size()));
  EXPECT_NE(at, module.end());
  return static_cast<size_t>(at - module.begin()) - 6;
}

std::wstring ProductVersion(const VersionInfo& info) {
  std::vector<VersionTranslation> pairs = info.Translations();
  if (pairs.empty()) return L"<no translation>";
  wchar_t query[64];
  swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\ProductVersion", pairs[0].language,
           pairs[0].codePage);
  std::wstring version = L"<none>";
  info.QueryString(query, &version);
  return version;
}

TEST(VersionTest, ModulesGiveTheirFirstTranslationsProductVersion) {
  testing::TempRoot root;
  struct Row {
    const char* file;
    uint32_t code;
    VersionTranslation first;
    const wchar_t* version;
  };
  const Row rows[] = {
      {"product.dll", 0, {0x0409, 1200}, L"24.3.0.112"},
      {"german.dll", 0, {0x0407, 1252}, L"24.2.1.7"},  // second table, named first
      {"noversion.dll", kErrorResourceTypeNotFound, {}, nullptr},
      {"product.rc", kErrorBadFormat, {}, nullptr},  // not a module
      {"missing.dll", kErrorFileNotFound, {}, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    std::vector<uint8_t> bytes = Module(row.file);
    if (row.code != kErrorFileNotFound) {
      testing::TempRoot::WriteFile(root.Drive(L'c') / "kv" / row.file,
                                   std::string(bytes.begin(), bytes.end()));
    }
    VersionInfo info;
    EXPECT_EQ(VersionInfo::Read(L"C:\\kv\\" + AnsiToWide(row.file), &info).code(), row.code);
    EXPECT_EQ(info.HasVersion(), row.version != nullptr);
    if (row.version == nullptr) continue;
    ASSERT_FALSE(info.Translations().empty());
    EXPECT_EQ(info.Translations()[0], row.first);
    EXPECT_EQ(ProductVersion(info), row.version);
    std::vector<uint8_t> fixed;
    ASSERT_TRUE(info.QueryValue(L"\\", &fixed));
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(fixed[0] | fixed[1] << 8 | fixed[2] << 16 | fixed[3] << 24, 0xFEEF04BD);
  }
  VersionInfo info;
  ASSERT_TRUE(VersionInfo::Read(L"C:\\kv\\product.dll", &info).ok());
  std::wstring text;
  EXPECT_TRUE(info.QueryString(L"\\stringfileinfo\\040904B0\\companyname", &text));
  EXPECT_EQ(text, L"Kestrel Systems");
  EXPECT_FALSE(info.QueryString(L"\\VarFileInfo\\Translation", &text));  // binary
  EXPECT_FALSE(info.QueryString(L"\\StringFileInfo\\040904b0\\Comments", &text));
}

// Every prefix of a module: the version is read exactly when the file reaches the end of
// the version data, and the reader never reads past the bytes it has (AddressSanitizer
// watches the exact-size copies).
TEST(VersionTest, TruncatedModulesGiveNoVersionUntilTheVersionDataIsWhole) {
  const std::vector<uint8_t> whole = Module("german.dll");
  const size_t block = NodeOf(whole, u"VS_VERSION_INFO");
  const size_t blockEnd = block + (whole[block] | whole[block + 1] << 8);
  size_t firstGood = 0;
  for (size_t size = 0; size <= whole.size(); ++size) {
    std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(size));
    VersionInfo info;
    if (VersionInfo::ReadFromMemory(prefix.data(), prefix.size(), &info).ok()) {
      if (firstGood == 0) firstGood = size;
      EXPECT_EQ(ProductVersion(info), L"24.2.1.7") << size;
    } else {
      EXPECT_EQ(firstGood, 0u) << "read at " << firstGood << " but not at " << size;
    }
  }
  EXPECT_GE(firstGood, blockEnd);
  // The section's raw data is padded to 512 bytes: the data must be in the file whole.
  EXPECT_LE(firstGood, (blockEnd + 511) / 512 * 512);
}

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
void Put16(std::vector<uint8_t>* b, size_t at, uint16_t v) {
  (*b)[at] = static_cast<uint8_t>(v);
  (*b)[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>* b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

TEST(VersionTest, DamagedHeadersAndBlocksGiveNoVersion) {
  const std::vector<uint8_t> whole = Module("product.dll");
  const size_t pe = whole[0x3C] | whole[0x3D] << 8;
  const size_t block = NodeOf(whole, u"VS_VERSION_INFO");
  const size_t child = NodeOf(whole, u"StringFileInfo");
  // Each row puts a value at an offset from the PE header, the version block or its
  // first child (the StringFileInfo node), or adds it to the 16-bit value there.
  enum Base { kDos, kPe, kBlock, kChild };
  struct Row {
    const char* name;
    Base base;
    size_t offset;
    int width;
    uint32_t value;
    bool add;
    uint32_t code;
  };
  const Row rows[] = {
      {"PE header past the end", kDos, 0x3C, 4, 0xFFFFFFF0u, false, kErrorBadFormat},
      {"no sections", kPe, 6, 2, 0, false, kErrorBadFormat},
      {"optional header longer than the file", kPe, 20, 2, 0xFFFF, false, kErrorBadFormat},
      {"unknown optional header", kPe, 24, 2, 0x107, false, kErrorBadFormat},
      {"resource directory outside every section", kPe, 24 + 112 + 16, 4, 0x7FFF0000u, false,
       kErrorInvalidData},
      {"root node longer than the resource", kBlock, 0, 2, 0xFFF0, false, kErrorInvalidData},
      {"root node shorter than its header", kBlock, 0, 2, 4, false, kErrorInvalidData},
      {"child longer than its parent", kChild, 0, 2, 0x400, true, kErrorInvalidData},
      {"binary value past its node", kBlock, 2, 2, 0x7000, false, kErrorInvalidData},
      // The node ends inside "VS_VERSION_INFO".
      {"root key without its terminator", kBlock, 0, 2, 6 + 30, false, kErrorInvalidData},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<uint8_t> damaged = whole;
    const size_t bases[] = {0, pe, block, child};
    const size_t at = bases[row.base] + row.offset;
    if (row.width == 4) {
      Put32(&damaged, at, row.value);
    } else {
      Put16(&damaged, at, static_cast<uint16_t>(row.value + (row.add ? Get16(damaged, at) : 0)));
    }
    VersionInfo info;
    EXPECT_EQ(VersionInfo::ReadFromMemory(damaged.data(), damaged.size(), &info).code(), row.code);
    EXPECT_FALSE(info.HasVersion());
    EXPECT_TRUE(info.Translations().empty());
  }
}

}  // namespace
}  // namespace kv
