// Test support: every test runs on a fresh root folder of its own.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "KVPlatform/scripted_ui.h"

namespace kv::testing {

// A fresh root folder in the temporary folder (or in `parent`): KESTREL_ROOT points at
// it for the object's life, with drive C: mapped to drives/c and an empty registry
// folder. The registry cache is reset on the way in and out; the folder is removed at
// the end. Benchmarks use it too.
class TempRoot {
 public:
  explicit TempRoot(const std::filesystem::path& parent = std::filesystem::temp_directory_path());
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The host folder of a drive letter; MapDrive creates it (or links it to `target`).
  std::filesystem::path Drive(wchar_t letter) const;
  std::filesystem::path MapDrive(wchar_t letter, const std::filesystem::path& target = {});
  // Writes a file (parents created) at a host path.
  static void WriteFile(const std::filesystem::path& file, std::string_view contents);
  static std::string ReadFile(const std::filesystem::path& file);

 private:
  std::filesystem::path path_;
  std::string oldRoot_;
  bool hadOldRoot_ = false;
};

// A test fixture with a fresh root and a fresh scripted UI.
class RootTest : public ::testing::Test {
 protected:
  RootTest() : ui_(InstallScriptedUi()) {}
  TempRoot root_;
  ScriptedUi& ui_;
};

}  // namespace kv::testing
