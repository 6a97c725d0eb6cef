// Deflate on several threads: entries around the block boundaries, large mixed data,
// stored entries beside them, and failures in the middle of an entry, each archive read
// back by every peer reader. The tests ask for 3 threads whatever the machine has, so
// that blocks finish out of order and the writing order is put to the test.
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KVFileUtilities/zip.h"
#include "scoped_env.h"
#include "temp_root.h"
#include "zip_peer_readers.h"

namespace {

using namespace kv::fileutil::testing;  // the readers, test data and arguments of the zip tests

constexpr size_t kBlock = 128 * 1024;  // the block of a source of unknown size

// Text with runs of random bytes and of zeros: matches reach across block boundaries,
// and some blocks hardly compress.
std::string Mixed(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string data;
  data.reserve(size + 70000);
  while (data.size() < size) {
    switch (random() % 4) {
      case 0: data += RandomBytes(random() % 60000, seed++); break;
      case 1: data.append(random() % 60000, '\0'); break;
      default: data += TextOf(random() % 60000, seed++); break;
    }
  }
  data.resize(size);
  return data;
}

class ZipParallelTest : public kv::testing::RootTest {
 protected:
  void SetUp() override {
    RootTest::SetUp();
    std::filesystem::create_directories(Host("out"));
  }
  std::filesystem::path Host(const std::string& relative) { return root_.Drive('c') / relative; }

  kv::testing::ScopedEnv threads_{"KESTREL_ZIP_THREADS", "3"};
};

// Every size around the block boundaries, from a source of unknown size (blocks of
// 128 KB) and from memory (blocks fitted to the size), to a file and to a pipe.
TEST_F(ZipParallelTest, BlockBoundariesAndLargeEntries) {
  struct Row {
    std::wstring name;
    std::string contents;
    bool stream;  // a pipe of unknown length, else memory
  };
  std::vector<Row> rows;
  for (const size_t size : {size_t{0}, size_t{1}, kBlock - 1, kBlock, kBlock + 1, 3 * kBlock}) {
    rows.push_back({L"stream" + std::to_wstring(size) + L".bin",
                    Mixed(size, static_cast<unsigned>(size)), true});
  }
  // 32 KB is the smallest entry shared among threads (two blocks of 16 KB); 40,000
  // bytes make three blocks, the last with a dictionary from both before it; 3 MB is
  // 24 blocks of 128 KB.
  for (const size_t size : {size_t{32767}, size_t{32768}, size_t{40000}, size_t{3 << 20} - 1,
                            size_t{3 << 20}, size_t{3 << 20} + 1}) {
    rows.push_back({L"memory" + std::to_wstring(size) + L".bin",
                    Mixed(size, static_cast<unsigned>(size)), false});
  }
  rows.push_back({L"stored.gz", RandomBytes(2 << 20, 5), false});
  rows.push_back({L"zeros.bin", std::string(5 << 20, '\0'), false});

  for (const bool pipeOutput : {false, true}) {
    SCOPED_TRACE(pipeOutput ? "pipe output" : "file output");
    PipeReader pipe;
    HZIP zip = pipeOutput ? CreateZipZ(Fd(pipe.writeEnd()), 0, ZIP_HANDLE)
                          : CreateZipZ(const_cast<wchar_t*>(L"C:/out/blocks.zip"), 0, ZIP_FILENAME);
    ASSERT_NE(zip, nullptr);
    std::vector<ExpectedEntry> expected;
    for (const Row& row : rows) {
      SCOPED_TRACE(row.contents.size());
      if (row.stream) {
        PipeSource source(row.contents);
        ASSERT_EQ(ZipAdd(zip, row.name.c_str(), Fd(source.readEnd()), 0, ZIP_HANDLE), HZ_OK);
      } else {
        ASSERT_EQ(
            ZipAdd(zip, row.name.c_str(), Bytes(row.contents), Size(row.contents), ZIP_MEMORY),
            HZ_OK);
      }
      expected.push_back({std::string(row.name.begin(), row.name.end()), row.contents});
    }
    ASSERT_EQ(CloseZipZ(zip), HZ_OK);
    const std::filesystem::path archive = Host(pipeOutput ? "piped.zip" : "out/blocks.zip");
    if (pipeOutput) WriteBytes(archive, pipe.Data());
    EXPECT_TRUE(ReadersAccept(archive, expected));
  }
}

// 50 MB of mixed data from a file: one entry of some 400 blocks, each ended by a sync
// flush (the marker 00 00 FF FF), which shows that the threads did the work.
TEST_F(ZipParallelTest, FiftyMegabytesOfMixedData) {
  const std::string data = Mixed(50 << 20, 50);
  kv::testing::TempRoot::WriteFile(Host("src/mixed.dat"), data);
  HZIP zip = CreateZipZ(const_cast<wchar_t*>(L"C:/out/large.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  ASSERT_EQ(ZipAdd(zip, L"mixed.dat", const_cast<wchar_t*>(L"C:/src/mixed.dat"), 0, ZIP_FILENAME),
            HZ_OK);
  ASSERT_EQ(CloseZipZ(zip), HZ_OK);
  EXPECT_TRUE(ReadersAccept(Host("out/large.zip"), {{"mixed.dat", data}}));

  const std::string archive = ReadBytes(Host("out/large.zip"));
  size_t markers = 0;
  for (size_t at = archive.find(std::string("\0\0\xFF\xFF", 4)); at != std::string::npos;
       at = archive.find(std::string("\0\0\xFF\xFF", 4), at + 4)) {
    ++markers;
  }
  EXPECT_GE(markers, (50u << 20) / kBlock - 1);
}

// A source that fails in the middle (a socket reset after 1 MB) and an output that
// fails in the middle (a full device) give HZ_WRITE on one thread and on several; the
// failed entry is not registered and the next one is written whole.
TEST_F(ZipParallelTest, FailuresInTheMiddleOfAnEntry) {
  const std::string data = Mixed(1 << 20, 7);
  const std::string after = TextOf(300000, 8);
  for (const char* threads : {"1", "3"}) {
    SCOPED_TRACE(threads);
    kv::testing::ScopedEnv threadCount("KESTREL_ZIP_THREADS", threads);
    const std::string relative = std::string("out/reset") + threads + ".zip";
    const std::wstring name = L"C:/" + std::wstring(relative.begin(), relative.end());
    HZIP zip = CreateZipZ(const_cast<wchar_t*>(name.c_str()), 0, ZIP_FILENAME);
    ASSERT_NE(zip, nullptr);
    for (const unsigned length : {0u, 2u << 20}) {  // unknown length, a length announced
      PipeSource source(data, PipeSource::kReset);
      EXPECT_EQ(ZipAdd(zip, L"reset.bin", Fd(source.readEnd()), length, ZIP_HANDLE), HZ_WRITE);
    }
    EXPECT_EQ(ZipAdd(zip, L"after.txt", Bytes(after), Size(after), ZIP_MEMORY), HZ_OK);
    EXPECT_EQ(CloseZipZ(zip), HZ_OK);
    // The failed entries' bytes stay in the file: only the directory tells the truth.
    EXPECT_TRUE(ReadersAccept(Host(relative), {{"after.txt", after}}, Readers::kDirectoryOnly));

    const int full = open("/dev/full", O_WRONLY);
    if (full < 0) continue;
    zip = CreateZipZ(Fd(full), 0, ZIP_HANDLE);
    close(full);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAdd(zip, L"full.bin", Bytes(data), Size(data), ZIP_MEMORY), HZ_WRITE);
    EXPECT_EQ(CloseZipZ(zip), HZ_WRITE);
  }
}

}  // namespace
