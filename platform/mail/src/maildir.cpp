// Maildir folders of a profile's store.
#include "maildir.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <system_error>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/local_time.h"
#include "KVPlatform/text.h"
#include "kvhost/atomic_file.h"
#include "kvhost/host_path.h"

namespace kv::mail {

namespace {

// The unique part of a file name: what comes before ":2,".
std::string_view UniqueOf(std::string_view fileName) {
  return fileName.substr(0, fileName.find(':'));
}

Status FromErrorCode(const std::error_code& error) {
  return Status(error ? Win32CodeFromErrno(error.value()) : kErrorSuccess);
}

}  // namespace

Maildir::Maildir(std::wstring_view profile)
    : store_(host::RootPath() / "mail" / WideToAnsi(profile)) {}

const std::vector<std::string>& Maildir::FolderNames() {
  static const std::vector<std::string> names = {std::string(kOutbox), std::string(kSentItems)};
  return names;
}

bool Maildir::IsFolderName(std::string_view name) {
  for (const std::string& known : FolderNames()) {
    if (known == name) return true;
  }
  return false;
}

Status Maildir::Create() const {
  std::error_code error;
  for (const std::string& name : FolderNames()) {
    for (const char* sub : {"tmp", "new", "cur"}) {
      std::filesystem::create_directories(store_ / name / sub, error);
      if (error) return FromErrorCode(error);
    }
  }
  return Status::Ok();
}

std::string Maildir::NewUniqueName() {
  static std::atomic<unsigned> counter{0};
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now).count();
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count() % 1000000;
  char host[256] = "localhost";
  gethostname(host, sizeof host - 1);
  std::string hostName;
  for (const char* c = host; *c != '\0'; ++c) {
    if (*c == '/') {
      hostName += "\\057";
    } else if (*c == ':') {
      hostName += "\\072";
    } else {
      hostName += *c;
    }
  }
  return std::to_string(seconds) + ".M" + std::to_string(micros) + "P" + std::to_string(getpid()) +
         "Q" + std::to_string(++counter) + "." + hostName;
}

Status Maildir::Write(std::string_view folderName, std::string_view unique, std::string_view flags,
                      std::string_view head, std::string_view body) const {
  Entry previous;
  const bool replacing = Find(folderName, unique, &previous).ok();
  const std::filesystem::path target =
      store_ / std::string(folderName) / "cur" / (std::string(unique) + ":2," + std::string(flags));
  host::AtomicWriter writer;
  if (Status s = writer.Open(target); !s.ok()) return s;
  if (Status s = writer.Write(head); !s.ok()) return s;
  if (Status s = writer.Write(body); !s.ok()) return s;
  if (Status s = writer.Commit(true, true); !s.ok()) return s;
  if (replacing && previous.file != target) {
    std::error_code ignored;
    std::filesystem::remove(previous.file, ignored);
  }
  return Status::Ok();
}

Status Maildir::Find(std::string_view folderName, std::string_view unique, Entry* entry) const {
  for (const char* sub : {"cur", "new"}) {
    std::error_code error;
    for (const auto& item :
         std::filesystem::directory_iterator(store_ / std::string(folderName) / sub, error)) {
      const std::string name = item.path().filename().string();
      if (UniqueOf(name) != unique) continue;
      entry->unique = unique;
      entry->file = item.path();
      entry->size = item.file_size(error);
      return Status::Ok();
    }
  }
  return Status(kErrorFileNotFound);
}

std::vector<Maildir::Entry> Maildir::List(std::string_view folderName) const {
  std::vector<Entry> entries;
  for (const char* sub : {"cur", "new"}) {
    std::error_code error;
    for (const auto& item :
         std::filesystem::directory_iterator(store_ / std::string(folderName) / sub, error)) {
      const std::string name = item.path().filename().string();
      if (name.empty() || name[0] == '.' || !item.is_regular_file(error)) continue;
      entries.push_back({std::string(UniqueOf(name)), item.path(), item.file_size(error)});
    }
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.unique < b.unique; });
  return entries;
}

Status Maildir::Move(std::string_view fromFolder, std::string_view unique,
                     std::string_view toFolder, std::string_view flags) const {
  Entry entry, existing;
  if (Status s = Find(fromFolder, unique, &entry); !s.ok()) return s;
  if (fromFolder != toFolder && Find(toFolder, unique, &existing).ok())
    return Status(kErrorAlreadyExists);
  const std::filesystem::path target =
      store_ / std::string(toFolder) / "cur" / (std::string(unique) + ":2," + std::string(flags));
  std::error_code error;
  std::filesystem::rename(entry.file, target, error);
  return FromErrorCode(error);
}

Status Maildir::Remove(std::string_view folderName, std::string_view unique) const {
  Entry entry;
  if (Status s = Find(folderName, unique, &entry); !s.ok()) return s;
  std::error_code error;
  std::filesystem::remove(entry.file, error);
  return FromErrorCode(error);
}

void Maildir::Log(std::string_view line) const {
  std::tm local{};
  char stamp[32] = "";
  if (ToLocalTime(std::time(nullptr), &local))
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  // The log is a convenience: a store that cannot take it still sends.
  (void)AppendToFile(AnsiToWide((store_ / "transport.log").string()),
                     std::string(stamp) + " " + std::string(line) + "\n");
}

}  // namespace kv::mail
