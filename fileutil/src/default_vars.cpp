// Default variables: the INI file in the data path behind a case-insensitive cache that
// is thrown away whenever the file changed behind its back.
#include "KVFileUtilities/default_vars.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/ini.h"
#include "KVPlatform/path.h"
#include "KVPlatform/text.h"

namespace kv::fileutil {
namespace {

constexpr std::wstring_view kIniFile = L"kvcfg/kestrel.ini";
// The profile calls of the design take the path as 8-bit text in a buffer of this many
// bytes, terminator included; a longer path names no file.
constexpr size_t kMaxIniPathBytes = 260;

// One version of the INI file: what changes whenever anyone rewrites or edits it.
struct FileVersion {
  int64_t seconds = 0;
  int64_t nanoseconds = 0;
  uint64_t size = 0;
  kv::FileIdentity identity;
  friend bool operator==(const FileVersion&, const FileVersion&) = default;
};

// A name as the INI file matches it: blanks around it ignored, case folded. Names are
// mostly ASCII, folded here without a conversion; `out` keeps its capacity from call
// to call.
void MatchName(const char* name, std::wstring* out) {
  std::string_view text(name);
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  out->clear();
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      *out = kv::FoldCase(kv::AnsiToWide(text));
      return;
    }
    out->push_back(c >= 'a' && c <= 'z' ? static_cast<wchar_t>(c - 'a' + 'A')
                                        : static_cast<wchar_t>(c));
  }
}

struct IniVariable {
  std::wstring section;  // matched form (MatchName)
  std::wstring key;      // matched form
  std::wstring value;
  std::string ansiValue;  // the value as 8-bit callers get it

  bool operator<(const IniVariable& other) const {
    return section != other.section ? section < other.section : key < other.key;
  }
};

