// The file utilities against their peers in the same run: a cached default variable
// against one stat of the INI file, the log against a plain open-append-close loop, and
// XPath through the XML wrappers against the same query through libxml2's C interface.
#include <benchmark/benchmark.h>
#include <libxml/xpath.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "KVFileUtilities/default_vars.h"
#include "KVFileUtilities/log_file.h"
#include "KVFileUtilities/xml.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "temp_root.h"

namespace {

// A fresh root for the whole run: drive C: at drives/c, the suite's data path C:\Data\.
class BenchRoot {
 public:
  BenchRoot() {
    std::filesystem::create_directories(DataFolder() / "kvcfg");
    kv::RegKey key;
    if (!kv::RegKey::Create(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024",
                            kv::kKeyAllAccess, &key)
             .ok() ||
        !key.SetValue(L"Data Path", kv::RegValue::String(L"C:\\Data\\")).ok()) {
      std::abort();
    }
  }
  std::filesystem::path DataFolder() const { return root_.Drive(L'c') / "Data"; }
  std::filesystem::path IniFile() const { return DataFolder() / "kvcfg" / "kestrel.ini"; }

 private:
  kv::testing::TempRoot root_;
};

BenchRoot& Root() {
  static BenchRoot root;
  return root;
}

// An INI file of 20 sections of 20 keys, all of them read once so that the cache holds them.
void FillIni() {
  std::ofstream out(Root().IniFile(), std::ios::binary | std::ios::trunc);
  for (int s = 0; s < 20; ++s) {
    out << "[Section" << s << "]\r\n";
    for (int k = 0; k < 20; ++k) out << "Key" << k << "=Value " << s << "." << k << "\r\n";
  }
  out.close();
  char value[64];
  for (int s = 0; s < 20; ++s) {
    for (int k = 0; k < 20; ++k) {
      std::string section = "Section" + std::to_string(s), key = "Key" + std::to_string(k);
      if (GetDefaultVar(section.c_str(), key.c_str(), value, sizeof value) != 1) std::abort();
    }
  }
}

void BM_StatIniFile(benchmark::State& state) {
  FillIni();
  const std::string file = Root().IniFile().string();
  struct stat info;
  for (auto _ : state) {
    if (stat(file.c_str(), &info) != 0) state.SkipWithError("stat failed");
    benchmark::DoNotOptimize(info);
  }
}
BENCHMARK(BM_StatIniFile);

void BM_GetDefaultVarCached(benchmark::State& state) {
  FillIni();
  char value[64];
  for (auto _ : state) {
    if (GetDefaultVar("section12", "KEY7", value, sizeof value) != 1) {
      state.SkipWithError("not found");
    }
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_GetDefaultVarCached);

constexpr wchar_t kMessage[] = L"Data updated: 12 files copied from the install cache";
constexpr char kEntry[] =
    "\r\n12-07-2026 15:05:09:42 | Data updated: 12 files copied from the install cache";
constexpr int kLogEntries = 100000;

// The peer: open for appending, write the entry's bytes, close.
void BM_AppendLoop(benchmark::State& state) {
  const std::filesystem::path file = Root().DataFolder() / "Logs" / "plain.txt";
  std::filesystem::create_directories(file.parent_path());
  std::filesystem::remove(file);
  for (auto _ : state) {
    int fd = open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0 || write(fd, kEntry, sizeof kEntry - 1) != static_cast<ssize_t>(sizeof kEntry - 1)) {
      state.SkipWithError("write failed");
    }
    close(fd);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendLoop)->Iterations(kLogEntries);

// The log, rotating every megabyte on the way.
void BM_WriteLogMessageCore(benchmark::State& state) {
  // The folder stays: the log makes it only on the process's first call.
  const std::filesystem::path logs = Root().DataFolder() / "Logs";
  std::filesystem::remove(logs / "KestrelSystemLog.txt");
  std::filesystem::remove(logs / "KestrelSystemsPrevLog.txt");
  for (auto _ : state) WriteLogMessageCore(L"Software\\Kestrel\\PIECEbank\\2024", kMessage);
  state.SetItemsProcessed(state.iterations());
  if (!std::filesystem::exists(logs / "KestrelSystemsPrevLog.txt"))
    state.SkipWithError("no rotation");
}
BENCHMARK(BM_WriteLogMessageCore)->Iterations(kLogEntries);

// A catalogue of 10,000 messages of two lines each, loaded once.
const CXmlDocument& Catalogue() {
  static const CXmlDocument document = [] {
    std::wstring text = L"<KtlMessages>\n";
    for (int i = 0; i < 10000; ++i) {
      text += L"  <KtlMessage>\n    <msgid>ID" + std::to_wstring(i) + L"</msgid>\n" +
              L"    <KtlMessageString msg=\"The first line of message " + std::to_wstring(i) +
              L"\"/>\n    <KtlMessageString msg=\"The second line.\"/>\n  </KtlMessage>\n";
    }
    CXmlDocument loaded;
    if (!loaded.LoadXml(text + L"</KtlMessages>\n")) std::abort();
    return loaded;
  }();
  return document;
}

constexpr const char* kQueries[] = {"KtlMessages/KtlMessage",
                                    "//KtlMessage[msgid='ID5000']/KtlMessageString"};

// The peer: the same XPath query through libxml2's C interface on the same document.
void BM_XPathThroughLibxml2(benchmark::State& state) {
  xmlDocPtr document =
      reinterpret_cast<xmlDocPtr>(Catalogue().GetDocumentElement().GetNode().get()->doc);
  const auto* query = reinterpret_cast<const xmlChar*>(kQueries[state.range(0)]);
  for (auto _ : state) {
    xmlXPathContextPtr context = xmlXPathNewContext(document);
    context->node = reinterpret_cast<xmlNodePtr>(document);
    xmlXPathObjectPtr result = xmlXPathEvalExpression(query, context);
    benchmark::DoNotOptimize(result->nodesetval->nodeNr);
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
  }
}
BENCHMARK(BM_XPathThroughLibxml2)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SelectNodes(benchmark::State& state) {
  const CXmlDocument& document = Catalogue();
  const std::wstring query = kv::AnsiToWide(kQueries[state.range(0)]);
  for (auto _ : state) benchmark::DoNotOptimize(document.SelectNodes(query).GetNodeCount());
}
BENCHMARK(BM_SelectNodes)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The goals as ratios measured in one run: `ours` and `peer` alternate in batches, and
// the counters give each one's cost per call and ours / peer, in processor time of this
// thread (the user and system time the calls take, not the time other processes on the
// machine take meanwhile).
int64_t ThreadNanoseconds() {
  struct timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

template <typename Ours, typename Peer>
void Paired(benchmark::State& state, int batch, Ours ours, Peer peer) {
  int64_t oursNs = 0, peerNs = 0;
  for (auto _ : state) {
    const int64_t start = ThreadNanoseconds();
    for (int i = 0; i < batch; ++i) peer();
    const int64_t middle = ThreadNanoseconds();
    for (int i = 0; i < batch; ++i) ours();
    oursNs += ThreadNanoseconds() - middle;
    peerNs += middle - start;
  }
  const double calls = static_cast<double>(state.iterations()) * batch;
  state.counters["ours_ns"] = static_cast<double>(oursNs) / calls;
  state.counters["peer_ns"] = static_cast<double>(peerNs) / calls;
  state.counters["ratio"] = static_cast<double>(oursNs) / static_cast<double>(peerNs);
}

// Goal: a cached GetDefaultVar costs at most 2 stats of the INI file.
void BM_Pair_GetDefaultVarVsStat(benchmark::State& state) {
  FillIni();
  const std::string file = Root().IniFile().string();
  char value[64];
  struct stat info;
  Paired(
      state, 1000, [&] { benchmark::DoNotOptimize(GetDefaultVar("section12", "KEY7", value, 64)); },
      [&] { benchmark::DoNotOptimize(stat(file.c_str(), &info)); });
}
BENCHMARK(BM_Pair_GetDefaultVarVsStat)->Iterations(200);

// Goal: the log's throughput at least half the open-append-close loop's (ratio <= 2).
void BM_Pair_WriteLogMessageCoreVsAppendLoop(benchmark::State& state) {
  const std::filesystem::path logs = Root().DataFolder() / "Logs";
  std::filesystem::create_directories(logs);
  const std::string plain = (logs / "plain.txt").string();
  Paired(
      state, 1000, [] { WriteLogMessageCore(L"Software\\Kestrel\\PIECEbank\\2024", kMessage); },
      [&] {
        int fd = open(plain.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        benchmark::DoNotOptimize(write(fd, kEntry, sizeof kEntry - 1));
        close(fd);
      });
}
BENCHMARK(BM_Pair_WriteLogMessageCoreVsAppendLoop)->Iterations(100);  // 100,000 entries

// Goal: SelectNodes at most 1.2 times the same query through libxml2.
void BM_Pair_SelectNodesVsLibxml2(benchmark::State& state) {
  const CXmlDocument& catalogue = Catalogue();
  xmlDocPtr document = catalogue.GetDocumentElement().GetNode().get()->doc;
  const char* query = kQueries[state.range(0)];
  const std::wstring wideQuery = kv::AnsiToWide(query);
  Paired(
      state, 1, [&] { benchmark::DoNotOptimize(catalogue.SelectNodes(wideQuery).GetNodeCount()); },
      [&] {
        xmlXPathContextPtr context = xmlXPathNewContext(document);
        context->node = reinterpret_cast<xmlNodePtr>(document);
        xmlXPathObjectPtr result =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query), context);
        benchmark::DoNotOptimize(result->nodesetval->nodeNr);
        xmlXPathFreeObject(result);
        xmlXPathFreeContext(context);
      });
}
BENCHMARK(BM_Pair_SelectNodesVsLibxml2)->Arg(0)->Arg(1)->Iterations(60);

}  // namespace

BENCHMARK_MAIN();
