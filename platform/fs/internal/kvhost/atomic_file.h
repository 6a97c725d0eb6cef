// Small files that several processes read and rewrite (registry hives, INI files).
//
// A writer holds a FileLock: a mutex inside the process plus flock on a lock file beside
// the data file that is never renamed. It then reads the file, and replaces it with
// ReplaceFileContents: a temporary file in the same folder, flushed, renamed over the
// file, folder flushed. A crash at any moment leaves the old or the new file; a reader
// never sees a torn one and needs no lock. FileIdentity tells a reader cheaply (one stat)
// whether the file changed since it last parsed it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv::host {

// What identifies one version of a file: device, inode, size and modification time.
// Writers give every new version a modification time later than the one it replaces,
// so that a reused inode number never makes two versions look the same.
struct FileIdentity {
  bool exists = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t mtimeNs = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// One stat of `file`. A missing file gives {exists = false} and succeeds; other failures
// carry their Win32 code.
KV_EXPORT Status StatFile(const std::filesystem::path& file, FileIdentity* identity);

// Reads the whole file and the identity of the version read (taken from the open file,
// so the two always belong together). A missing file: 2, with `contents` empty; more
// than `limit` bytes (a stream that never ends, say): 8, with `contents` empty.
KV_EXPORT Status ReadFileContents(const std::filesystem::path& file, std::string* contents,
                                  FileIdentity* identity, uint64_t limit = UINT64_MAX);

// An exclusive lock for writers of one file: an in-process mutex for `lockFile` plus
// flock on it (created when missing, never removed or renamed). Blocks until held. The
// lock file is opened without following a link: a symbolic link (or anything but a
// plain file) in its place is refused with 1920, never followed nor replaced, so that
// nobody can make a writer create files elsewhere and two writers never lock different
// files.
class KV_EXPORT FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Fails with the Win32 code when the lock file cannot be created or locked (3 when its
  // folder is missing, 5 when it may not be written, 1920 when it is a link).
  Status Acquire(const std::filesystem::path& lockFile);
  void Release();

 private:
  std::unique_lock<std::mutex> inProcess_;
  int fd_ = -1;
};

// A new version of a file, written beside it and put in its place only when complete:
// the one routine by which the platform replaces or creates files whole (registry hives,
// INI files, copies, downloads, whole-file writes). Until Commit the target is
// untouched; a writer destroyed before Commit removes its temporary file.
class KV_EXPORT AtomicWriter {
 public:
  // How the temporary file is named: short (".kvtmp-<pid>-<n>", so that a target name of
  // any legal length works) or after the target ("<file>.tmp-<pid>-<n>", which
  // RemoveStaleTemporaries recognises for files that are written under a FileLock). It
  // is created as a plain new file is (0666 less the umask).
  enum class Naming { kShort, kAfterTarget };

  AtomicWriter() = default;
  ~AtomicWriter();
  AtomicWriter(const AtomicWriter&) = delete;
  AtomicWriter& operator=(const AtomicWriter&) = delete;

  // Creates the temporary file in the target's folder. Fails with the Win32 code (3 when
  // the folder is missing, 5 when it takes no new files).
  Status Open(const std::filesystem::path& target, Naming naming = Naming::kShort);
  // The open temporary file, for callers that fill it themselves (copies).
  int descriptor() const { return fd_; }
  // Appends to the temporary file (retrying short writes); 112 when the disk is full.
  Status Write(std::string_view data);
  // Puts the temporary file in place of the target: with `replace` a rename over it,
  // else a rename that replaces nothing (80 when the target exists, which then stays as
  // it is). With `sync` the data is flushed first and the folder after, so that a crash
  // leaves the old version or the new one. On failure the temporary file is removed.
  Status Commit(bool replace, bool sync);
  // Removes the temporary file; the target stays as it was.
  void Discard();

 private:
  std::filesystem::path target_, temp_;
  int fd_ = -1;
};

// Replaces `file` with `contents`: writes "<file>.tmp-<pid>-<n>" in the same folder,
// gives it the old file's permissions (new files get 0666 less the umask), a
// modification time later than `previous`, flushes it, renames it over `file` and
// flushes the folder. On success `identity` (if given) holds the new version's identity.
// On failure the old file is untouched and the temporary file removed; a file with no
// write permission bit at all is read-only and fails with 5. The caller holds the
// FileLock.
KV_EXPORT Status ReplaceFileContents(const std::filesystem::path& file, std::string_view contents,
                                     const FileIdentity& previous, FileIdentity* identity);

// Removes "<file>.tmp-<pid>-<n>" files left by writers that died before their rename
// (other names, "<file>.tmp-old" say, are never touched). Only a
// holder of the FileLock may call it (no other writer can be between write and rename).
KV_EXPORT void RemoveStaleTemporaries(const std::filesystem::path& file);

// The file that `file` stands for: a symbolic link (or a chain of them) is followed to
// the path it names, which need not exist yet, so that replacing the file rewrites the
// file the link points to and keeps the link (a hive or INI file shared between roots).
// Other paths come back unchanged. A loop of links fails (1011).
KV_EXPORT Status FollowLinks(const std::filesystem::path& file, std::filesystem::path* target);

}  // namespace kv::host
