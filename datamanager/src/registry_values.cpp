// The data manager's registry conventions and the table of releases.
#include "registry_values.h"

#include "KVPlatform/path.h"

namespace kv::datamanager {

bool ReadRegistryString(kv::Hive hive, const std::wstring& subKey, const std::wstring& valueName,
                        std::wstring& text) {
  return kv::ReadRegistryText(hive, subKey, valueName, &text).ok();
}

bool WriteUserRegistryString(const std::wstring& subKey, const std::wstring& valueName,
                             const std::wstring& text) {
  return kv::WriteRegistryText(kv::Hive::kCurrentUser, subKey, valueName, text).ok();
}

bool ReadProductDataPath(const std::wstring& productKey, std::wstring& dataPath) {
  if (!kv::ReadRegistryPath(kv::Hive::kCurrentUser, productKey, L"Data Path", &dataPath).ok() &&
      !kv::ReadRegistryPath(kv::Hive::kLocalMachine, productKey, L"Data Path", &dataPath).ok()) {
    return false;
  }
  Terminate(dataPath);
  return true;
}

bool IsTerminated(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

void Terminate(std::wstring& path) {
  if (!IsTerminated(path)) path += L'\\';
}

const std::array<ReleaseRow, 34> ReleaseTable = {{
    {L"Software\\Kestrel\\R17.1", L"2008"},      {L"Software\\Kestrel\\R17.2", L"2009"},
    {L"Software\\Kestrel\\R18.0", L"2010"},      {L"Software\\Kestrel\\R18.1", L"2011"},
    {L"Software\\Kestrel\\R18.2", L"2012"},      {L"Software\\Kestrel\\R19.0", L"2013"},
    {L"Software\\Kestrel\\R19.1", L"2014"},      {L"Software\\Kestrel\\R20.0", L"2015"},
    {L"Software\\Kestrel\\R20.1", L"2016"},      {L"Software\\Kestrel\\R21.0", L"2017"},
    {L"Software\\Kestrel\\R22.0", L"2018"},      {L"Software\\Kestrel\\R23.0", L"2019"},
    {L"Software\\Kestrel\\R23.1", L"2020"},      {L"Software\\Kestrel\\R24.0", L"2021"},
    {L"Software\\Kestrel\\R24.1", L"2022"},      {L"Software\\Kestrel\\R24.2", L"2023"},
    {L"Software\\Kestrel\\R24.3", L"2024"},      {L"Software\\Kestrel\\OEM17.1", L"OEM2008"},
    {L"Software\\Kestrel\\OEM17.2", L"OEM2009"}, {L"Software\\Kestrel\\OEM18.0", L"OEM2010"},
    {L"Software\\Kestrel\\OEM18.1", L"OEM2011"}, {L"Software\\Kestrel\\OEM18.2", L"OEM2012"},
    {L"Software\\Kestrel\\OEM19.0", L"OEM2013"}, {L"Software\\Kestrel\\OEM19.1", L"OEM2014"},
    {L"Software\\Kestrel\\OEM20.0", L"OEM2015"}, {L"Software\\Kestrel\\OEM20.1", L"OEM2016"},
    {L"Software\\Kestrel\\OEM21.0", L"OEM2017"}, {L"Software\\Kestrel\\OEM22.0", L"OEM2018"},
    {L"Software\\Kestrel\\OEM23.0", L"OEM2019"}, {L"Software\\Kestrel\\OEM23.1", L"OEM2020"},
    {L"Software\\Kestrel\\OEM24.0", L"OEM2021"}, {L"Software\\Kestrel\\OEM24.1", L"OEM2022"},
    {L"Software\\Kestrel\\OEM24.2", L"OEM2023"}, {L"Software\\Kestrel\\OEM24.3", L"OEM2024"},
}};

}  // namespace kv::datamanager
