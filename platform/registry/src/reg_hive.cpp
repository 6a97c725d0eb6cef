// Hive files on disk, the per-process cache of their parsed trees, and the locked
// read-modify-replace cycle of a writer.
#include "reg_hive.h"

#include <array>
#include <mutex>
#include <system_error>

#include <time.h>

#include "KVPlatform/root.h"
#include "kvhost/host_path.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"
#include "reg_text.h"

namespace kv::detail {

using host::FileIdentity;
using host::FileLock;
using host::ReadFileContents;
using host::RemoveStaleTemporaries;
using host::ReplaceFileContents;
using host::StatFile;
namespace {

// Builds a hive's tree from its file; keeps every line it cannot use.
class HiveSink : public RegTextSink {
 public:
  HiveSink(Hive hive, RegNode* root) : hive_(hive), root_(root), current_(root) {}

  std::wstring OnKey(Hive hive, const KeyPath& path, bool remove) override {
    if (hive != hive_) {
      return L"a key of " + std::wstring(HiveName(hive)) + L" does not belong in the " +
             std::wstring(HiveName(hive_)) + L" hive file";
    }
    rawRun_ = false;
    if (remove) return L"a key deletion line [-...] does not belong in a hive file";
    current_ = CreateNode(*root_, path, nullptr);
    return {};
  }

  void OnValue(const std::wstring& name, const std::optional<RegValue>& value) override {
    rawRun_ = false;
    if (value) {
      current_->SetValue(name, *value);
    } else {
      current_->RemoveValue(FoldCase(name));
    }
  }

  // Kept lines are written back after the values of their key. Runs of them that were
  // apart in the file stay apart (a blank line between), so that a line ending in "\"
  // can never join a line that followed it only after the rewrite.
  void OnRaw(std::string_view line) override {
    if (!rawRun_ && !current_->rawLines.empty()) current_->rawLines.emplace_back();
    current_->rawLines.emplace_back(line);
    rawRun_ = true;
  }

  void OnBlank() override { rawRun_ = false; }

 private:
  bool rawRun_ = false;
  Hive hive_;
  RegNode* root_;
  RegNode* current_;
};

// A parsed hive and the file version it came from. A version whose modification time
// was still recent when it was read is "unsettled": a program that rewrites the file in
// place within the same clock tick leaves the same size and time, so until the time has
// clearly passed, a reader compares the file's bytes with `contents` instead of trusting
// the stat alone. Versions written by this library carry a precise time of their own and
// are settled at once.
struct CacheEntry {
  std::filesystem::path file;
  FileIdentity identity;
  std::shared_ptr<const HiveData> data;
  bool settled = false;
  std::string contents;  // while unsettled
};

// Longer than the coarsest file time stamps of the file systems a root may lie on.
constexpr int64_t kSettleNs = 2'000'000'000;

int64_t NowNs() {
  struct timespec now;
  ::clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool Settled(const FileIdentity& identity) { return NowNs() - identity.mtimeNs > kSettleNs; }

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

std::array<CacheEntry, 4>& Cache() {
  static auto* cache = new std::array<CacheEntry, 4>();
  return *cache;
}

size_t Slot(Hive hive) { return static_cast<size_t>(hive); }

std::filesystem::path HiveFile(const std::filesystem::path& folder, Hive hive) {
  return folder / (WideToAnsi(HiveName(hive)) + ".reg");
}

// The hive's contents and the identity of the file version they came from.
Status LoadHive(Hive hive, const std::filesystem::path& file,
                std::shared_ptr<const HiveData>* data, FileIdentity* identity) {
  FileIdentity now;
  if (Status s = StatFile(file, &now); !s.ok()) return s;
  std::shared_ptr<const HiveData> unsettled;  // cached, to be confirmed by the bytes
  std::string unsettledContents;
  {
    std::lock_guard<std::mutex> guard(CacheMutex());
    const CacheEntry& entry = Cache()[Slot(hive)];
    if (entry.data && entry.file == file && entry.identity == now) {
      if (entry.settled) {
        *data = entry.data;
        *identity = now;
        return Status::Ok();
      }
      unsettled = entry.data;
      unsettledContents = entry.contents;
    }
  }
  FileIdentity stated = now;
  std::string contents;
  std::shared_ptr<const HiveData> parsed;
  if (now.exists) {
    Status s = ReadFileContents(file, &contents, &now);
    if (s.code() == kErrorFileNotFound) {
      now = FileIdentity();  // replaced by nothing in the meantime: an empty hive
    } else if (!s.ok()) {
      return s;
    }
  }
  if (unsettled && now == stated && contents == unsettledContents) {
    parsed = unsettled;  // the same bytes: nothing to parse again
  } else if (now.exists) {
    parsed = ParseHiveText(hive, contents);
  } else {
    parsed = std::make_shared<HiveData>();
  }
  bool settled = !now.exists || Settled(now);
  std::lock_guard<std::mutex> guard(CacheMutex());
  Cache()[Slot(hive)] =
      CacheEntry{file, now, parsed, settled, settled ? std::string() : std::move(contents)};
  *data = parsed;
  *identity = now;
  return Status::Ok();
}

}  // namespace

std::shared_ptr<HiveData> ParseHiveText(Hive hive, std::string_view text) {
  auto data = std::make_shared<HiveData>();
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return data;
  std::string decoded = DecodeRegFileBytes(text);
  HiveSink sink(hive, &data->root);
  data->problems = ParseRegText(decoded, sink).errors;
  return data;
}

Status ReadHive(Hive hive, std::shared_ptr<const HiveData>* data) {
  FileIdentity identity;
  return LoadHive(hive, HiveFile(host::RegistryFolder(), hive), data, &identity);
}

Status UpdateHive(Hive hive, const HiveChange& change) {
  std::filesystem::path folder = host::RegistryFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Status(Win32CodeFromErrno(error.value()));
  std::filesystem::path file = HiveFile(folder, hive);

  FileLock lock;
  if (Status s = lock.Acquire(folder / (WideToAnsi(HiveName(hive)) + ".lock")); !s.ok()) {
    return s;
  }
  RemoveStaleTemporaries(file);

  std::shared_ptr<const HiveData> current;
  FileIdentity identity;
  if (Status s = LoadHive(hive, file, &current, &identity); !s.ok()) return s;

  RegNode root = current->root;
  bool modified = true;
  if (Status s = change(root, &modified); !s.ok() || !modified) return s;

  std::string text = FormatHive(hive, root);
  FileIdentity written;
  if (Status s = ReplaceFileContents(file, text, identity, &written); !s.ok()) return s;

  // The cache holds what the file now holds (line numbers of kept lines included).
  std::shared_ptr<const HiveData> stored = ParseHiveText(hive, text);
  std::lock_guard<std::mutex> guard(CacheMutex());
  Cache()[Slot(hive)] = CacheEntry{file, written, stored, true, {}};
  return Status::Ok();
}

void ForgetHives() {
  std::lock_guard<std::mutex> guard(CacheMutex());
  for (auto& entry : Cache()) entry = CacheEntry();
}

}  // namespace kv::detail
