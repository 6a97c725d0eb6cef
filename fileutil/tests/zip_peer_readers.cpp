// Independent zip readers for the zip writer's tests.
#include "zip_peer_readers.h"

#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kv::fileutil::testing {
namespace {

// Checks an archive with zipfile: testzip() must find nothing, the names and contents
// must be those of the manifest (lines "<name in hex> <offset> <size>" into the file of
// all contents), and every entry of the central directory is printed for the caller.
constexpr const char* kPythonCheck = R"PY(
import struct, sys, zipfile, zlib
archive = sys.argv[1]
z = zipfile.ZipFile(archive)
bad = z.testzip()
if bad is not None:
    print("testzip found a bad entry:", bad)
    sys.exit(1)
# Lenient readers stop at the compressed size; the stream must also end in a final
# block exactly there.
raw = open(archive, "rb")
for i in z.infolist():
    if i.compress_type != 8:
        continue
    raw.seek(i.header_offset + 26)
    name_length, extra_length = struct.unpack("<HH", raw.read(4))
    raw.seek(i.header_offset + 30 + name_length + extra_length)
    stream = zlib.decompressobj(-15)
    stream.decompress(raw.read(i.compress_size))
    if not stream.eof or stream.unused_data:
        print("the deflate stream does not end where the entry does:", i.filename)
        sys.exit(1)
for i in z.infolist():
    print("E", i.filename.encode("utf-8").hex(), i.flag_bits, i.compress_type, i.create_version,
          i.create_system, i.extract_version, i.external_attr, i.header_offset, i.CRC,
          i.compress_size, i.file_size, *i.date_time, i.extra.hex() or "-")
if len(sys.argv) > 3:
    blob = open(sys.argv[3], "rb").read()
    expected = []
    for line in open(sys.argv[2]).read().splitlines():
        name, offset, size = line.split(" ")
        expected.append((bytes.fromhex(name).decode("utf-8"), blob[int(offset):int(offset) + int(size)]))
    names = [i.filename for i in z.infolist()]
    if names != [n for n, _ in expected]:
        print("names differ:", names[:20], [n for n, _ in expected][:20])
        sys.exit(1)
    for info, (name, contents) in zip(z.infolist(), expected):
        if z.read(info) != contents:
            print("contents differ:", name)
            sys.exit(1)
)PY";

std::string Unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// Runs the Python check; the manifest and the contents are optional.
int RunPython(const std::filesystem::path& archive, const std::filesystem::path& manifest,
              const std::filesystem::path& contents, std::string* output) {
  const std::filesystem::path script = archive.string() + ".check.py";
  WriteBytes(script, kPythonCheck);
  std::string command = "python3 " + Quote(script) + " " + Quote(archive);
  if (!manifest.empty()) command += " " + Quote(manifest) + " " + Quote(contents);
  const int status = RunCommand(command + " 2>&1", output);
  std::filesystem::remove(script);
  return status;
}

}  // namespace

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string TextOf(size_t size, unsigned seed) {
  static const char* words[] = {"spindle ",      "feed ",       "G01 X12.5 ",
                                "tool change\n", "coolant on ", "M30\n"};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < size) text += words[random() % 6];
  text.resize(size);
  return text;
}

std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

PipeReader::PipeReader() {
  if (pipe(fds_) != 0) throw std::runtime_error("pipe");
  thread_ = std::thread([this] {
    char buffer[65536];
    ssize_t n;
    while ((n = read(fds_[0], buffer, sizeof buffer)) > 0)
      data_.append(buffer, static_cast<size_t>(n));
  });
}

PipeReader::~PipeReader() {
  CloseWriteEnd();
  if (thread_.joinable()) thread_.join();
  close(fds_[0]);
}

void PipeReader::CloseWriteEnd() {
  if (fds_[1] >= 0) close(fds_[1]);
  fds_[1] = -1;
}

const std::string& PipeReader::Data() {
  CloseWriteEnd();
  if (thread_.joinable()) thread_.join();
  return data_;
}

