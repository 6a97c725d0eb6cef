// Open files as handles: the counterpart of Win32 file handles for code that streams
// data (the zip writer). A FileHandle owns an open descriptor (or borrows a caller's),
// reads, writes, positions and describes it; AnonymousMapping is a block of memory
// backed by the page file (swap), the counterpart of an anonymous file mapping.
//
// Every failure carries the Win32 code of the matching Windows call (2, 3, 5, 6, 112...).
#pragma once

#include "KVPlatform/export.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "KVPlatform/status.h"

namespace kv {

// What an open handle refers to.
enum class HandleKind {
  kDiskFile,   // a regular file: it has a size and can seek
  kDirectory,  // a folder
  kStream,     // a pipe, socket, terminal or device: no size, no seeking
};

// What GetInfo tells of an open handle. Times are seconds since 1970-01-01 UTC.
struct KV_EXPORT HandleInfo {
  HandleKind kind = HandleKind::kStream;
  uint64_t size = 0;         // bytes, for disk files
  bool readOnly = false;     // Windows' read-only attribute: no write permission bit at all
  int64_t modifiedTime = 0;  // last write
  int64_t accessTime = 0;    // last access
  int64_t creationTime = 0;  // birth time where the file system records it, else the last write
};

class KV_EXPORT FileHandle {
 public:
  FileHandle() = default;
  ~FileHandle();  // closes an owned descriptor, ignoring errors (call Close to see them)
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  // Duplicates a caller's open descriptor (not inherited by child programs). The copy
  // has the same access and shares the file position with the original. 6 for a
  // descriptor that is not open.
  static Status Duplicate(int descriptor, FileHandle* out);
  // Uses a caller's descriptor without owning it: it is never closed by this object.
  static FileHandle Borrow(int descriptor);
  // Creates a file for writing, or empties an existing one (CREATE_ALWAYS). 3 when the
  // folder is missing, 5 when the file is read-only or a folder.
  static Status Create(std::wstring_view path, FileHandle* out);
  // Opens an existing file for reading (OPEN_EXISTING, shared for reading) and, when
  // `info` is given, describes it as GetInfo does. 2/3 when it is missing, 5 for a
  // folder. A path whose components all exist under their exact names opens without
  // the component-by-component lookup of ResolvePath (same result, fewer calls).
  // Opens a file for appending, creating it when missing (0666 less the umask): every
  // Write goes to the end in one piece, so records written by several processes never
  // interleave. 3 when the folder is missing, 5 for a folder or a read-only file.
  static Status OpenForAppending(std::wstring_view path, FileHandle* out);
  static Status OpenForReading(std::wstring_view path, FileHandle* out, HandleInfo* info = nullptr);

  // Creates an anonymous scratch file for reading and writing, the counterpart of a
  // file opened with FILE_FLAG_DELETE_ON_CLOSE: it has no name, so nobody else sees it
  // and it is gone when closed, even after a crash. It lies in the folder of `beside` (a
  // file's path; the file need not exist), on that file's disk, or in the host's
  // temporary folder ($TMPDIR, else /tmp) when `beside` is empty. 3 when the folder is
  // missing, 5 when it takes no new files.
  static Status CreateTemporary(std::wstring_view beside, FileHandle* out);

  bool valid() const { return descriptor_ >= 0; }

  // Describes the open file. Fails with 6 when the handle is not open.
  Status GetInfo(HandleInfo* info) const;
  // The current file position (disk files only).
  Status GetPosition(uint64_t* position) const;

  // Reads up to `size` bytes at the current position; `*got` is 0 at the end of the
  // data. A short read is not an error (pipes deliver what they have).
  Status Read(void* buffer, size_t size, size_t* got);
  // Reads up to `size` bytes at `offset` without moving the file position.
  Status ReadAt(uint64_t offset, void* buffer, size_t size, size_t* got);
  // Writes all of `data` at the current position (retrying short writes); 112 when the
  // disk is full. A pipe or socket whose reader has gone fails (29) without raising
  // SIGPIPE, which would end the process.
  Status Write(const void* data, size_t size);
  // Writes all of `data` at `offset` without moving the file position.
  Status WriteAt(uint64_t offset, const void* data, size_t size);

  // Closes an owned descriptor and reports what the close reported (a late write error
  // of a network file system); forgets a borrowed one. The handle is invalid afterwards.
  Status Close();

 private:
  FileHandle(int descriptor, bool owned) : descriptor_(descriptor), owned_(owned) {}
  int descriptor_ = -1;
  bool owned_ = false;
  int isStream_ = -1;  // a pipe or socket (1) or not (0); -1 until the first write
};

// A block of zero-filled memory backed by the page file, unmapped on destruction.
class KV_EXPORT AnonymousMapping {
 public:
  AnonymousMapping() = default;
  ~AnonymousMapping();
  AnonymousMapping(AnonymousMapping&& other) noexcept;
  AnonymousMapping& operator=(AnonymousMapping&& other) noexcept;
  AnonymousMapping(const AnonymousMapping&) = delete;
  AnonymousMapping& operator=(const AnonymousMapping&) = delete;

  // Maps `size` bytes (more than 0). 8 (not enough memory) when it cannot.
  static Status Create(size_t size, AnonymousMapping* out);

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  void Release();
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace kv
