// zip_bench: the zip writer (CreateZipZ / ZipAdd / CloseZipZ) over two generated corpora:
// a mixed one of about 200 MB (text, binaries, already-compressed .gz files) and a
// large-file one (20 files of 10 MB), against
//   - the writer on one thread (KESTREL_ZIP_THREADS=1: the path of single-core
//     machines, which is the writer as it was before deflate used every core);
//   - a plain loop that reads each file in 64 KB blocks, computes its CRC-32 and
//     raw-deflates it with zlib at level 8 (storing the .gz files), writing the result
//     to one file: the single-thread limit of the work;
//   - the same loop on two threads, each taking whole files from the list and writing
//     its own file: the two-core floor of the work;
//   - pigz -8 on the large files, as a peer for parallel compression speed;
//   - Info-ZIP `zip -r -8` on the same tree;
//   - for the .gz files alone (stored entries), a loop that reads, computes the CRC-32
//     and writes;
//   - for many small .gz files, the same loop, to find the writer's cost per entry;
// and the writer to a pipe against the writer to a file, and the peak memory of a
// process writing the archive (the corpora, and 65,535 entries with 20-byte names).
//
//   zip_bench [--corpus /tmp/kv-zip-corpus] [--out /tmp/kv-zip-bench] [--rounds 5]
//             [--only <part of a variant's name>|<another part>|...|peak]
//
// Every round runs every variant once, the order rotated from round to round, on a
// warm page cache; the medians and their ratios are printed.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <zlib.h>

#include "KVFileUtilities/zip.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// ---------------------------------------------------------------- corpus

void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(std::mt19937_64& random, size_t size) {
  static const char* words[] = {"G01",         "G00",   "X",       "Y",       "Z",
                                "F1200",       "S8000", "M03",     "M05",     "T12",
                                "spindle",     "feed",  "coolant", "pocket",  "contour",
                                "drill",       "tool",  "offset",  "radius",  "// roughing pass",
                                "; finishing", "N",     "retract", "approach"};
  std::string text;
  text.reserve(size + 64);
  while (text.size() < size) {
    text += words[random() % std::size(words)];
    text += random() % 7 == 0 ? '\n' : ' ';
    if (random() % 3 == 0) text += std::to_string(random() % 100000 / 100.0);
  }
  text.resize(size);
  return text;
}

std::string Binary(std::mt19937_64& random, size_t size, bool structured) {
  std::string bytes(size, '\0');
  if (!structured) {
    for (size_t i = 0; i + 8 <= size; i += 8) {
      const uint64_t value = random();
      std::memcpy(&bytes[i], &value, 8);
    }
    return bytes;
  }
  // Records of floats and small integers, as a mesh or a tool table would hold.
  for (size_t i = 0; i + 16 <= size; i += 16) {
    const float x = static_cast<float>(random() % 1000) / 10.0f, y = static_cast<float>(i % 4096);
    const uint32_t id = static_cast<uint32_t>(i / 16 % 977),
                   flags = static_cast<uint32_t>(random() % 4);
    std::memcpy(&bytes[i], &x, 4);
    std::memcpy(&bytes[i + 4], &y, 4);
    std::memcpy(&bytes[i + 8], &id, 4);
    std::memcpy(&bytes[i + 12], &flags, 4);
  }
  return bytes;
}