PipeSource::PipeSource(std::string contents, Close close) : contents_(std::move(contents)) {
  if (close == kEnd ? pipe(fds_) != 0 : socketpair(AF_UNIX, SOCK_STREAM, 0, fds_) != 0) {
    throw std::runtime_error("pipe");
  }
  // A local socket closed with unread data resets its peer once the peer has read the
  // data already sent: one byte that the writing end never reads.
  if (close == kReset && write(fds_[0], "x", 1) != 1) throw std::runtime_error("socket");
  thread_ = std::thread([this] {
    size_t at = 0;
    while (at < contents_.size()) {
      const ssize_t n =
          write(fds_[1], contents_.data() + at, std::min<size_t>(contents_.size() - at, 4096));
      if (n <= 0) break;
      at += static_cast<size_t>(n);
    }
    ::close(fds_[1]);
  });
}

PipeSource::~PipeSource() {
  thread_.join();
  ::close(fds_[0]);
}

int RunCommand(const std::string& command, std::string* output) {
  output->clear();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output->append(buffer, got);
  const int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint16_t Le16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) |
                               static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

uint32_t Le32(const std::string& bytes, size_t at) {
  return Le16(bytes, at) | static_cast<uint32_t>(Le16(bytes, at + 2)) << 16;
}

::testing::AssertionResult ReadersAccept(const std::filesystem::path& archive,
                                         const std::vector<ExpectedEntry>& expected,
                                         Readers readers) {
  std::string output;
  if (RunCommand("unzip -t " + Quote(archive) + " 2>&1", &output) != 0) {
    return ::testing::AssertionFailure() << "unzip -t rejects " << archive << ":\n"
                                         << output.substr(0, 4000);
  }
  if (RunCommand("zipinfo -v " + Quote(archive) + " >/dev/null 2>&1", &output) != 0) {
    RunCommand("zipinfo -v " + Quote(archive) + " 2>&1 | tail -n 40", &output);
    return ::testing::AssertionFailure() << "zipinfo -v rejects " << archive << ":\n" << output;
  }

  // The expected names and contents go beside the archive for Python to compare.
  std::string manifest;
  std::string all;
  for (const ExpectedEntry& entry : expected) {
    manifest += Hex(entry.name) + " " + std::to_string(all.size()) + " " +
                std::to_string(entry.contents.size()) + "\n";
    all += entry.contents;
  }
  const std::filesystem::path manifestFile = archive.string() + ".manifest";
  const std::filesystem::path contentsFile = archive.string() + ".contents";
  WriteBytes(manifestFile, manifest);
  WriteBytes(contentsFile, all);
  const int python = RunPython(archive, manifestFile, contentsFile, &output);
  std::filesystem::remove(manifestFile);
  std::filesystem::remove(contentsFile);
  if (python != 0)
    return ::testing::AssertionFailure() << "Python's zipfile rejects " << archive << ":\n"
                                         << output;

  if (readers != Readers::kDirectoryOnly &&
      (RunCommand("7z x -so " + Quote(archive) + " 2>/dev/null", &output) != 0 || output != all)) {
    RunCommand("7z t " + Quote(archive) + " 2>&1 | tail -n 20", &output);
    return ::testing::AssertionFailure()
           << "7-Zip does not deliver the contents of " << archive << ":\n"
           << output;
  }
  if (RunCommand("bsdtar -xOf " + Quote(archive) + " 2>/dev/null", &output) != 0 || output != all) {
    RunCommand("bsdtar -xOf " + Quote(archive) + " 2>&1 >/dev/null", &output);
    return ::testing::AssertionFailure()
           << "bsdtar does not deliver the contents of " << archive << ":\n"
           << output;
  }
  if (readers == Readers::kAll) {
    // A pipe forces libarchive's streaming reader, which follows the local headers.
    if (RunCommand("cat " + Quote(archive) + " | bsdtar -xOf - 2>/dev/null", &output) != 0 ||
        output != all) {
      RunCommand("cat " + Quote(archive) + " | bsdtar -xOf - 2>&1 >/dev/null", &output);
      return ::testing::AssertionFailure()
             << "bsdtar reading from a pipe does not deliver the contents of " << archive << ":\n"
             << output;
    }
  }
  return ::testing::AssertionSuccess();
}

