// The hive files and their cache.
//
// Each stored hive (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS) is the file
// <registry folder>/<hive name>.reg. A reader stats the file and reads and indexes it
// again only when its identity changed; the indexed text is shared and never modified.
// (For a version that another program wrote less than two seconds before it was read,
// the reader also compares the file's bytes, since a rewrite in place within one tick of
// a coarse file clock leaves size and time as they were.) A writer locks the hive's lock
// file, re-reads the hive if it changed, makes its one change, and replaces the file
// atomically.
//
// A hive file that is a symbolic link (a machine hive shared by several roots) is
// rewritten where the link points, and the link stays; its lock file then lies beside
// that file ("<name>.lock" for "<name>.reg"), so that every root sharing it takes the
// same lock. Lock files themselves are never followed (see FileLock).
//
// Lines of a hive file that cannot be read (a person's slip while editing it) are kept:
// a change edits only the lines it is about, and a change that rewrites the whole hive
// writes them back under the key they appeared under. HiveData::Problems reports them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "KVPlatform/registry.h"
#include "KVPlatform/status.h"
#include "reg_index.h"
#include "reg_tree.h"

namespace kv::detail {

// The largest hive file that is read (or written): a bigger one, or a stream that does
// not end, fails with 8 (not enough memory).
inline constexpr uint64_t kMaxHiveBytes = uint64_t{256} << 20;

// The current contents of a stored hive (not kClassesRoot). A missing file is an empty
// hive. Fails only when the file exists but cannot be read.
Status ReadHive(Hive hive, std::shared_ptr<const HiveData>* data);

// A change to one hive: given its newest contents, sets `next` to the hive's new
// contents and returns its result. With a failure, or when it sets *modified to false,
// nothing is written.
using HiveChange = std::function<Status(const HiveData& current,
                                        std::shared_ptr<const HiveData>* next, bool* modified)>;

// Applies `change` under the hive's write lock and stores the result. Returns the
// change's failure, or the failure to store.
Status UpdateHive(Hive hive, const HiveChange& change);

// A change made on the hive's whole tree, which is then written out in full (imports,
// deletions of keys, and any change to a file that cannot be edited line by line).
using TreeChange = std::function<Status(RegNode& root, bool* modified)>;
Status UpdateHiveTree(Hive hive, const TreeChange& change);
// The contents of `current` after `change` made on its tree.
Status RewriteTree(const HiveData& current, const TreeChange& change,
                   std::shared_ptr<const HiveData>* next, bool* modified);

void ForgetHives();

}  // namespace kv::detail
