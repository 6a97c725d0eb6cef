// The hive files and their cache.
//
// Each stored hive (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS) is the file
// <registry folder>/<hive name>.reg. A reader stats the file and re-parses it only when
// its identity changed; the parsed tree is shared and never modified. (For a version
// that another program wrote less than two seconds before it was read, the reader also
// compares the file's bytes, since a rewrite in place within one tick of a coarse file
// clock leaves size and time as they were.) A writer locks
// <hive name>.lock, re-reads the file if it changed, applies its one change to a copy,
// and replaces the file atomically.
//
// Lines of a hive file that cannot be read (a person's slip while editing it) are kept:
// they stay attached to the key they appeared under and are written back verbatim, so a
// rewrite never drops them; HiveProblems reports them with their line numbers.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/status.h"
#include "reg_tree.h"

namespace kv::detail {

struct HiveData {
  RegNode root;
  std::vector<RegImportError> problems;  // lines of the file that could not be read
};

// The current contents of a stored hive (not kClassesRoot). A missing file is an empty
// hive. Fails only when the file exists but cannot be read.
Status ReadHive(Hive hive, std::shared_ptr<const HiveData>* data);

// A change to one hive: edits `root` and returns its result. With a failure, or when it
// sets *modified to false, nothing is written.
using HiveChange = std::function<Status(RegNode& root, bool* modified)>;

// Applies `change` under the hive's write lock to its newest contents and stores the
// result. Returns the change's failure, or the failure to store.
Status UpdateHive(Hive hive, const HiveChange& change);

// Parses hive file text (exposed for the tests of the parser through the public calls).
std::shared_ptr<HiveData> ParseHiveText(Hive hive, std::string_view text);

void ForgetHives();

}  // namespace kv::detail
