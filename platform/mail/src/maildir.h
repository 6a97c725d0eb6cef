// The message store of one profile on disk: Maildir folders under
// <root>/mail/<profile>/, one file per message named "<unique>:2,<flags>" in cur/.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"

namespace kv::mail {

inline constexpr std::string_view kOutbox = "Outbox";
inline constexpr std::string_view kSentItems = "Sent Items";

class Maildir {
 public:
  // The store of a profile (its name must be usable as a folder name).
  explicit Maildir(std::wstring_view profile);

  const std::filesystem::path& folder() const { return store_; }
  // The folders a store holds, in order.
  static const std::vector<std::string>& FolderNames();
  static bool IsFolderName(std::string_view name);

  // Creates the store's folders (with tmp/, new/, cur/) where missing; the Win32 code
  // of the failure otherwise.
  Status Create() const;

  // A name no other message of this machine gets: time, process, counter, host.
  static std::string NewUniqueName();

  // Writes a message (`head` then `body`) under its unique name with the Maildir flags
  // given ("" or "S"), replacing the earlier version wherever its flags put it. The file
  // is written beside its final name and renamed into place, flushed.
  Status Write(std::string_view folderName, std::string_view unique, std::string_view flags,
               std::string_view head, std::string_view body) const;

  struct Entry {
    std::string unique;
    std::filesystem::path file;
    uint64_t size = 0;
  };
  // The message of a unique name (2 when there is none).
  Status Find(std::string_view folderName, std::string_view unique, Entry* entry) const;
  // The messages of a folder, in name order.
  std::vector<Entry> List(std::string_view folderName) const;
  // Moves a message to another folder (or within its own), giving it the Maildir flags
  // given: a rename, the file stays as it is. 2 when there is none, 183 when the target
  // folder holds that name already.
  Status Move(std::string_view fromFolder, std::string_view unique, std::string_view toFolder,
              std::string_view flags) const;
  // Removes a message (2 when there is none).
  Status Remove(std::string_view folderName, std::string_view unique) const;

  // Appends one line to the store's transport log.
  void Log(std::string_view line) const;

 private:
  std::filesystem::path store_;
};

}  // namespace kv::mail
