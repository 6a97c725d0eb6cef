// A fresh root whose suite data path is C:\Data, for the tests of the parts that keep
// process-wide state (the data path, the default-variables cache). The data path is
// read once per process, so every test of this program stores the same one; it is
// stored without its final separator, which the library must cope with.
#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace kv::fileutil::testing {

inline constexpr wchar_t kDataPathValue[] = L"C:\\Data";

class DataPathTest : public kv::testing::RootTest {
 protected:
  DataPathTest() {
    kv::RegKey key;
    if (!kv::RegKey::Create(kv::Hive::kCurrentUser, L"Software\\Kestrel\\PIECEbank\\2024",
                            kv::kKeyAllAccess, &key)
             .ok() ||
        !key.SetValue(L"Data Path", kv::RegValue::String(kDataPathValue)).ok()) {
      throw std::runtime_error("cannot store the data path");
    }
  }

  // The host folder of C:\Data and the default-variables file in it.
  std::filesystem::path DataFolder() const { return root_.Drive(L'c') / "Data"; }
  std::filesystem::path IniFile() const { return DataFolder() / "kvcfg" / "kestrel.ini"; }
  void WriteIni(const std::string& text) const {
    kv::testing::TempRoot::WriteFile(IniFile(), text);
  }
  std::string ReadIni() const { return kv::testing::TempRoot::ReadFile(IniFile()); }
};

}  // namespace kv::fileutil::testing
