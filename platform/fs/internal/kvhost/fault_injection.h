// Injected file-system faults, for tests: the routines that write files whole (the
// AtomicWriter, the FileLock, CopyHostFile) ask the hook before each open, write, flush
// and rename, so that a test can fail any one of these steps with a chosen Win32 code
// and check that the old file stays and the failure is reported. No hook is set outside
// tests; asking then costs one atomic load.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "KVPlatform/export.h"

namespace kv::host {

enum class FileStep { kOpen, kWrite, kSync, kRename };

// Returns the Win32 code to fail the step with, or 0 to let it happen. `file` is the
// file the step acts on (the temporary file's target for the steps of an AtomicWriter).
using FaultHook = std::function<uint32_t(FileStep step, const std::filesystem::path& file)>;

// Installs the hook for the whole process (an empty one removes it).
KV_EXPORT void SetFaultHook(FaultHook hook);

// The code the hook gives for this step; 0 without a hook.
KV_EXPORT uint32_t InjectedFault(FileStep step, const std::filesystem::path& file);

}  // namespace kv::host