std::string Gzip(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

size_t Spread(std::mt19937_64& random, size_t mean) {
  std::exponential_distribution<double> spread(1.0);
  return std::max<size_t>(200, static_cast<size_t>(spread(random) * static_cast<double>(mean)));
}

// About 200 MB: 80 MB of text in ~800 files, 60 MB of binaries in ~240 files (a third
// random, the rest structured), 60 MB of .gz files in ~300 files; plus 10,000 small .gz
// files of about 1 KB in a corpus of their own.
void Generate(const fs::path& corpus, const fs::path& small) {
  std::mt19937_64 random(7);
  uint64_t total = 0;
  for (int i = 0; total < 80'000'000; ++i) {
    const std::string text = Text(random, Spread(random, 100'000));
    total += text.size();
    WriteFile(
        corpus / "text" / ("d" + std::to_string(i % 10)) / ("part" + std::to_string(i) + ".nc"),
        text);
  }
  for (int i = 0; total < 140'000'000; ++i) {
    const std::string bytes = Binary(random, Spread(random, 250'000), i % 3 == 0);
    total += bytes.size();
    WriteFile(
        corpus / "bin" / ("d" + std::to_string(i % 5)) / ("data" + std::to_string(i) + ".bin"),
        bytes);
  }
  for (int i = 0; total < 200'000'000; ++i) {
    const std::string packed =
        Gzip(Text(random, Spread(random, 500'000)) + Binary(random, 50'000, false));
    total += packed.size();
    WriteFile(corpus / "gz" / ("d" + std::to_string(i % 5)) / ("log" + std::to_string(i) + ".gz"),
              packed);
  }
  for (int i = 0; i < 10'000; ++i) {
    WriteFile(small / ("d" + std::to_string(i % 20)) / ("s" + std::to_string(i) + ".gz"),
              Binary(random, 500 + random() % 1000, false));
  }
}

// 200 MB in 20 files of 10 MB: text, structured binaries, some random data.
void GenerateLarge(const fs::path& large) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 20; ++i) {
    std::string bytes;
    while (bytes.size() < 10'000'000) {
      const size_t piece = 100'000 + random() % 400'000;
      switch (random() % 10) {
        case 0: bytes += Binary(random, piece, false); break;
        case 1:
        case 2:
        case 3: bytes += Binary(random, piece, true); break;
        default: bytes += Text(random, piece); break;
      }
    }
    bytes.resize(10'000'000);
    WriteFile(large / ("model" + std::to_string(i) + ".dat"), bytes);
  }
}

struct Corpus {
  std::vector<fs::path> files;        // in archive order
  std::vector<std::wstring> sources;  // the same as wide text, for ZipAdd
  std::vector<std::wstring> names;    // entry names: the paths inside the corpus
  uint64_t bytes = 0;
};

Corpus List(const fs::path& root, const std::function<bool(const fs::path&)>& keep) {
  Corpus corpus;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && keep(entry.path())) corpus.files.push_back(entry.path());
  }
  std::sort(corpus.files.begin(), corpus.files.end());
  for (const auto& file : corpus.files) {
    corpus.bytes += fs::file_size(file);
    corpus.sources.push_back(file.wstring());
    corpus.names.push_back(fs::relative(file, root).wstring());
  }
  return corpus;
}

bool IsGz(const fs::path& file) { return file.extension() == ".gz"; }

// ---------------------------------------------------------------- variants

// The writer: every file as a ZIP_FILENAME source, named by its path in the corpus.
bool WriteArchive(HZIP zip, const Corpus& corpus) {
  if (zip == nullptr) return false;
  bool ok = true;
  for (size_t i = 0; i < corpus.files.size(); ++i) {
    ok = ZipAdd(zip, corpus.names[i].c_str(), const_cast<wchar_t*>(corpus.sources[i].c_str()), 0,
                ZIP_FILENAME) == HZ_OK &&
         ok;
  }
  return CloseZipZ(zip) == HZ_OK && ok;
}

// `threads` 0: as many as the machine has (the default); 1: the single-thread path.
bool WriterToFile(const Corpus& corpus, const fs::path& output, unsigned threads = 0) {
  if (threads == 0)
    unsetenv("KESTREL_ZIP_THREADS");
  else
    setenv("KESTREL_ZIP_THREADS", std::to_string(threads).c_str(), 1);
  const bool ok = WriteArchive(
      CreateZipZ(const_cast<wchar_t*>(output.wstring().c_str()), 0, ZIP_FILENAME), corpus);
  unsetenv("KESTREL_ZIP_THREADS");
  return ok;
}

bool WriterToPipe(const Corpus& corpus) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  std::thread drain([fd = fds[0]] {
    std::vector<char> buffer(1 << 16);
    while (read(fd, buffer.data(), buffer.size()) > 0) {
    }
  });
  HZIP zip = CreateZipZ(reinterpret_cast<void*>(static_cast<intptr_t>(fds[1])), 0, ZIP_HANDLE);
  close(fds[1]);
  const bool ok = WriteArchive(zip, corpus);
  drain.join();
  close(fds[0]);
  return ok;
}

// The plain loop: 64 KB reads, CRC-32, raw deflate at level 8 (or a plain copy for
// .gz files), output written to one file. With `next`, several loops share the list:
// each takes the next file not yet taken.
bool Loop(const Corpus& corpus, const fs::path& output, bool deflateAll,
          std::atomic<size_t>* next = nullptr) {
  const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return false;
  z_stream stream{};
  deflateInit2(&stream, 8, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::vector<Bytef> in(1 << 16), buffer(1 << 16);
  bool ok = true;
  std::atomic<size_t> own{0};
  if (next == nullptr) next = &own;
  for (size_t index; (index = next->fetch_add(1)) < corpus.files.size();) {
    const fs::path& file = corpus.files[index];
    const int fd = open(file.c_str(), O_RDONLY);
    if (fd < 0) return false;
    const bool store = !deflateAll || IsGz(file);
    uLong crc = crc32(0, nullptr, 0);
    deflateReset(&stream);
    ssize_t got;
    int flush = Z_NO_FLUSH;
    do {
      got = read(fd, in.data(), in.size());
      if (got < 0) return false;
      crc = crc32_z(crc, in.data(), static_cast<size_t>(got));
      if (store) {
        ok = write(out, in.data(), static_cast<size_t>(got)) == got && ok;
        continue;
      }
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(got);
      flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
      do {
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<uInt>(buffer.size());
        deflate(&stream, flush);
        const size_t have = buffer.size() - stream.avail_out;
        if (have > 0) ok = write(out, buffer.data(), have) == static_cast<ssize_t>(have) && ok;
      } while (stream.avail_out == 0);
    } while (got > 0);
    close(fd);
    if (crc == 0x12345678) std::puts("");  // keep the CRC alive
  }
  deflateEnd(&stream);
  return close(out) == 0 && ok;
}

// The loop on two threads, each with its own output file.
bool TwoLoops(const Corpus& corpus, const fs::path& output) {
  std::atomic<size_t> next{0};
  bool second = false;
  std::thread other([&] { second = Loop(corpus, output.string() + ".2", true, &next); });
  const bool first = Loop(corpus, output, true, &next);
  other.join();
  fs::remove(output.string() + ".2");
  return first && second;
}

bool Pigz(const Corpus& corpus, const fs::path& output) {
  std::string command = "pigz -8 -c";
  for (const fs::path& file : corpus.files) command += " '" + file.string() + "'";
  return std::system((command + " > '" + output.string() + "'").c_str()) == 0;
}

bool InfoZip(const fs::path& root, const fs::path& output) {
  const std::string command =
      "cd '" + root.string() + "' && zip -q -r -8 '" + output.string() + "' .";
  return std::system(command.c_str()) == 0;
}

// ---------------------------------------------------------------- peak memory

// Runs this program again in a child mode and returns what it printed.
std::string ChildReport(const std::string& arguments) {
  FILE* child = popen(("/proc/" + std::to_string(getpid()) + "/exe " + arguments).c_str(), "r");
  if (child == nullptr) return "(failed)";
  char line[256] = "";
  if (std::fgets(line, sizeof line, child) == nullptr) line[0] = '\0';
  if (pclose(child) != 0) return "(failed)";
  std::string report = line;
  if (!report.empty() && report.back() == '\n') report.pop_back();
  return report;
}

double CpuSeconds() {
  double total = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    struct rusage usage;
    getrusage(who, &usage);
    total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  }
  return total;
}

long OwnPeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

// Peak memory of a child that writes 65,535 memory entries with 20-byte names (the
// format's entry limit) to a file: the central directory alone is some 5 MB.
bool WriteManyEntries(const fs::path& output) {
  HZIP zip = CreateZipZ(const_cast<wchar_t*>(output.wstring().c_str()), 0, ZIP_FILENAME);
  if (zip == nullptr) return false;
  bool ok = true;
  char byte = 'x';
  for (int i = 0; i < 65535 && ok; ++i) {
    wchar_t name[32];
    std::swprintf(name, 32, L"dir%03d/entry%06d.gz", i % 1000, i);  // 20 characters
    ok = ZipAdd(zip, name, &byte, 1, ZIP_MEMORY) == HZ_OK;
  }
  return CloseZipZ(zip) == HZ_OK && ok;
}

// Peak memory: a child lists the files, notes its peak, writes the archive, notes its
// peak again; the difference is what writing cost.
void PrintPeaks(const fs::path& corpusRoot, const fs::path& out) {
  const std::string common =
      "--corpus '" + corpusRoot.string() + "' --out '" + out.string() + "' --child ";
  for (const char* mode : {"tiny", "all", "all-1", "large", "small", "many"}) {
    std::printf("peak resident memory, writing %s: %s\n", mode, ChildReport(common + mode).c_str());
  }
}

int main(int argc, char** argv) {
  fs::path corpusRoot = "/tmp/kv-zip-corpus", out = "/tmp/kv-zip-bench";
  int rounds = 5;
  std::string childMode, only;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--corpus")
      corpusRoot = argv[i + 1];
    else if (option == "--out")
      out = argv[i + 1];
    else if (option == "--rounds")
      rounds = std::atoi(argv[i + 1]);
    else if (option == "--child")
      childMode = argv[i + 1];
    else if (option == "--only")
      only = argv[i + 1];
  }
  const fs::path mixed = corpusRoot / "mixed", small = corpusRoot / "small",
                 large = corpusRoot / "large";

  if (!childMode.empty()) {
    // Peak memory: "tiny", "all", "small", "large" write an archive of a corpus (one
    // thread when the mode ends in "-1"), "many" 65,535 entries.
    const bool oneThread = childMode.size() > 2 && childMode.substr(childMode.size() - 2) == "-1";
    const std::string mode = oneThread ? childMode.substr(0, childMode.size() - 2) : childMode;
    const Corpus corpus = mode == "small"   ? List(small, IsGz)
                          : mode == "large" ? List(large, [](const fs::path&) { return true; })
                          : mode == "many"  ? Corpus()
                                            : List(mixed, [&](const fs::path& f) {
                                               return mode == "all" || f.filename() == "part0.nc";
                                             });
    const long before = OwnPeakKb();
    const fs::path output = out / ("peak-" + childMode + ".zip");
    const bool ok =
        mode == "many" ? WriteManyEntries(output) : WriterToFile(corpus, output, oneThread ? 1 : 0);
    const long after = OwnPeakKb();
    std::printf("%zu files, %.0f MB: VmHWM %ld KB before writing, %ld KB after (+%ld KB)\n",
                mode == "many" ? size_t{65535} : corpus.files.size(), corpus.bytes / 1e6, before,
                after, after - before);
    return ok ? 0 : 1;
  }

  if (!fs::exists(mixed / "gz")) {
    std::cout << "Generating the mixed corpus under " << corpusRoot << " ..." << std::endl;
    Generate(mixed, small);
  }
  if (!fs::exists(large / "model19.dat")) {
    std::cout << "Generating the large-file corpus under " << corpusRoot << " ..." << std::endl;
    GenerateLarge(large);
  }
  fs::create_directories(out);
  const Corpus all = List(mixed, [](const fs::path&) { return true; });
  const Corpus gz = List(mixed, IsGz);
  const Corpus tiny = List(small, IsGz);
  const Corpus big = List(large, [](const fs::path&) { return true; });
  std::cout << "mixed corpus: " << all.files.size() << " files, " << all.bytes / 1e6 << " MB ("
            << gz.files.size() << " .gz files, " << gz.bytes / 1e6
            << " MB); small: " << tiny.files.size() << " files, " << tiny.bytes / 1e6
            << " MB; large: " << big.files.size() << " files, " << big.bytes / 1e6 << " MB; "
            << std::thread::hardware_concurrency() << " cores\n";

  struct Variant {
    std::string name;
    fs::path output;  // removed before each run, outside the timing
    std::function<bool(const fs::path&)> run;
    std::vector<double> seconds;     // wall time
    std::vector<double> cpuSeconds;  // user + system time of this process and its children
  };
  std::vector<Variant> variants = {
      {"writer, file output",
       out / "writer.zip",
       [&](const fs::path& o) { return WriterToFile(all, o); },
       {}},
      {"writer, 1 thread",
       out / "writer1.zip",
       [&](const fs::path& o) { return WriterToFile(all, o, 1); },
       {}},
      {"loop: read+crc+deflate 8",
       out / "loop.bin",
       [&](const fs::path& o) { return Loop(all, o, true); },
       {}},
      {"2 loops: read+crc+deflate 8",
       out / "loops.bin",
       [&](const fs::path& o) { return TwoLoops(all, o); },
       {}},
      {"zip -r -8", out / "infozip.zip", [&](const fs::path& o) { return InfoZip(mixed, o); }, {}},
      {"writer, pipe output", out / "none", [&](const fs::path&) { return WriterToPipe(all); }, {}},
      {"large: writer",
       out / "large.zip",
       [&](const fs::path& o) { return WriterToFile(big, o); },
       {}},
      {"large: writer, 1 thread",
       out / "large1.zip",
       [&](const fs::path& o) { return WriterToFile(big, o, 1); },
       {}},
      {"large: 2 loops",
       out / "large-loops.bin",
       [&](const fs::path& o) { return TwoLoops(big, o); },
       {}},
      {"large: pigz -8", out / "large.gz", [&](const fs::path& o) { return Pigz(big, o); }, {}},
      {"writer, .gz only (stored)",
       out / "stored.zip",
       [&](const fs::path& o) { return WriterToFile(gz, o); },
       {}},
      {"loop: read+crc+write .gz",
       out / "stored.bin",
       [&](const fs::path& o) { return Loop(gz, o, false); },
       {}},
      {"writer, 10,000 small .gz",
       out / "small.zip",
       [&](const fs::path& o) { return WriterToFile(tiny, o); },
       {}},
      {"loop: 10,000 small .gz",
       out / "small.bin",
       [&](const fs::path& o) { return Loop(tiny, o, false); },
       {}},
  };
  // --only "a|b": the variants whose names hold one of the parts ("peak": the memory).
  std::vector<std::string> parts;
  for (size_t at = 0; !only.empty() && at <= only.size();) {
    const size_t bar = std::min(only.find('|', at), only.size());
    parts.push_back(only.substr(at, bar - at));
    at = bar + 1;
  }
  auto chosen = [&](const std::string& name) {
    return parts.empty() || std::any_of(parts.begin(), parts.end(), [&](const std::string& part) {
             return !part.empty() && name.find(part) != std::string::npos;
           });
  };
  std::erase_if(variants, [&](const Variant& v) { return !chosen(v.name); });
  // Warm the page cache.
  Loop(all, out / "warm.bin", false);
  Loop(big, out / "warm.bin", false);
  Loop(tiny, out / "warm.bin", false);
  for (int round = 0; round < rounds; ++round) {
    for (size_t k = 0; k < variants.size(); ++k) {
      Variant& variant = variants[(k + static_cast<size_t>(round)) % variants.size()];
      fs::remove(variant.output);
      const double cpuStart = CpuSeconds();
      const auto start = Clock::now();
      if (!variant.run(variant.output)) {
        std::cerr << variant.name << " failed\n";
        return 1;
      }
      variant.seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      variant.cpuSeconds.push_back(CpuSeconds() - cpuStart);
    }
  }
  // The machine may be shared: the minimum wall time is the least disturbed run, and
  // the processor time is what the work itself cost.
  std::map<std::string, double> median, least, cpu;
  for (const Variant& variant : variants) {
    median[variant.name] = Median(variant.seconds);
    least[variant.name] = *std::min_element(variant.seconds.begin(), variant.seconds.end());
    cpu[variant.name] = Median(variant.cpuSeconds);
    std::printf("%-28s wall median %7.3f s  min %7.3f s  cpu median %7.3f s  (",
                variant.name.c_str(), median[variant.name], least[variant.name], cpu[variant.name]);
    for (double s : variant.seconds) std::printf(" %.3f", s);
    std::printf(" )\n");
  }
  auto ratio = [&](const char* what, const std::string& a, const std::string& b) {
    if (!median.count(a) || !median.count(b)) return;
    std::printf("%-48s wall median %.3f  wall min %.3f  cpu %.3f\n", what, median[a] / median[b],
                least[a] / least[b], cpu[a] / cpu[b]);
  };
  std::printf("\n");
  ratio("mixed: 1 thread / writer (at least 1.8):", "writer, 1 thread", "writer, file output");
  ratio("mixed: writer / 2 loops (at most 1.1):", "writer, file output",
        "2 loops: read+crc+deflate 8");
  ratio("mixed: 1 thread / loop (at most 1.03):", "writer, 1 thread", "loop: read+crc+deflate 8");
  ratio("mixed: writer / zip -r -8 (below 1):", "writer, file output", "zip -r -8");
  ratio("large: 1 thread / writer (at least 1.8):", "large: writer, 1 thread", "large: writer");
  ratio("large: writer / 2 loops (at most 1.1):", "large: writer", "large: 2 loops");
  ratio("large: writer / pigz -8:", "large: writer", "large: pigz -8");
  ratio("pipe / file output (at most 1.02):", "writer, pipe output", "writer, file output");
  ratio("stored: loop / writer (at least 0.75):", "loop: read+crc+write .gz",
        "writer, .gz only (stored)");
  if (!median.count("writer, .gz only (stored)") || !median.count("loop: 10,000 small .gz") ||
      !median.count("zip -r -8") || !median.count("large: pigz -8")) {
    if (chosen("peak")) PrintPeaks(corpusRoot, out);
    return 0;
  }
  std::printf("stored throughput (wall min): writer %.0f MB/s, loop %.0f MB/s\n",
              gz.bytes / 1e6 / least["writer, .gz only (stored)"],
              gz.bytes / 1e6 / least["loop: read+crc+write .gz"]);
  const double n = static_cast<double>(tiny.files.size());
  std::printf(
      "per-entry overhead, small stored entries: wall median %.2f us, wall min %.2f us, cpu %.2f "
      "us "
      "(writer %.1f us, loop %.1f us per file, wall min)\n",
      (median["writer, 10,000 small .gz"] - median["loop: 10,000 small .gz"]) / n * 1e6,
      (least["writer, 10,000 small .gz"] - least["loop: 10,000 small .gz"]) / n * 1e6,
      (cpu["writer, 10,000 small .gz"] - cpu["loop: 10,000 small .gz"]) / n * 1e6,
      least["writer, 10,000 small .gz"] / n * 1e6, least["loop: 10,000 small .gz"] / n * 1e6);
  std::printf(
      "archive sizes: mixed: writer %.1f MB, 1 thread %.1f MB, zip -r -8 %.1f MB; "
      "large: writer %.1f MB, 1 thread %.1f MB, pigz -8 %.1f MB\n",
      fs::file_size(out / "writer.zip") / 1e6, fs::file_size(out / "writer1.zip") / 1e6,
      fs::file_size(out / "infozip.zip") / 1e6, fs::file_size(out / "large.zip") / 1e6,
      fs::file_size(out / "large1.zip") / 1e6, fs::file_size(out / "large.gz") / 1e6);

  PrintPeaks(corpusRoot, out);
  return 0;
}
