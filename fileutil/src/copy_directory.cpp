// kv_copy_directory: the files of a folder, and with DIR_RECURSE its subfolders,
// copied depth first into another folder.
#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/copy_tree.h"

namespace {
constexpr size_t kBufferSize = 512;  // characters, terminator included
}  // namespace

int kv_copy_directory(const wchar_t* sourceFolder, const wchar_t* pattern,
                      const wchar_t* destinationFolder, unsigned flags) {
  if (sourceFolder == nullptr || pattern == nullptr || destinationFolder == nullptr) return 0;
  kv::CopyTreeOptions options;
  options.recurse = (flags & DIR_RECURSE) != 0;
  options.keepExisting = (flags & DIR_KEEP_EXISTING) != 0;
  options.pathLimit = kBufferSize;  // the paths are built in buffers of this size
  return kv::CopyTree(sourceFolder, pattern, destinationFolder, options).completed ? 1 : 0;
}
