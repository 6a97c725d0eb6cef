// Test support for the zip writer: independent readers check every archive a test
// writes. Info-ZIP's `unzip -t` and `zipinfo -v`, Python's zipfile module (testzip and
// the contents byte for byte), bsdtar reading the archive as a file and, where the
// archive suits a streaming reader, bsdtar reading it from a pipe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace kv::ziptest {

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
  int dateTime[6] = {};    // year, month, day, hour, minute, second (DOS precision)
  std::string extraHex;    // the central extra field in hex
};

enum class Streaming { kYes, kNo };

// Runs every reader on the archive; each must accept it and deliver `expected`.
// kYes adds the streaming reader (archives whose entries it can follow).
::testing::AssertionResult ReadersAccept(const std::filesystem::path& archive,
                                         const std::vector<ExpectedEntry>& expected,
                                         Streaming streaming = Streaming::kYes);

// The entries of the central directory as Python's zipfile reads them (fails the
// test when Python cannot read the archive).
std::vector<PeerEntry> PeerEntries(const std::filesystem::path& archive);

// Runs a shell command; returns its exit status, with stdout and stderr in `output`.
int RunCommand(const std::string& command, std::string* output);

// Reads a whole file; writes bytes to a file.
std::string ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// Little-endian fields of raw archive bytes.
uint16_t Le16(const std::string& bytes, size_t at);
uint32_t Le32(const std::string& bytes, size_t at);

}  // namespace kv::ziptest
