// The folder-tree copy: the files of a folder matching a pattern, and with recursion its
// subfolders, copied depth first into another folder. One walk serves every caller
// (the file utilities' folder copy, the data update with its counting and logging).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

namespace kv {

struct CopyTreeOptions {
  bool recurse = false;       // copy subfolders too
  bool keepExisting = false;  // an existing destination file stays as it is
  // Windows paths (search paths, sources, destinations) of this many characters or more
  // end the walk unfinished, as a fixed buffer of that size would; 0 for no limit.
  size_t pathLimit = 0;
  int retries = 100;          // further attempts at a file whose copy failed
  bool stopAtFailure = true;  // a file that could not be copied ends the walk
  // Symbolic links are followed only where they stay inside `linkRoot` (default: the
  // source folder) and do not lead into `linkForbidden` (default: the destination); any
  // other link is passed over and reported. Without it, links are followed, except back
  // into a folder being walked (a loop).
  bool confineLinks = false;
  std::wstring_view linkRoot;
  std::wstring_view linkForbidden;
};

// Why an entry was passed over.
enum class CopyTreeSkip {
  kLoop,                 // a link back to a folder being walked, or the destination itself
  kLinkOutside,          // a link whose target lies outside the source folder
  kLinkIntoDestination,  // a link whose target lies in the destination
  kDanglingLink,         // a link to nothing
};

// What the walk tells its caller as it goes (paths as Windows paths: the source folder
// or destination joined with "/" and the entry's name).
class KV_EXPORT CopyTreeObserver {
 public:
  virtual ~CopyTreeObserver();
  // Whether a file is to be copied at all (default: every file).
  virtual bool WantsFile(std::wstring_view from);
  virtual void FileCopied(std::wstring_view from, std::wstring_view to);
  virtual void FileFailed(std::wstring_view from, std::wstring_view to, Status status);
  virtual void EntrySkipped(std::wstring_view path, CopyTreeSkip reason);
};

struct CopyTreeResult {
  bool completed = true;  // false when a path did not fit or a failure ended the walk
  uint64_t copied = 0;
  uint64_t failed = 0;  // files that could not be copied after the retries
};

// Copies `source` + `pattern` (a search path: the pattern brings its separator, "/*.*")
// into `destination`. Folders and files whose names begin with '.' are passed over. A
// source folder that cannot be listed, or where nothing matches, copies nothing and
// completes. New destination folders keep the source's spelling; existing destination
// names are matched without regard to case, as on Windows. Each file is copied as
// CopyFile copies it (never a torn destination); a file that vanished meanwhile is
// passed over.
KV_EXPORT CopyTreeResult CopyTree(std::wstring_view source, std::wstring_view pattern,
                                  std::wstring_view destination, const CopyTreeOptions& options,
                                  CopyTreeObserver* observer = nullptr);

}  // namespace kv