// Copies UTF-8 text into a caller's buffer of `size` bytes, cut at a character boundary.
void CopyToBuffer(std::string_view text, char* out, int size) {
  if (out == nullptr || size <= 0) return;
  size_t count = std::min(text.size(), static_cast<size_t>(size) - 1);
  while (count > 0 && count < text.size() &&
         (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
    --count;
  }
  if (count > 0) std::memcpy(out, text.data(), count);
  out[count] = '\0';
}

void CopyToBuffer(std::wstring_view text, wchar_t* out, unsigned size) {
  if (out == nullptr || size == 0) return;
  size_t count = std::min(text.size(), static_cast<size_t>(size) - 1);
  std::copy_n(text.data(), count, out);
  out[count] = L'\0';
}

class DefaultVariables {
 public:
  // Looks section/key up in the cache, then in the file. Null when there is no file,
  // the key is missing or its value is empty.
  const IniVariable* Get(const char* section, const char* key) {
    if (section == nullptr || key == nullptr || !Prepare()) return nullptr;
    if (IniVariable* cached = Find(section, key)) return cached;
    std::wstring value;
    if (!kv::ReadProfileString(kv::AnsiToWide(section), kv::AnsiToWide(key), L"", &value,
                               iniPath_) ||
        value.empty()) {
      return nullptr;
    }
    return Add(std::move(value));
  }

  // Sets section/key; a value equal to the cached one is not written again.
  int Set(const char* section, const char* key, std::wstring value) {
    if (section == nullptr || key == nullptr || !Prepare()) return 0;
    IniVariable* cached = Find(section, key);
    if (cached != nullptr && cached->value == value) return 1;
    if (!kv::WritePrivateProfileString(kv::AnsiToWide(section), kv::AnsiToWide(key), value,
                                       iniPath_)) {
      // Nothing cached may claim a value the file does not hold.
      if (cached != nullptr) cache_.erase(cache_.begin() + (cached - cache_.data()));
      return 0;
    }
    RecordVersion();
    if (cached != nullptr) {
      cached->ansiValue = kv::WideToAnsi(value);
      cached->value = std::move(value);
    } else {
      Add(std::move(value));
    }
    return 1;
  }

  // Removes a key, or with a null key a whole section.
  int Delete(const char* section, const char* key) {
    if (section == nullptr || !Prepare()) return 0;
    const std::wstring sectionName = kv::AnsiToWide(section);
    const bool done = key != nullptr
                          ? kv::DeleteProfileKey(sectionName, kv::AnsiToWide(key), iniPath_)
                          : kv::DeleteProfileSection(sectionName, iniPath_);
    // Deletes are rare: start the cache afresh from the file's new version.
    cache_.clear();
    RecordVersion();
    return done ? 1 : 0;
  }

  std::mutex mutex;

 private:
  // Works out the INI path once, then checks that the file exists and drops the cache
  // when the file is not the version last seen. False when there is no file.
  bool Prepare() {
    if (iniPath_.empty()) {
      std::wstring dataPath;
      if (GetDataPath(dataPath) == 0) return false;
      // A data path stored without its final separator still names the folder.
      if (!dataPath.empty() && !kv::IsSeparator(dataPath.back())) dataPath += L'\\';
      std::wstring path = dataPath + std::wstring(kIniFile);
      if (kv::WideToAnsi(path).size() >= kMaxIniPathBytes) return false;
      iniPath_ = std::move(path);
    }
    FileVersion version;
    if (!Stat(&version)) return false;
    if (!known_ || version != recorded_) {
      cache_.clear();
      recorded_ = version;
      known_ = true;
    }
    return true;
  }

  bool Stat(FileVersion* version) const {
    kv::FileStatus status;
    if (!kv::GetFileStatus(iniPath_, &status).ok() || status.isDirectory) return false;
    *version =
        FileVersion{status.modifiedTime, status.modifiedNanoseconds, status.size, status.identity};
    return true;
  }

  // After the library's own write: the new version is the one the cache matches.
  void RecordVersion() { known_ = Stat(&recorded_); }

  // Finds section/key in the cache; the names stay in probe_ for Add.
  IniVariable* Find(const char* section, const char* key) {
    MatchName(section, &probe_.section);
    MatchName(key, &probe_.key);
    auto it = std::lower_bound(cache_.begin(), cache_.end(), probe_);
    return it != cache_.end() && !(probe_ < *it) ? &*it : nullptr;
  }

  // Adds the names of the last Find with a value.
  IniVariable* Add(std::wstring value) {
    IniVariable variable{probe_.section, probe_.key, std::move(value), {}};
    variable.ansiValue = kv::WideToAnsi(variable.value);
    auto it = std::lower_bound(cache_.begin(), cache_.end(), variable);
    return &*cache_.insert(it, std::move(variable));
  }

  std::wstring iniPath_;  // empty until the data path is known
  bool known_ = false;
  FileVersion recorded_;
  std::vector<IniVariable> cache_;  // sorted by section, then key
  IniVariable probe_;               // the names being looked up
};

DefaultVariables& Variables() {
  static DefaultVariables variables;
  return variables;
}

}  // namespace
}  // namespace kv::fileutil

using kv::fileutil::Variables;

int GetDefaultVar(const char* section, const char* key, char* value, int valueSize) {
  std::lock_guard lock(Variables().mutex);
  const kv::fileutil::IniVariable* found = Variables().Get(section, key);
  kv::fileutil::CopyToBuffer(
      found != nullptr ? std::string_view(found->ansiValue) : std::string_view(), value, valueSize);
  return found != nullptr ? 1 : 0;
}

int SetDefaultVar(const char* section, const char* key, const char* value) {
  std::lock_guard lock(Variables().mutex);
  return Variables().Set(section, key, kv::AnsiToWide(value != nullptr ? value : ""));
}

int DeleteDefaultVar(const char* section, const char* key) {
  std::lock_guard lock(Variables().mutex);
  return key != nullptr ? Variables().Delete(section, key) : 0;
}

int GetDefaultVarT(const char* section, const char* key, wchar_t* value, unsigned valueSize) {
  std::lock_guard lock(Variables().mutex);
  const kv::fileutil::IniVariable* found = Variables().Get(section, key);
  kv::fileutil::CopyToBuffer(
      found != nullptr ? std::wstring_view(found->value) : std::wstring_view(), value, valueSize);
  return found != nullptr ? 1 : 0;
}

int SetDefaultVarT(const char* section, const char* key, const wchar_t* value) {
  std::lock_guard lock(Variables().mutex);
  return Variables().Set(section, key, value != nullptr ? value : L"");
}

int DeleteDefaultVarSection(const char* section) {
  std::lock_guard lock(Variables().mutex);
  return Variables().Delete(section, nullptr);
}