namespace {

// The names of a listing: the lines between `first` and `last` (lines starting so;
// both excluded, `last` empty for the end), less the first `skip` fields of each line.
std::vector<std::string> ListedNames(const std::string& listing, const std::string& first,
                                     const std::string& last, int skip) {
  std::vector<std::string> names;
  std::istringstream lines(listing);
  std::string line;
  bool inside = false;
  while (std::getline(lines, line)) {
    if (!inside) {
      inside = line.rfind(first, 0) == 0;
      continue;
    }
    if (!last.empty() && line.rfind(last, 0) == 0) break;
    size_t at = 0;
    for (int field = 0; field < skip; ++field) {
      at = line.find_first_not_of(' ', at);
      at = line.find(' ', at);
      if (at == std::string::npos) break;
    }
    at = at == std::string::npos ? at : line.find_first_not_of(' ', at);
    if (at != std::string::npos) names.push_back(line.substr(at));
  }
  return names;
}

}  // namespace

::testing::AssertionResult ListingsShow(const std::filesystem::path& archive,
                                        const std::vector<std::string>& names) {
  struct Listing {
    std::string command;
    std::function<std::vector<std::string>(const std::string&)> parse;
  };
  const std::string python =
      "python3 -c 'import sys, zipfile\nfor i in zipfile.ZipFile(sys.argv[1]).infolist(): "
      "print(i.filename)' ";
  const Listing listings[] = {
      // "  Length  Date  Time  Name", a rule, the entries, a rule.
      {"unzip -l ",
       [](const std::string& out) { return ListedNames(out, "---------", "---------", 3); }},
      // "-rw----  2.3 ntf  8 tx defN 24-Jun-30 13:45 name" after the size line.
      {"zipinfo ",
       [](const std::string& out) {
         std::vector<std::string> listed = ListedNames(out, "Zip file size", "", 8);
         if (!listed.empty()) listed.pop_back();  // the summary line
         return listed;
       }},
      // "Path = name" and "Folder = +" for a folder, which 7-Zip shows without its "/".
      {"7z l -slt ",
       [](const std::string& out) {
         std::vector<std::string> listed;
         for (const std::string& line : ListedNames(out, "----------", "", 0)) {
           if (line.rfind("Path = ", 0) == 0) listed.push_back(line.substr(7));
           if (line == "Folder = +" && !listed.empty()) listed.back() += '/';
         }
         return listed;
       }},
      {"bsdtar -tf ", [](const std::string& out) { return ListedNames("\n" + out, "", "", 0); }},
      {python, [](const std::string& out) { return ListedNames("\n" + out, "", "", 0); }},
  };
  for (const Listing& listing : listings) {
    std::string output;
    const std::string command = "LC_ALL=C.UTF-8 " + listing.command + Quote(archive) + " 2>&1";
    const int status = RunCommand(command, &output);
    const std::vector<std::string> listed = listing.parse(output);
    if (status != 0 || listed != names) {
      return ::testing::AssertionFailure()
             << command << " shows other names (status " << status << "):\n"
             << output;
    }
  }
  return ::testing::AssertionSuccess();
}

std::vector<PeerEntry> PeerEntries(const std::filesystem::path& archive) {
  std::string output;
  const int status = RunPython(archive, {}, {}, &output);
  EXPECT_EQ(status, 0) << output;
  std::vector<PeerEntry> entries;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string tag, name, extra;
    PeerEntry e;
    fields >> tag >> name >> e.flags >> e.method >> e.createVersion >> e.createSystem >>
        e.extractVersion >> e.externalAttributes >> e.headerOffset >> e.crc >> e.compressedSize >>
        e.size;
    for (int& part : e.dateTime) fields >> part;
    fields >> extra;
    if (tag != "E") continue;
    e.name = Unhex(name);
    e.extraHex = extra == "-" ? "" : extra;
    entries.push_back(e);
  }
  return entries;
}

}  // namespace kv::fileutil::testing
