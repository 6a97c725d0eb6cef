// Test support for the zip writer: independent readers check every archive a test
// writes. Info-ZIP's `unzip -t` and `zipinfo -v`, Python's zipfile module (testzip and
// the contents byte for byte), 7-Zip's `7z t`, bsdtar reading the archive as a file
// and, where the archive suits a streaming reader, bsdtar reading it from a pipe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace kv::fileutil::testing {

// Arguments of the zip interface: a descriptor, a wide name, a byte string.
inline void* Fd(int descriptor) {
  return reinterpret_cast<void*>(static_cast<intptr_t>(descriptor));
}
inline void* Name(const wchar_t* name) { return const_cast<wchar_t*>(name); }
inline void* Bytes(const std::string& bytes) { return const_cast<char*>(bytes.data()); }
inline unsigned Size(const std::string& bytes) { return static_cast<unsigned>(bytes.size()); }

// What an archive should hold, in order.
struct ExpectedEntry {
  std::string name;      // UTF-8, as a reader shows it ("docs/readme.txt", "images/")
  std::string contents;  // empty for a folder
};

// One entry as Python's zipfile sees it.
struct PeerEntry {
  std::string name;  // UTF-8
  unsigned flags = 0;
  unsigned method = 0;
  unsigned createVersion = 0;  // version made by, low byte
  unsigned createSystem = 0;   // version made by, high byte
  unsigned extractVersion = 0;
  uint32_t externalAttributes = 0;
  uint64_t headerOffset = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t size = 0;
  int dateTime[6] = {};  // year, month, day, hour, minute, second (DOS precision)
  std::string extraHex;  // the central extra field in hex
};

// Which readers an archive suits. kAll: every reader, the streaming one included, which
// follows the local headers from the start of the file. kNoStreaming: an archive that
// does not start with its first local header (it sits inside another file).
// kDirectoryOnly: the readers that go by the central directory alone, for archives that
// hold bytes the directory does not cover (an entry whose addition failed) or start
// gigabytes into a file; 7-Zip, which checks the local headers' sequence, refuses them.
enum class Readers { kAll, kNoStreaming, kDirectoryOnly };

// Runs every reader on the archive; each must accept it and deliver `expected`.
::testing::AssertionResult ReadersAccept(const std::filesystem::path& archive,
                                         const std::vector<ExpectedEntry>& expected,
                                         Readers readers = Readers::kAll);

// The names that each listing shows, in a UTF-8 locale: `unzip -l`, `zipinfo`, `7z l`,
// `bsdtar -tf` and Python's zipfile must all show `names` (UTF-8), in order.
::testing::AssertionResult ListingsShow(const std::filesystem::path& archive,
                                        const std::vector<std::string>& names);

// The entries of the central directory as Python's zipfile reads them (fails the
// test when Python cannot read the archive).
std::vector<PeerEntry> PeerEntries(const std::filesystem::path& archive);

// Runs a shell command; returns its exit status, with stdout and stderr in `output`.
int RunCommand(const std::string& command, std::string* output);

// Reads a whole file; writes bytes to a file.
std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// Test data: words of NC programs (compressible), random bytes (incompressible).
std::string TextOf(size_t size, unsigned seed);
std::string RandomBytes(size_t size, unsigned seed);

// Collects everything written to a pipe until its last writer closes.
class PipeReader {
 public:
  PipeReader();
  ~PipeReader();
  int writeEnd() const { return fds_[1]; }
  void CloseWriteEnd();
  // Waits for the end of the data (every writer closed).
  const std::string& Data();

 private:
  int fds_[2] = {-1, -1};
  std::thread thread_;
  std::string data_;
};

// A stream whose other end a thread fills with `contents`, then closes. kEnd: a pipe,
// whose reader then sees the end of the data. kReset: a socket whose reader then gets
// "connection reset" (ECONNRESET) instead: a source that fails after its contents.
class PipeSource {
 public:
  enum Close { kEnd, kReset };
  explicit PipeSource(std::string contents, Close close = kEnd);
  ~PipeSource();
  int readEnd() const { return fds_[0]; }

 private:
  std::string contents_;
  int fds_[2] = {-1, -1};
  std::thread thread_;
};

// Bytes in lower-case hex.
std::string Hex(const std::string& bytes);

// Little-endian fields of raw archive bytes.
uint16_t Le16(const std::string& bytes, size_t at);
uint32_t Le32(const std::string& bytes, size_t at);

}  // namespace kv::fileutil::testing
