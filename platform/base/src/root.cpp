// The root folder of the emulated machine state.
#include "KVPlatform/root.h"

#include <cstdlib>

namespace kv {

std::filesystem::path RootFolder() {
  if (const char* root = std::getenv("KESTREL_ROOT"); root != nullptr && *root != '\0') {
    return root;
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
    return std::filesystem::path(data) / "kestrel";
  }
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "/") / ".local" / "share" / "kestrel";
}

std::filesystem::path RegistryFolder() { return RootFolder() / "registry"; }

}  // namespace kv
