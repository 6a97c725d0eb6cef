// The zip writer's result codes, and the reading entry points' refusals.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "KVFileUtilities/zip.h"
#include "temp_root.h"
#include "zip_peer_readers.h"

namespace {

using namespace kv::fileutil::testing;  // the readers, test data and arguments of the zip tests

class ZipErrorsTest : public kv::testing::RootTest {
 protected:
  std::filesystem::path Host(const std::string& relative) { return root_.Drive('c') / relative; }
};

TEST_F(ZipErrorsTest, CreateRefusesBadOutputs) {
  std::filesystem::create_directories(Host("folder"));
  const int closed = open("/dev/null", O_WRONLY);
  close(closed);  // a descriptor number that is no longer open
  char block[16];
  struct Row {
    const char* what;
    void* target;
    unsigned size;
    unsigned long kind;
  } rows[] = {
      {"memory of size 0", block, 0, ZIP_MEMORY},
      {"mapped memory of size 0", nullptr, 0, ZIP_MEMORY},
      {"unknown kind", block, sizeof block, 7},
      {"kind 0", block, sizeof block, 0},
      {"descriptor -1", Fd(-1), 0, ZIP_HANDLE},
      {"closed descriptor", Fd(closed), 0, ZIP_HANDLE},
      {"file in a missing folder", Name(L"C:/missing/a.zip"), 0, ZIP_FILENAME},
      {"file over a folder", Name(L"C:/folder"), 0, ZIP_FILENAME},
      {"null file name", nullptr, 0, ZIP_FILENAME},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(CreateZipZ(row.target, row.size, row.kind), nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(Host("missing")));
}

// A refused addition writes nothing: the next entry starts where the archive began.
TEST_F(ZipErrorsTest, RefusedAdditionsWriteNothing) {
  kv::testing::TempRoot::WriteFile(Host("src/file.txt"), "data");
  std::filesystem::create_directories(Host("out"));
  const int writeOnly = open(Host("src/file.txt").c_str(), O_WRONLY);
  ASSERT_GE(writeOnly, 0);
  char memory[] = "memory";
  HZIP zip = CreateZipZ(Name(L"C:/out/a.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  struct Row {
    const char* what;
    const wchar_t* name;
    void* source;
    unsigned length;
    unsigned long kind;
    unsigned long code;
  } rows[] = {
      {"kind 5", L"a", memory, 6, 5, HZ_ARGUMENTS},
      {"kind 0", L"a", memory, 6, 0, HZ_ARGUMENTS},
      {"null name", nullptr, memory, 6, ZIP_MEMORY, HZ_ARGUMENTS},
      {"empty name", L"", memory, 6, ZIP_MEMORY, HZ_ARGUMENTS},
      {"null memory", L"a", nullptr, 6, ZIP_MEMORY, HZ_ARGUMENTS},
      {"empty memory", L"a", memory, 0, ZIP_MEMORY, HZ_ARGUMENTS},
      {"null file name", L"a", nullptr, 0, ZIP_FILENAME, HZ_ARGUMENTS},
      {"missing file", L"a", Name(L"C:/src/none.txt"), 0, ZIP_FILENAME, HZ_OPEN_FILE},
      {"missing folder", L"a", Name(L"C:/none/none.txt"), 0, ZIP_FILENAME, HZ_OPEN_FILE},
      {"folder as file", L"a", Name(L"C:/src"), 0, ZIP_FILENAME, HZ_OPEN_FILE},
      {"descriptor -1", L"a", Fd(-1), 0, ZIP_HANDLE, HZ_OPEN_FILE},
      {"descriptor not open", L"a", Fd(999), 0, ZIP_HANDLE, HZ_OPEN_FILE},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(ZipAdd(zip, row.name, row.source, row.length, row.kind), row.code);
  }
  // A descriptor that cannot be read fails while copying, after its header.
  EXPECT_EQ(ZipAdd(zip, L"unreadable.txt", Fd(writeOnly), 0, ZIP_HANDLE), HZ_WRITE);
  close(writeOnly);
  EXPECT_EQ(ZipAdd(nullptr, L"a", memory, 6, ZIP_MEMORY), HZ_ARGUMENTS);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  EXPECT_EQ(CloseZipZ(nullptr), HZ_ARGUMENTS);
  // Only the unreadable entry's local header precedes an empty directory.
  const std::string bytes = ReadBytes(Host("out/a.zip"));
  EXPECT_EQ(bytes.size(), 30u + 14 + 17 + 22);
  EXPECT_EQ(bytes.substr(30, 14), "unreadable.txt");
  EXPECT_EQ(Le16(bytes, bytes.size() - 12), 0u);
}

TEST_F(ZipErrorsTest, WriteFailuresReportHzWrite) {
  const int full = open("/dev/full", O_WRONLY);
  if (full < 0) GTEST_SKIP() << "no /dev/full";
  HZIP zip = CreateZipZ(Fd(full), 0, ZIP_HANDLE);
  close(full);
  ASSERT_NE(zip, nullptr);
  char data[] = "some data";
  EXPECT_EQ(ZipAdd(zip, L"a.txt", data, sizeof data, ZIP_MEMORY), HZ_WRITE);
  EXPECT_EQ(ZipAdd(zip, L"b", nullptr, 0, ZIP_FOLDER), HZ_WRITE);
  EXPECT_EQ(CloseZipZ(zip), HZ_WRITE);
}

// A pipe whose reader has gone: the additions fail, and the process lives on (no
// SIGPIPE reaches it).
TEST_F(ZipErrorsTest, PipeWithoutReader) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  HZIP zip = CreateZipZ(Fd(fds[1]), 0, ZIP_HANDLE);
  close(fds[1]);
  ASSERT_NE(zip, nullptr);
  char data[] = "some data";
  EXPECT_EQ(ZipAdd(zip, L"a.txt", data, sizeof data, ZIP_MEMORY), HZ_WRITE);
  EXPECT_EQ(CloseZipZ(zip), HZ_WRITE);
  sigset_t pending;
  sigpending(&pending);
  EXPECT_EQ(sigismember(&pending, SIGPIPE), 0);
}

TEST_F(ZipErrorsTest, ReadingEntryPointsRefuseEveryHandle) {
  char block[256];
  HZIP zip = CreateZipZ(block, sizeof block, ZIP_MEMORY);
  ASSERT_NE(zip, nullptr);
  for (HZIP handle : {static_cast<HZIP>(nullptr), zip}) {
    const unsigned long code = handle == nullptr ? HZ_ARGUMENTS : HZ_WRONG_MODE;
    SCOPED_TRACE(handle == nullptr ? "null handle" : "writing handle");
    ZIPENTRY entry;
    ZIPENTRYW wentry;
    std::memset(&entry, 0xAB, sizeof entry);
    std::memset(&wentry, 0xAB, sizeof wentry);
    int index = -7;
    char target[8] = "target";
    EXPECT_EQ(FindZipItemA(handle, L"a", true, &index, &entry), code);
    EXPECT_EQ(FindZipItemW(handle, L"a", false, &index, &wentry), code);
    EXPECT_EQ(GetZipItemA(handle, 0, &entry), code);
    EXPECT_EQ(GetZipItemW(handle, 0, &wentry), code);
    EXPECT_EQ(UnzipItem(handle, 0, target, sizeof target, ZIP_MEMORY), code);
    EXPECT_EQ(index, -7);
    EXPECT_STREQ(target, "target");
    for (size_t i = 0; i < sizeof entry; ++i)
      ASSERT_EQ(reinterpret_cast<uint8_t*>(&entry)[i], 0xAB);
    for (size_t i = 0; i < sizeof wentry; ++i)
      ASSERT_EQ(reinterpret_cast<uint8_t*>(&wentry)[i], 0xAB);
  }
  // The handle is still good for writing.
  EXPECT_EQ(ZipAdd(zip, L"f", nullptr, 0, ZIP_FOLDER), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
}

}  // namespace
