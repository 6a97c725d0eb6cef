// The zip writer against independent readers: sources, outputs, names, records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "KVFileUtilities/zip.h"
#include "temp_root.h"
#include "zip_peer_readers.h"

namespace {

using namespace kv::fileutil::testing;  // the readers, test data and arguments of the zip tests

class ZipWriterTest : public kv::testing::RootTest {
 protected:
  std::filesystem::path Host(const std::string& relative) { return root_.Drive('c') / relative; }
  std::filesystem::path Put(const std::string& relative, const std::string& contents) {
    const std::filesystem::path file = Host(relative);
    kv::testing::TempRoot::WriteFile(file, contents);
    return file;
  }
  void MakeOutputFolder() { std::filesystem::create_directories(Host("out")); }
};

// Everything a file output can take in one archive: each source kind, folder names,
// stored extensions, attributes, the headers' fixed fields.
TEST_F(ZipWriterTest, FileOutputHoldsEverySourceKind) {
  const std::string readme = TextOf(70000, 1);
  const std::string binary = RandomBytes(30000, 2);
  const std::string memory = TextOf(5000, 3);
  const std::string small = "stored bytes\n";
  Put("src/readme.txt", readme);
  const std::filesystem::path binaryFile = Put("src/data.bin", binary);
  const std::filesystem::path lockedFile = Put("src/locked.txt", small);
  std::filesystem::permissions(lockedFile, std::filesystem::perms::owner_read);
  Put("src/small", small);
  MakeOutputFolder();

  const int descriptor = open(binaryFile.c_str(), O_RDONLY);
  ASSERT_GE(descriptor, 0);
  ASSERT_EQ(lseek(descriptor, 5, SEEK_SET), 5);

  HZIP zip = CreateZipZ(Name(L"C:/out/all.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  struct Row {
    const wchar_t* name;
    void* source;
    unsigned length;
    unsigned long kind;
    std::string storedName;
    std::string contents;
    unsigned method;
    uint32_t attributes;
  };
  const Row rows[] = {
      {L"docs\\readme.txt", Name(L"C:\\src\\readme.txt"), 0, ZIP_FILENAME, "docs/readme.txt",
       readme, 8, 0x81800020},
      {L"data.bin", Fd(descriptor), 0, ZIP_HANDLE, "data.bin", binary, 8, 0x81800020},
      {L"mem.txt", Bytes(memory), Size(memory), ZIP_MEMORY, "mem.txt", memory, 8, 0x80000000},
      {L"images", nullptr, 0, ZIP_FOLDER, "images/", "", 0, 0x41C00010},
      {L"sub\\deeper\\", nullptr, 0, ZIP_FOLDER, "sub/deeper/", "", 0, 0x41C00010},
      {L"locked.txt", Name(L"C:/src/locked.txt"), 0, ZIP_FILENAME, "locked.txt", small, 8,
       0x81000021},
      {L"a.zip", Name(L"C:/src/small"), 0, ZIP_FILENAME, "a.zip", small, 0, 0x81800020},
      {L"B.ZIP", Bytes(small), Size(small), ZIP_MEMORY, "B.ZIP", small, 0, 0x80000000},
      {L"c.Gz", Bytes(small), Size(small), ZIP_MEMORY, "c.Gz", small, 0, 0x80000000},
      {L"d.tgz", Bytes(small), Size(small), ZIP_MEMORY, "d.tgz", small, 0, 0x80000000},
      {L"e.Z", Bytes(small), Size(small), ZIP_MEMORY, "e.Z", small, 0, 0x80000000},
      {L"f.z", Bytes(small), Size(small), ZIP_MEMORY, "f.z", small, 0, 0x80000000},
      {L"g.ARJ", Bytes(small), Size(small), ZIP_MEMORY, "g.ARJ", small, 0, 0x80000000},
      {L"h.lzh", Bytes(small), Size(small), ZIP_MEMORY, "h.lzh", small, 0, 0x80000000},
      {L"i.zoo", Bytes(small), Size(small), ZIP_MEMORY, "i.zoo", small, 0, 0x80000000},
      {L"j.arc", Bytes(small), Size(small), ZIP_MEMORY, "j.arc", small, 0, 0x80000000},
      {L"k.zipx", Bytes(small), Size(small), ZIP_MEMORY, "k.zipx", small, 8, 0x80000000},
      {L"l.gz.txt", Bytes(small), Size(small), ZIP_MEMORY, "l.gz.txt", small, 8, 0x80000000},
      {L"dir.gz\\m", Bytes(small), Size(small), ZIP_MEMORY, "dir.gz/m", small, 8, 0x80000000},
  };
  std::vector<ExpectedEntry> expected;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.storedName);
    ASSERT_EQ(ZipAdd(zip, row.name, row.source, row.length, row.kind), HZ_OK);
    expected.push_back({row.storedName, row.contents});
  }
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);

  // A caller's descriptor stays open where it was.
  EXPECT_EQ(lseek(descriptor, 0, SEEK_CUR), 5);
  close(descriptor);

  const std::filesystem::path archive = Host("out/all.zip");
  EXPECT_TRUE(ReadersAccept(archive, expected));
  const std::vector<PeerEntry> entries = PeerEntries(archive);
  ASSERT_EQ(entries.size(), std::size(rows));
  for (size_t i = 0; i < entries.size(); ++i) {
    const Row& row = rows[i];
    const PeerEntry& entry = entries[i];
    SCOPED_TRACE(row.storedName);
    EXPECT_EQ(entry.method, row.method);
    EXPECT_EQ(entry.flags, row.method == 8 ? 2u : 0u);  // completed in place: no descriptor
    EXPECT_EQ(entry.externalAttributes, row.attributes);
    EXPECT_EQ(entry.createSystem, 11u);
    EXPECT_EQ(entry.createVersion, 0x17u);
    EXPECT_EQ(entry.extractVersion, 20u);
    EXPECT_EQ(entry.size, row.contents.size());
    if (row.method == 0) {
      EXPECT_EQ(entry.compressedSize, entry.size);
    }
    EXPECT_EQ(entry.extraHex.substr(0, 10), "5554050007");  // "UT", 5 bytes, three times
  }
  EXPECT_EQ(entries[0].headerOffset, 0u);
}

