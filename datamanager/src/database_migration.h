// The one-time move of a pre-2008 database into the data path.
#pragma once

#include <string>

namespace kv::datamanager {

enum class MigrationOutcome {
  kLeftOnNetwork,  // the old database is on a network drive; the user was told
  kDone,           // copied now, or before (the done marker exists)
  kGivenUp,        // the user cancelled for lack of disk space
  kFailed,         // a folder could not be copied; the user was told, nothing was marked
};

// The support telephone number shown in the network message.
inline constexpr const wchar_t* kSupportTelephone = L"1-555-010-2024";

// Moves the databases of `earlier` (terminated) into `dataPath` (terminated). The done
// marker is written only when every folder was copied, so that a move that failed
// part-way is tried again at the next start.
MigrationOutcome MigrateEarlierDatabase(const std::wstring& earlier, const std::wstring& dataPath);

}  // namespace kv::datamanager
