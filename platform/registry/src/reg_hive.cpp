// Hive files on disk, the per-process cache of their indexed texts, and the locked
// read-modify-replace cycle of a writer.
#include "reg_hive.h"

#include <array>
#include <mutex>
#include <system_error>

#include <time.h>

#include "KVPlatform/root.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"
#include "kvhost/host_path.h"
#include "reg_text.h"

namespace kv::detail {

using host::FileIdentity;
using host::FileLock;
using host::ReadFileContents;
using host::RemoveStaleTemporaries;
using host::ReplaceFileContents;
using host::StatFile;

namespace {

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

// "<name>.lock" beside "<name>.reg" (or beside a file of another name, its name with
// ".lock" added).
std::filesystem::path LockFileFor(const std::filesystem::path& file) {
  std::filesystem::path lock = file;
  if (file.extension() == ".reg") return lock.replace_extension(".lock");
  return lock += ".lock";
}

std::shared_ptr<const HiveData> Index(Hive hive, std::string bytes) {
  return std::make_shared<const HiveData>(hive, DecodeRegFileBytes(std::move(bytes)));
}

// The hive's contents and the identity of the file version they came from.
Status LoadHive(Hive hive, const std::filesystem::path& file, std::shared_ptr<const HiveData>* data,
                FileIdentity* identity) {
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
    Status s = ReadFileContents(file, &contents, &now, kMaxHiveBytes);
    if (s.code() == kErrorFileNotFound) {
      now = FileIdentity();  // replaced by nothing in the meantime: an empty hive
    } else if (!s.ok()) {
      return s;
    }
  }
  const bool settled = !now.exists || Settled(now);
  if (unsettled && now == stated && contents == unsettledContents) {
    parsed = unsettled;  // the same bytes: nothing to parse again
  } else if (settled) {
    parsed = Index(hive, std::move(contents));
  } else {
    parsed = Index(hive, contents);  // the bytes stay for the next reader to compare
  }
  std::lock_guard<std::mutex> guard(CacheMutex());
  Cache()[Slot(hive)] =
      CacheEntry{file, now, parsed, settled, settled ? std::string() : std::move(contents)};
  *data = parsed;
  *identity = now;
  return Status::Ok();
}

}  // namespace

Status ReadHive(Hive hive, std::shared_ptr<const HiveData>* data) {
  FileIdentity identity;
  return LoadHive(hive, HiveFile(host::RegistryFolder(), hive), data, &identity);
}

Status UpdateHive(Hive hive, const HiveChange& change) {
  std::filesystem::path folder = host::RegistryFolder();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Status(Win32CodeFromErrno(error.value()));
  const std::filesystem::path file = HiveFile(folder, hive);
  std::filesystem::path target;
  if (Status s = host::FollowLinks(file, &target); !s.ok()) return s;

  FileLock lock;
  if (Status s = lock.Acquire(LockFileFor(target)); !s.ok()) return s;
  RemoveStaleTemporaries(target);

  std::shared_ptr<const HiveData> current;
  FileIdentity identity;
  if (Status s = LoadHive(hive, file, &current, &identity); !s.ok()) return s;

  std::shared_ptr<const HiveData> stored;
  bool modified = true;
  if (Status s = change(*current, &stored, &modified); !s.ok() || !modified) return s;
  if (stored->text().size() > kMaxHiveBytes) return Status(kErrorNotEnoughMemory);

  FileIdentity written;
  if (Status s = ReplaceFileContents(target, stored->text(), identity, &written); !s.ok()) {
    return s;
  }

  // The cache holds what the file now holds.
  std::lock_guard<std::mutex> guard(CacheMutex());
  Cache()[Slot(hive)] = CacheEntry{file, written, stored, true, {}};
  return Status::Ok();
}

Status RewriteTree(const HiveData& current, const TreeChange& change,
                   std::shared_ptr<const HiveData>* next, bool* modified) {
  RegNode root = current.Tree();
  if (Status s = change(root, modified); !s.ok() || !*modified) return s;
  *next = std::make_shared<const HiveData>(current.hive(),
                                           RegFileText{FormatHive(current.hive(), root), false});
  return Status::Ok();
}

Status UpdateHiveTree(Hive hive, const TreeChange& change) {
  return UpdateHive(
      hive, [&change](const HiveData& current, std::shared_ptr<const HiveData>* next,
                      bool* modified) { return RewriteTree(current, change, next, modified); });
}

void ForgetHives() {
  std::lock_guard<std::mutex> guard(CacheMutex());
  for (auto& entry : Cache()) entry = CacheEntry();
}

}  // namespace kv::detail