// An output that cannot seek: every entry is followed by a data descriptor, and the
// local headers keep flag 8; a streaming reader can follow the archive.
TEST_F(ZipWriterTest, PipeOutputWritesDataDescriptors) {
  const std::string text = TextOf(200000, 4);
  const std::string packed = RandomBytes(50000, 5);
  const std::string streamed = TextOf(100000, 6);
  Put("src/text.txt", text);
  Put("src/packed.gz", packed);

  PipeReader output;
  HZIP zip = CreateZipZ(Fd(output.writeEnd()), 0, ZIP_HANDLE);
  ASSERT_NE(zip, nullptr);
  output.CloseWriteEnd();  // the library writes to its own duplicate
  EXPECT_EQ(ZipAdd(zip, L"docs\\text.txt", Name(L"C:/src/text.txt"), 0, ZIP_FILENAME), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"packed.gz", Name(L"C:/src/packed.gz"), 0, ZIP_FILENAME), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"images", nullptr, 0, ZIP_FOLDER), HZ_OK);
  {
    PipeSource unknownLength(streamed);
    EXPECT_EQ(ZipAdd(zip, L"streamed.txt", Fd(unknownLength.readEnd()), 0, ZIP_HANDLE), HZ_OK);
  }
  {
    PipeSource knownLength(packed);
    EXPECT_EQ(ZipAdd(zip, L"known.gz", Fd(knownLength.readEnd()), Size(packed), ZIP_HANDLE), HZ_OK);
  }
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);

  const std::string bytes = output.Data();
  const std::filesystem::path archive = Host("piped.zip");
  WriteBytes(archive, bytes);
  EXPECT_TRUE(ReadersAccept(archive, {{"docs/text.txt", text},
                                      {"packed.gz", packed},
                                      {"images/", ""},
                                      {"streamed.txt", streamed},
                                      {"known.gz", packed}}));
  const std::vector<PeerEntry> entries = PeerEntries(archive);
  ASSERT_EQ(entries.size(), 5u);
  const unsigned expectedFlags[] = {10, 8, 8, 10, 8};
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(entries[i].flags, expectedFlags[i]);
    EXPECT_EQ(Le16(bytes, entries[i].headerOffset + 6),
              expectedFlags[i]);  // the local header's flags
    // The descriptor ends where the next local header (or the directory) starts.
    const size_t next =
        i + 1 < entries.size() ? entries[i + 1].headerOffset : bytes.find("PK\x01\x02");
    ASSERT_GE(next, 16u);
    EXPECT_EQ(Le32(bytes, next - 16), 0x08074B50u);
    EXPECT_EQ(Le32(bytes, next - 12), entries[i].crc);
    EXPECT_EQ(Le32(bytes, next - 8), entries[i].compressedSize);
    EXPECT_EQ(Le32(bytes, next - 4), entries[i].size);
  }
}

