#include "temp_root.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "KVPlatform/registry.h"

namespace kv::testing {

TempRoot::TempRoot(const std::filesystem::path& parent) {
  std::string pattern = (parent / "kvroot-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
  if (const char* old = std::getenv("KESTREL_ROOT")) {
    hadOldRoot_ = true;
    oldRoot_ = old;
  }
  setenv("KESTREL_ROOT", path_.c_str(), 1);
  std::filesystem::create_directories(path_ / "registry");
  MapDrive(L'c');
  ResetRegistryCache();
}

TempRoot::~TempRoot() {
  ResetRegistryCache();
  if (hadOldRoot_) {
    setenv("KESTREL_ROOT", oldRoot_.c_str(), 1);
  } else {
    unsetenv("KESTREL_ROOT");
  }
  std::error_code ignored;
  // Tests take permissions away; give them back so that everything can be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    if (!it->is_symlink(ignored)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
  }
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempRoot::Drive(wchar_t letter) const {
  return path_ / "drives" / std::string(1, static_cast<char>(std::tolower(letter)));
}

std::filesystem::path TempRoot::MapDrive(wchar_t letter, const std::filesystem::path& target) {
  std::filesystem::path drive = Drive(letter);
  std::filesystem::create_directories(drive.parent_path());
  if (target.empty()) {
    std::filesystem::create_directories(drive);
  } else {
    std::filesystem::create_directory_symlink(target, drive);
  }
  return drive;
}

void TempRoot::WriteFile(const std::filesystem::path& file, std::string_view contents) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string TempRoot::ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kv::testing
