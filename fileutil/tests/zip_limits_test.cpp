// The format's limits without zip64: 65,535 entries, sizes and offsets below 4 GiB. An
// addition that would pass one is refused and the archive stays readable. The 4 GiB
// cases use sparse files: an archive that starts just below 4 GiB in an open file, and
// a source file of 4 GiB that holds no data blocks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVFileUtilities/zip.h"
#include "scoped_env.h"
#include "temp_root.h"
#include "zip_peer_readers.h"

namespace {

using namespace kv::fileutil::testing;  // the readers, test data and arguments of the zip tests

class ZipLimitsTest : public kv::testing::RootTest {
 protected:
  std::filesystem::path Host(const std::string& relative) { return root_.Drive('c') / relative; }

  // A file that is `size` bytes long without data blocks; false when the file system
  // stores the zeros.
  static bool MakeSparse(const std::filesystem::path& file, off_t size) {
    const int descriptor = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (descriptor < 0) return false;
    const bool sized = ftruncate(descriptor, size) == 0;
    struct stat info;
    const bool sparse = sized && fstat(descriptor, &info) == 0 && info.st_blocks * 512 < size / 2;
    close(descriptor);
    return sparse;
  }
};

// 65,535 entries to a file: the 65,536th is refused and writes nothing. The directory
// (about 4 MB) goes to a scratch file while the archive is written, all but its last
// 512 KB: beside a file output, in the temporary folder for a pipe (12,000 entries).
TEST_F(ZipLimitsTest, AtMost65535Entries) {
  std::filesystem::create_directories(Host("out"));
  std::filesystem::create_directories(Host("temp"));
  const kv::testing::ScopedEnv temporaryFolder("TMPDIR", Host("temp").c_str());
  for (const bool pipeOutput : {false, true}) {
    SCOPED_TRACE(pipeOutput ? "pipe output" : "file output");
    const int count = pipeOutput ? 12000 : 65535;
    PipeReader pipe;
    HZIP zip = pipeOutput ? CreateZipZ(Fd(pipe.writeEnd()), 0, ZIP_HANDLE)
                          : CreateZipZ(Name(L"C:/out/many.zip"), 0, ZIP_FILENAME);
    ASSERT_NE(zip, nullptr);
    std::vector<ExpectedEntry> expected;
    char data[] = "x";
    for (int i = 0; i < count; ++i) {
      const std::wstring name = L"e" + std::to_wstring(i) + (i % 2 ? L".gz" : L"/");
      const unsigned long code = i % 2 ? ZipAdd(zip, name.c_str(), data, 1, ZIP_MEMORY)
                                       : ZipAdd(zip, name.c_str(), nullptr, 0, ZIP_FOLDER);
      ASSERT_EQ(code, HZ_OK) << i;
      expected.push_back({std::string(name.begin(), name.end()), i % 2 ? "x" : ""});
    }
    if (!pipeOutput) {
      const uintmax_t before = std::filesystem::file_size(Host("out/many.zip"));
      EXPECT_EQ(ZipAdd(zip, L"one-too-many.gz", data, 1, ZIP_MEMORY), HZ_WRITE);
      EXPECT_EQ(ZipAdd(zip, L"one-too-many", nullptr, 0, ZIP_FOLDER), HZ_WRITE);
      EXPECT_EQ(std::filesystem::file_size(Host("out/many.zip")), before);  // nothing written
    }
    EXPECT_EQ(CloseZipZ(zip), HZ_OK);
    if (pipeOutput) WriteBytes(Host("piped.zip"), pipe.Data());
    EXPECT_TRUE(ReadersAccept(Host(pipeOutput ? "piped.zip" : "out/many.zip"), expected,
                              Readers::kNoStreaming));
  }
  // The scratch files had no name: the output folder holds the archive alone.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Host("out")),
                          std::filesystem::directory_iterator()),
            1);
  EXPECT_TRUE(std::filesystem::is_empty(Host("temp")));
}

// The archive starts 256 bytes below 4 GiB in a sparse file: a small entry fits, a
// larger one would carry the directory's offset past 32 bits and is refused, and the
// entries before and after it stay readable.
TEST_F(ZipLimitsTest, OffsetsStayBelow4GiB) {
  const std::filesystem::path file = Host("sparse.zip");
  const off_t start = 0xFFFFFF00;
  if (!MakeSparse(file, start)) GTEST_SKIP() << "the file system does not keep sparse files";
  const int descriptor = open(file.c_str(), O_RDWR);
  ASSERT_GE(descriptor, 0);
  ASSERT_EQ(lseek(descriptor, start, SEEK_SET), start);
  HZIP zip = CreateZipZ(Fd(descriptor), 0, ZIP_HANDLE);
  ASSERT_NE(zip, nullptr);
  std::string small = "small\n", large(1000, 'L');
  EXPECT_EQ(ZipAdd(zip, L"a.gz", small.data(), 6, ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"large.gz", large.data(), 1000, ZIP_MEMORY), HZ_WRITE);
  EXPECT_EQ(ZipAdd(zip, L"b.gz", small.data(), 6, ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"c.gz", large.data(), 1000, ZIP_MEMORY), HZ_WRITE);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  close(descriptor);
  EXPECT_TRUE(ReadersAccept(file, {{"a.gz", small}, {"b.gz", small}}, Readers::kDirectoryOnly));
  const std::vector<PeerEntry> entries = PeerEntries(file);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].headerOffset, static_cast<uint64_t>(start));
  std::filesystem::remove(file);
}

// A source of 4 GiB (a sparse file) cannot be described: refused before anything is
// written. An archive that would start past 4 GiB refuses every entry and its close.
TEST_F(ZipLimitsTest, SizesAndStartsPast4GiB) {
  const std::filesystem::path huge = Host("src/huge.bin");
  std::filesystem::create_directories(huge.parent_path());
  if (!MakeSparse(huge, off_t{1} << 32))
    GTEST_SKIP() << "the file system does not keep sparse files";
  std::filesystem::create_directories(Host("out"));
  HZIP zip = CreateZipZ(Name(L"C:/out/huge.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAdd(zip, L"huge.bin", Name(L"C:/src/huge.bin"), 0, ZIP_FILENAME), HZ_WRITE);
  EXPECT_EQ(ZipAdd(zip, L"huge.gz", Name(L"C:/src/huge.bin"), 0, ZIP_FILENAME), HZ_WRITE);
  EXPECT_EQ(ZipAdd(zip, L"folder", nullptr, 0, ZIP_FOLDER), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  EXPECT_TRUE(ReadersAccept(Host("out/huge.zip"), {{"folder/", ""}}));
  std::filesystem::remove(huge);

  const std::filesystem::path beyond = Host("beyond.zip");
  const int descriptor = open(beyond.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(descriptor, 0);
  ASSERT_EQ(lseek(descriptor, off_t{5} << 30, SEEK_SET), off_t{5} << 30);
  zip = CreateZipZ(Fd(descriptor), 0, ZIP_HANDLE);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAdd(zip, L"folder", nullptr, 0, ZIP_FOLDER), HZ_WRITE);
  EXPECT_EQ(CloseZipZ(zip), HZ_WRITE);
  close(descriptor);
  EXPECT_EQ(std::filesystem::file_size(beyond), 0u);  // nothing written
}

}  // namespace