// A stored source that delivers another size than announced cannot be described by a
// streamed local header; a seekable output completes the header instead.
TEST_F(ZipWriterTest, StoredSizeChangeOnPipeOutput) {
  const std::string data = RandomBytes(100, 7);
  PipeReader output;
  HZIP zip = CreateZipZ(Fd(output.writeEnd()), 0, ZIP_HANDLE);
  ASSERT_NE(zip, nullptr);
  output.CloseWriteEnd();
  {
    PipeSource wrongLength(data);
    EXPECT_EQ(ZipAdd(zip, L"short.gz", Fd(wrongLength.readEnd()), 50, ZIP_HANDLE),
              HZ_STORAGE_CHANGED);
  }
  {
    PipeSource unknownLength(data);
    EXPECT_EQ(ZipAdd(zip, L"unknown.gz", Fd(unknownLength.readEnd()), 0, ZIP_HANDLE),
              HZ_STORAGE_CHANGED);
  }
  EXPECT_EQ(ZipAdd(zip, L"good.gz", Bytes(data), Size(data), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  const std::filesystem::path archive = Host("changed.zip");
  WriteBytes(archive, output.Data());
  // The failed entries' bytes stay in the stream, so only the directory tells the truth.
  EXPECT_TRUE(ReadersAccept(archive, {{"good.gz", data}}, Readers::kDirectoryOnly));

  MakeOutputFolder();
  zip = CreateZipZ(Name(L"C:/out/seek.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  {
    PipeSource wrongLength(data);
    EXPECT_EQ(ZipAdd(zip, L"short.gz", Fd(wrongLength.readEnd()), 50, ZIP_HANDLE), HZ_OK);
  }
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  EXPECT_TRUE(ReadersAccept(Host("out/seek.zip"), {{"short.gz", data}}));
}

// An archive written into an open file at byte 1000: offsets count from the file's
// start, the bytes before stay, and the caller's position ends after the archive.
TEST_F(ZipWriterTest, ArchiveAtByte1000OfAnOpenFile) {
  const std::string prefix(1000, 'x');
  const std::filesystem::path file = Put("out/embedded.bin", prefix);
  const int descriptor = open(file.c_str(), O_RDWR);
  ASSERT_GE(descriptor, 0);
  ASSERT_EQ(lseek(descriptor, 1000, SEEK_SET), 1000);
  const std::string one = TextOf(10000, 8), two = RandomBytes(3000, 9), three = "third\n";

  HZIP zip = CreateZipZ(Fd(descriptor), 0, ZIP_HANDLE);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAdd(zip, L"one.txt", Bytes(one), Size(one), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"two.gz", Bytes(two), Size(two), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"three.txt", Bytes(three), Size(three), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);

  const std::string bytes = ReadBytes(file);
  EXPECT_EQ(lseek(descriptor, 0, SEEK_CUR), static_cast<off_t>(bytes.size()));
  close(descriptor);
  EXPECT_EQ(bytes.substr(0, 1000), prefix);
  EXPECT_TRUE(ReadersAccept(file, {{"one.txt", one}, {"two.gz", two}, {"three.txt", three}},
                            Readers::kNoStreaming));

  const std::vector<PeerEntry> entries = PeerEntries(file);
  ASSERT_EQ(entries.size(), 3u);
  uint64_t localBytes = 0;
  for (const auto& entry : entries) {
    EXPECT_EQ(entry.headerOffset, 1000 + localBytes) << entry.name;
    localBytes += 30 + entry.name.size() + 17 + entry.compressedSize;
  }
  const size_t end = bytes.size() - 22;
  EXPECT_EQ(Le32(bytes, end), 0x06054B50u);
  EXPECT_EQ(Le16(bytes, end + 8), 3u);
  EXPECT_EQ(Le16(bytes, end + 10), 3u);
  EXPECT_EQ(Le32(bytes, end + 16), 1000 + localBytes);
  EXPECT_EQ(Le32(bytes, end + 12), end - (1000 + localBytes));
}

// Memory output: the caller's block holds an archive that fits, to the last byte; an
// archive that outgrows it moves to a mapping, and the block keeps what it had.
TEST_F(ZipWriterTest, MemoryOutputInTheCallersBlockAndBeyond) {
  const std::string text = TextOf(20000, 10);
  const std::string binary = RandomBytes(5000, 11);
  Put("src/a.txt", text);
  Put("src/b.gz", binary);
  MakeOutputFolder();
  auto writeAll = [](HZIP zip) {
    EXPECT_EQ(ZipAdd(zip, L"a.txt", Name(L"C:/src/a.txt"), 0, ZIP_FILENAME), HZ_OK);
    EXPECT_EQ(ZipAdd(zip, L"b.gz", Name(L"C:/src/b.gz"), 0, ZIP_FILENAME), HZ_OK);
    EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  };
  HZIP zip = CreateZipZ(Name(L"C:/out/reference.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  writeAll(zip);
  const std::string reference = ReadBytes(Host("out/reference.zip"));
  ASSERT_TRUE(ReadersAccept(Host("out/reference.zip"), {{"a.txt", text}, {"b.gz", binary}}));

  for (const size_t extra : {size_t{0}, size_t{1000}}) {
    SCOPED_TRACE(extra);
    std::vector<char> block(reference.size() + extra, '\xEE');
    zip = CreateZipZ(block.data(), static_cast<unsigned>(block.size()), ZIP_MEMORY);
    ASSERT_NE(zip, nullptr);
    writeAll(zip);
    EXPECT_EQ(std::string(block.data(), reference.size()), reference);
    EXPECT_EQ(std::string(block.begin() + static_cast<long>(reference.size()), block.end()),
              std::string(extra, '\xEE'));
  }

  // 64 bytes take the first local header (52 bytes) as first written; the data no
  // longer fits, and from then on the archive lives in a mapping.
  std::vector<char> small(64, '\xEE');
  zip = CreateZipZ(small.data(), static_cast<unsigned>(small.size()), ZIP_MEMORY);
  ASSERT_NE(zip, nullptr);
  writeAll(zip);
  const std::string head(small.data(), small.size());
  EXPECT_EQ(head.substr(0, 4), reference.substr(0, 4));
  EXPECT_EQ(Le16(head, 6), 10u);  // flags before completion: descriptor bit and level
  EXPECT_EQ(Le32(head, 14), 0u);  // CRC not yet known
  EXPECT_EQ(head.substr(26, 26), reference.substr(26, 26));  // name, extra field
  EXPECT_EQ(head.substr(52), std::string(12, '\xEE'));

  // A block the library maps, grown through several doublings.
  const std::string big = RandomBytes(3 << 20, 12);
  zip = CreateZipZ(nullptr, 1024, ZIP_MEMORY);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAdd(zip, L"big.zip", Bytes(big), Size(big), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"big.bin", Bytes(big), Size(big), ZIP_MEMORY), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
}

// Names: CP437 where it holds every character (flags unchanged), with a Unicode Path
// field when it has characters past ASCII; UTF-8 with flag 11 where CP437 does not hold
// them. Every listing shows the intended name; text that is not Unicode is refused.
TEST_F(ZipWriterTest, EntryNamesEveryReaderShows) {
  MakeOutputFolder();
  HZIP zip = CreateZipZ(Name(L"C:/out/names.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  const std::string data = "content\n";
  struct Row {
    const wchar_t* name;
    unsigned long kind;
    std::string utf8;    // as readers show it
    std::string stored;  // the bytes in the headers
    bool utf8Flag;
    bool unicodePath;
  };
  const Row rows[] = {
      {L"plain\\name.txt", ZIP_MEMORY, "plain/name.txt", "plain/name.txt", false, false},
      {L"caf\u00E9.txt", ZIP_MEMORY, "caf\u00E9.txt", "caf\x82.txt", false, true},
      {L"B\u00FCcher\\\u00DCbersicht \u00E9.txt", ZIP_MEMORY,
       "B\u00FCcher/\u00DCbersicht \u00E9.txt",
       "B\x81"
       "cher/\x9A"
       "bersicht \x82.txt",
       false, true},
      {L"\u03A9mega \u2502 \u00BD.txt", ZIP_MEMORY, "\u03A9mega \u2502 \u00BD.txt",
       "\xEAmega \xB3 \xAB.txt", false, true},
      {L"Ordner \u00E4", ZIP_FOLDER, "Ordner \u00E4/", "Ordner \x84/", false, true},
      {L"\u65E5\u672C\\\u30C7\u30FC\u30BF.txt", ZIP_MEMORY, "\u65E5\u672C/\u30C7\u30FC\u30BF.txt",
       "\u65E5\u672C/\u30C7\u30FC\u30BF.txt", true, false},
      {L"price \u20AC.txt", ZIP_MEMORY, "price \u20AC.txt", "price \u20AC.txt", true, false},
  };
  std::vector<ExpectedEntry> expected;
  std::vector<std::string> names;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    ASSERT_EQ(ZipAdd(zip, row.name, Bytes(data), Size(data), row.kind), HZ_OK);
    expected.push_back({row.utf8, row.kind == ZIP_FOLDER ? "" : data});
    names.push_back(row.utf8);
  }
  const wchar_t surrogate[] = {0xD800, L'x', 0};
  const wchar_t beyondUnicode[] = {static_cast<wchar_t>(0x110000), 0};
  EXPECT_EQ(ZipAdd(zip, surrogate, Bytes(data), Size(data), ZIP_MEMORY), HZ_ARGUMENTS);
  EXPECT_EQ(ZipAdd(zip, beyondUnicode, Bytes(data), Size(data), ZIP_MEMORY), HZ_ARGUMENTS);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);

  const std::filesystem::path archive = Host("out/names.zip");
  EXPECT_TRUE(ReadersAccept(archive, expected));
  EXPECT_TRUE(ListingsShow(archive, names));
  const std::string bytes = ReadBytes(archive);
  const std::vector<PeerEntry> entries = PeerEntries(archive);
  ASSERT_EQ(entries.size(), std::size(rows));
  for (size_t i = 0; i < entries.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.utf8);
    EXPECT_EQ(entries[i].flags, (row.utf8Flag ? 0x800u : 0u) | (row.kind == ZIP_FOLDER ? 0u : 2u));
    const size_t at = entries[i].headerOffset;
    const size_t nameLength = Le16(bytes, at + 26), extraLength = Le16(bytes, at + 28);
    EXPECT_EQ(bytes.substr(at + 30, nameLength), row.stored);
    // The Unicode Path field follows the "UT" field in both headers: tag, size,
    // version 1, the CRC-32 of the stored name, the UTF-8 name.
    std::string field;
    if (row.unicodePath) {
      const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(row.stored.data()),
                              static_cast<uInt>(row.stored.size()));
      field = std::string("\x75\x70") + static_cast<char>(5 + row.utf8.size()) + '\0' + '\x01';
      for (int shift = 0; shift < 32; shift += 8) field += static_cast<char>(crc >> shift & 0xFF);
      field += row.utf8;
    }
    EXPECT_EQ(bytes.substr(at + 30 + nameLength + 17, extraLength - 17), field);
    EXPECT_EQ(entries[i].extraHex.substr(18), Hex(field));
  }
}

// The exact bytes of a small archive, field by field.
TEST_F(ZipWriterTest, ExactRecordLayout) {
  const char* oldZone = getenv("TZ");
  const std::string savedZone = oldZone ? oldZone : "";
  setenv("TZ", "UTC0", 1);
  const std::string stored = "hello, zip\n";
  const std::string text = TextOf(3000, 13);
  const std::filesystem::path a = Put("src/a.gz", stored);
  const std::filesystem::path b = Put("src/b.txt", text);
  // Modified 2021-03-04 05:06:08 UTC, accessed 100 seconds later.
  const timespec times[2] = {{1614834468, 0}, {1614834368, 0}};  // access, modification
  ASSERT_EQ(utimensat(AT_FDCWD, a.c_str(), times, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, b.c_str(), times, 0), 0);
  auto creation = [](const std::filesystem::path& file) -> uint32_t {
    struct statx info;
    if (statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) return 0;
    return static_cast<uint32_t>((info.stx_mask & STATX_BTIME) ? info.stx_btime.tv_sec
                                                               : info.stx_mtime.tv_sec);
  };
  const uint32_t createdA = creation(a), createdB = creation(b);
  MakeOutputFolder();
  HZIP zip = CreateZipZ(Name(L"C:/out/exact.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  EXPECT_EQ(ZipAdd(zip, L"a.gz", Name(L"C:/src/a.gz"), 0, ZIP_FILENAME), HZ_OK);
  EXPECT_EQ(ZipAdd(zip, L"dir\\b.txt", Name(L"C:/src/b.txt"), 0, ZIP_FILENAME), HZ_OK);
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  if (oldZone)
    setenv("TZ", savedZone.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();

  const std::string bytes = ReadBytes(Host("out/exact.zip"));
  // The deflated data of b is whatever zlib made of it; the readers check it below.
  const size_t bLocal = 30 + 4 + 17 + stored.size();
  const size_t bData = bLocal + 30 + 9 + 17;
  const size_t directory = bytes.find("PK\x01\x02");
  ASSERT_NE(directory, std::string::npos);
  const uint32_t bCompressed = static_cast<uint32_t>(directory - bData);

  std::string expected;
  auto put16 = [&](uint32_t v) {
    expected += static_cast<char>(v & 0xFF);
    expected += static_cast<char>(v >> 8 & 0xFF);
  };
  auto put32 = [&](uint32_t v) {
    put16(v & 0xFFFF);
    put16(v >> 16);
  };
  const uint32_t storedCrc = 0xCB72381B;  // CRC-32 of "hello, zip\n"
  const uint32_t textCrc = Le32(bytes, bLocal + 14);
  const uint16_t dosTime = (5 << 11) | (6 << 5) | 4, dosDate = (41 << 9) | (3 << 5) | 4;
  auto local = [&](const std::string& name, uint16_t flags, uint16_t method, uint32_t crc,
                   uint32_t compressed, uint32_t size, uint32_t created) {
    put32(0x04034B50);
    put16(20);
    put16(flags);
    put16(method);
    put16(dosTime);
    put16(dosDate);
    put32(crc);
    put32(compressed);
    put32(size);
    put16(static_cast<uint32_t>(name.size()));
    put16(17);
    expected += name;
    put16(0x5455);
    put16(13);
    expected += '\x07';
    put32(1614834368);
    put32(1614834468);
    put32(created);
  };
  auto central = [&](const std::string& name, uint16_t flags, uint16_t method, uint32_t crc,
                     uint32_t compressed, uint32_t size, uint32_t offset) {
    put32(0x02014B50);
    put16(0x0B17);
    put16(20);
    put16(flags);
    put16(method);
    put16(dosTime);
    put16(dosDate);
    put32(crc);
    put32(compressed);
    put32(size);
    put16(static_cast<uint32_t>(name.size()));
    put16(9);
    put16(0);
    put16(0);
    put16(0);
    put32(0x81800020);
    put32(offset);
    expected += name;
    put16(0x5455);
    put16(5);
    expected += '\x07';
    put32(1614834368);
  };
  local("a.gz", 0, 0, storedCrc, Size(stored), Size(stored), createdA);
  expected += stored;
  local("dir/b.txt", 2, 8, textCrc, bCompressed, Size(text), createdB);
  expected += bytes.substr(bData, bCompressed);
  central("a.gz", 0, 0, storedCrc, Size(stored), Size(stored), 0);
  central("dir/b.txt", 2, 8, textCrc, bCompressed, Size(text), static_cast<uint32_t>(bLocal));
  const uint32_t directorySize = static_cast<uint32_t>(expected.size() - directory);
  put32(0x06054B50);
  put16(0);
  put16(0);
  put16(2);
  put16(2);
  put32(directorySize);
  put32(static_cast<uint32_t>(directory));
  put16(0);
  EXPECT_EQ(bytes, expected);
  EXPECT_TRUE(ReadersAccept(Host("out/exact.zip"), {{"a.gz", stored}, {"dir/b.txt", text}}));
}

// Times: the DOS fields hold the local time; the "UT" fields the true seconds since
// 1970, whatever the daylight saving, clamped to the years 1970 to 2037.
TEST_F(ZipWriterTest, TimesInDaylightSavingAndOutOfRange) {
  const char* oldZone = getenv("TZ");
  const std::string savedZone = oldZone ? oldZone : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  struct Row {
    const char* file;
    int64_t modified;
    int dos[6];      // local date and time in the DOS fields
    uint32_t extra;  // the "UT" modification time
  };
  const Row rows[] = {
      // 2020-07-01 12:00:00 UTC is 14:00 summer time.
      {"summer.txt", 1593604800, {2020, 7, 1, 14, 0, 0}, 1593604800},
      // 1965-03-04 09:20:30 UTC: 10:20:30 local, kept as the time of 1970-01-01.
      {"old.txt", -152375970, {1980, 1, 1, 0, 0, 0}, 33630},
      // 2050-07-01 12:00:00 UTC: 14:00 local, as 2037-12-31 14:00 winter time.
      {"late.txt", 2540289600, {2050, 7, 1, 14, 0, 0}, 2145877200},
  };
  MakeOutputFolder();
  HZIP zip = CreateZipZ(Name(L"C:/out/times.zip"), 0, ZIP_FILENAME);
  ASSERT_NE(zip, nullptr);
  for (const Row& row : rows) {
    const std::filesystem::path file = Put(std::string("src/") + row.file, "x");
    const timespec times[2] = {{row.modified, 0}, {row.modified, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const std::wstring source = L"C:/src/" + std::wstring(row.file, row.file + strlen(row.file));
    EXPECT_EQ(ZipAdd(zip, source.c_str() + 7, Name(source.c_str()), 0, ZIP_FILENAME), HZ_OK);
  }
  EXPECT_EQ(CloseZipZ(zip), HZ_OK);
  if (oldZone)
    setenv("TZ", savedZone.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();

  const std::filesystem::path archive = Host("out/times.zip");
  const std::string bytes = ReadBytes(archive);
  const std::vector<PeerEntry> entries = PeerEntries(archive);
  ASSERT_EQ(entries.size(), std::size(rows));
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(rows[i].file);
    EXPECT_EQ(std::vector<int>(entries[i].dateTime, entries[i].dateTime + 6),
              std::vector<int>(rows[i].dos, rows[i].dos + 6));
    const size_t extra = entries[i].headerOffset + 30 + entries[i].name.size();
    EXPECT_EQ(Le32(bytes, extra + 5), rows[i].extra);  // local: modification
    EXPECT_EQ(Le32(bytes, extra + 9), rows[i].extra);  // access
  }
}

}  // namespace
