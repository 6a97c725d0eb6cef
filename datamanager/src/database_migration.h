// The one-time move of a pre-2008 database into the data path.
#pragma once

#include <string>

enum class MigrationOutcome {
  kLeftOnNetwork,  // the old database is on a network drive; the user was told
  kDone,           // copied now, or before (the done marker exists)
  kGivenUp,        // the user cancelled for lack of disk space
};

// The support telephone number shown in the network message.
inline constexpr const wchar_t* kSupportTelephone = L"1-555-010-2024";

// Moves the databases of `earlier` (terminated) into `dataPath` (terminated).
MigrationOutcome MigrateEarlierDatabase(const std::wstring& earlier, const std::wstring& dataPath);
