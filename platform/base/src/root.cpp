// The root folder of the emulated machine state.
#include "KVPlatform/root.h"

#include <cstdlib>

namespace kv {

std::string RootFolder() {
  if (const char* root = std::getenv("KESTREL_ROOT"); root != nullptr && *root != '\0') {
    return root;
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0') {
    return std::string(data) + "/kestrel";
  }
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr && *home != '\0' ? home : "") + "/.local/share/kestrel";
}

}  // namespace kv
