// CreateKestrelDataPathArray on a release with 3 products of 20 posts each, against a
// plain loop doing the same file operations in the same run: listing the post folders,
// reading their descriptions, the stats of every value, the variable-file reads, and the
// permission tests' create, write, read and delete. Rounds are interleaved; the medians
// and their ratio are printed, with the plain loop's parts to show what dominates.
//
//   build/release/bin/path_table_bench [--rounds N]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KVDataManager/data_path.h"
#include "KVPlatform/file_handle.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/ui.h"
#include "KVVariableLibrary/kv_varlib.h"
#include "temp_root.h"

namespace {

constexpr const wchar_t* kKey = L"SOFTWARE\\Kestrel\\KVDNC";
constexpr const wchar_t* kData = L"C:\\Data\\";
constexpr int kPosts = 20;

using Clock = std::chrono::steady_clock;

// A backend that shows nothing: the benchmark measures the work, not a terminal.
class SilentUi : public kv::UiBackend {
  class View : public kv::ProgressView {
    void SetTitle(std::wstring_view) override {}
    void SetMessage(std::wstring_view) override {}
    void SetRange(int, int) override {}
    void SetPosition(int) override {}
    void SetPath(std::wstring_view) override {}
    void Pump() override {}
  };

 public:
  int MessageBox(std::wstring_view, std::wstring_view, unsigned type) override {
    return kv::EscapeAnswer(type);
  }
  std::unique_ptr<kv::ProgressView> OpenProgress(std::wstring_view) override {
    return std::make_unique<View>();
  }
  int RunModal(kv::CDialog&) override { return kv::kIdCancel; }
  bool ChooseFolder(std::wstring_view, std::wstring*) override { return false; }
};

void Write(const std::wstring& path, const std::string& text) {
  if (!kv::WriteFileAtomically(path, text).ok()) {
    std::fprintf(stderr, "cannot write a file of the bench root\n");
    std::exit(1);
  }
}

void Folder(const std::filesystem::path& root, const std::string& relative) {
  std::filesystem::create_directories(root / "drives" / "c" / relative);
}

void SetPath(const std::wstring& post, const wchar_t* file, const wchar_t* type,
             const wchar_t* name, const std::string& value) {
  kv_VarLib lib(post.c_str(), file, type, false);
  std::string field = value;
  field.resize(260, '\0');
  lib.SetVarBin(L"1", name, field.data(), 260);
}

void Lay(const std::filesystem::path& root) {
  Folder(root, "Kestrel");
  (void)kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Install Path", L"C:\\Kestrel\\");
  (void)kv::WriteRegistryText(kv::Hive::kCurrentUser, kKey, L"Data Path", kData);
  (void)kv::WriteRegistryText(kv::Hive::kLocalMachine, kKey, L"Data Path", kData);
  Folder(root, "Data/kvcfg");
  Folder(root, "Data/NC");
  std::string ini =
      "[KVNest]\r\ndxfdata=C:\\Data\\NC\r\n[KVDispatcher]\r\nkvdispatcherdbpath=C:\\Data\\NC\r\n["
      "KVWire]\r\n";
  for (int i = 0; i < kPosts; ++i) ini += "W" + std::to_string(i) + "_NCPATH=C:\\Data\\NC\r\n";
  Write(std::wstring(kData) + L"kvcfg\\kestrel.ini", ini);
  for (const char* product : {"KVPunch", "KVProf", "KVWire"}) {
    for (int i = 0; i < kPosts; ++i) {
      const std::string name = std::string(product).substr(2, 1) + std::to_string(i);
      const std::string post = std::string("Data/") + product + "/" +
                               (product[2] == 'W' ? "W" + std::to_string(i) : name);
      Folder(root, post + "/tools/user");
      const std::wstring wpost = L"C:\\" + std::wstring(post.begin(), post.end());
      Write(wpost + L"\\dft.pst", "defaults\r\n");
      Write(wpost + L"\\postdesc.txt", "Post " + name + "\r\n");
      Write(wpost + L"\\KVPostCompileData.txt", "Acad Version: 2024\r\nPost Version: 3\r\n");
      if (product[2] == 'W') continue;
      Write(wpost + L"\\tools\\crib.dbf", "crib");
      Write(wpost + L"\\tools\\user\\userlib.dbf", "lib");
      SetPath(wpost, L"MPOST.bin", L"PSM", L"NCTOOLS", "%POSTPATH%/tools");
      SetPath(wpost, L"MPOST.bin", L"PSM", L"KVN_NC_OVERRIDE_PATH", "C:\\Data\\NC");
      SetPath(wpost, L"CPOST.bin", L"PSC", L"NCPATH", "%MAINPATH%NC");
      SetPath(wpost, L"CPOST.bin", L"PSC", L"KVPB_AUTO_SETUP_PATH", "%MAINPATH%NC");
    }
  }
}

// The table's file operations, taken from one table: what the plain loop repeats.
struct Operation {
  std::wstring value;         // stat'd; tested when a folder
  std::wstring variableFile;  // read, for variables
  std::wstring required;      // stat'd after the test
  bool folder = false;
};

std::vector<Operation> Operations() {
  kv::CObArray entries;
  CreateKestrelDataPathArray(kKey, entries, nullptr, nullptr);
  std::vector<Operation> ops;
  for (int i = 0; i < entries.GetSize(); ++i) {
    const auto& e = *static_cast<CDataPath*>(entries[i]);
    Operation op;
    op.value = e.m_value;
    if (e.m_kind == 0) op.variableFile = e.m_source + L"/" + e.m_varFileName;
    if (!e.m_requiredFile.empty()) op.required = e.m_value + e.m_requiredFile;
    op.folder =
        !(e.m_kind == 3 || e.m_kind == 5 || e.m_kind == 6 || e.m_kind == 7 || e.m_kind == 8);
    ops.push_back(op);
    delete entries[i];
  }
  return ops;
}

struct Parts {
  double listing = 0, stats = 0, variables = 0, tests = 0;
};

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

void PlainLoop(const std::vector<Operation>& ops, Parts* parts) {
  auto start = Clock::now();
  for (const wchar_t* product : {L"KVPunch", L"KVProf", L"KVWire"}) {
    std::unique_ptr<kv::DirectorySearch> search;
    const std::wstring folder = std::wstring(kData) + product + L"/";
    if (!kv::DirectorySearch::Start(folder + L"*", &search).ok()) continue;
    do {
      const kv::DirectoryEntry& entry = search->Entry();
      if (!entry.isDirectory || entry.name[0] == L'.') continue;
      kv::FileStatus status;
      std::string text;
      (void)kv::GetFileStatus(folder + entry.name + L"/dft.pst", &status);
      (void)kv::ReadFile(folder + entry.name + L"/postdesc.txt", &text);
      (void)kv::ReadFile(folder + entry.name + L"/KVPostCompileData.txt", &text);
    } while (search->Next());
  }
  parts->listing += Seconds(start);
  for (const Operation& op : ops) {
    start = Clock::now();
    if (!op.variableFile.empty()) {
      std::string text;
      (void)kv::ReadFile(op.variableFile, &text);
    }
    parts->variables += Seconds(start);
    start = Clock::now();
    kv::FileStatus status;
    bool exists = !op.value.empty() && kv::GetFileStatus(op.value, &status).ok();
    parts->stats += Seconds(start);
    if (!exists || !op.folder) continue;
    start = Clock::now();
    const std::wstring test = op.value + L"Permissiontest.$$$";
    {
      kv::FileHandle file;
      if (kv::FileHandle::Create(test, &file).ok()) {
        (void)file.Write("Test writing", 12);
        (void)file.Close();
      }
    }
    {
      kv::FileHandle file;
      char line[64];
      size_t got = 0;
      if (kv::FileHandle::OpenForReading(test, &file).ok())
        (void)file.Read(line, sizeof line, &got);
    }
    (void)kv::DeleteFile(test);
    if (!op.required.empty()) (void)kv::GetFileStatus(op.required, &status);
    parts->tests += Seconds(start);
  }
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 15;
  if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[2]));
  const kv::testing::TempRoot temp;
  const std::filesystem::path& root = temp.path();
  kv::SetUiBackend(std::make_unique<SilentUi>());
  Lay(root);

  const std::vector<Operation> ops = Operations();
  std::vector<double> table, plain;
  Parts parts;
  for (int round = 0; round < rounds; ++round) {
    auto start = Clock::now();
    kv::CObArray entries;
    CreateKestrelDataPathArray(kKey, entries, nullptr, nullptr);
    table.push_back(Seconds(start));
    for (int i = 0; i < entries.GetSize(); ++i) delete entries[i];
    start = Clock::now();
    PlainLoop(ops, &parts);
    plain.push_back(Seconds(start));
  }
  const double t = Median(table), p = Median(plain);
  std::printf("entries: %zu, rounds: %d\n", ops.size(), rounds);
  std::printf("CreateKestrelDataPathArray  median %.2f ms\n", t * 1e3);
  std::printf("plain loop                  median %.2f ms\n", p * 1e3);
  std::printf("ratio                       %.2f x\n", t / p);
  const double total = parts.listing + parts.stats + parts.variables + parts.tests;
  std::printf(
      "plain loop's parts: permission tests %.0f%%, variable reads %.0f%%, stats %.0f%%, "
      "post listing and descriptions %.0f%%\n",
      100 * parts.tests / total, 100 * parts.variables / total, 100 * parts.stats / total,
      100 * parts.listing / total);
  return 0;
}
