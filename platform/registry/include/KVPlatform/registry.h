// The registry: hives kept as `.reg` text files under <root>/registry.
//
// Key and value names are case-insensitive and case-preserving. Operations mirror the
// Win32 calls (open, create, query, set, enumerate, delete value, delete key) and fail
// with their codes: 2 for a missing key or value, 234 with the size needed for a small
// buffer, 5 for deleting a key that has subkeys, 259 at the end of an enumeration.
//
// Several processes share a hive safely: a writer locks <hive>.lock, re-reads the hive
// if it changed, applies its one change and replaces the file atomically; readers
// re-parse only when the file's identity changed. HKEY_CLASSES_ROOT is a view of
// HKCU\Software\Classes over HKLM\Software\Classes.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"

namespace kv {

enum class Hive { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

// The hive's full name as it appears in `.reg` files ("HKEY_CURRENT_USER").
KV_EXPORT std::wstring_view HiveName(Hive hive);

// Value types, with the Win32 numbers.
enum RegType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// Access rights; the 32/64-bit view flags are accepted and have no effect.
enum RegAccess : uint32_t {
  kKeyQueryValue = 0x0001,
  kKeySetValue = 0x0002,
  kKeyCreateSubKey = 0x0004,
  kKeyEnumerateSubKeys = 0x0008,
  kKeyWow64_64Key = 0x0100,
  kKeyWow64_32Key = 0x0200,
  kKeyRead = 0x20019,
  kKeyWrite = 0x20006,
  kKeyAllAccess = 0xF003F,
};

// A typed value. Text values are wide and never narrowed; `data` holds the bytes of
// binary values and of values of types the registry does not interpret.
struct KV_EXPORT RegValue {
  uint32_t type = kRegNone;
  std::wstring text;                  // kRegSz, kRegExpandSz
  std::vector<std::wstring> strings;  // kRegMultiSz
  uint64_t number = 0;                // kRegDword (low 32 bits), kRegQword
  std::vector<uint8_t> data;          // kRegBinary and other types

  static RegValue String(std::wstring text, uint32_t type = kRegSz);
  static RegValue MultiString(std::vector<std::wstring> strings);
  static RegValue Dword(uint32_t value);
  static RegValue Qword(uint64_t value);
  static RegValue Binary(std::vector<uint8_t> bytes, uint32_t type = kRegBinary);

  // The value's bytes as the 8-bit (ANSI) registry calls return them: text in UTF-8
  // with its terminating zero (a multi-string ends with two), numbers little-endian.
  std::vector<uint8_t> AnsiBytes() const;

  friend bool operator==(const RegValue&, const RegValue&) = default;
};

struct KV_EXPORT RegKeyInfo {
  uint32_t subKeys = 0;
  uint32_t maxSubKeyLength = 0;  // characters
  uint32_t values = 0;
  uint32_t maxValueNameLength = 0;  // characters
  uint32_t maxValueDataLength = 0;  // bytes, as AnsiBytes counts them
};

// An open key. Closing is the destructor; a moved-from or default key is closed.
//
// As on Windows, the access given when opening decides what the key allows: reading
// values and QueryInfo need kKeyQueryValue, SetValue and DeleteValue kKeySetValue,
// EnumKey kKeyEnumerateSubKeys, CreateSubKey kKeyCreateSubKey; otherwise 5. A key that
// another handle or process deleted fails with 1018 (key deleted). What Windows refuses
// is refused with 87 (invalid parameter): key names of more than 255 characters, keys
// nested more than 512 levels below their hive, value names of more than 16,383
// characters; so are names that a hive file cannot hold (a line break, a zero).
//
// HKEY_CLASSES_ROOT: reads see a value or subkey of HKCU\Software\Classes before one of
// HKLM\Software\Classes with the same name; a value is written to the user's key when
// it exists, else to the machine's; a new key is created under the machine's classes;
// deleting a key deletes it from both.
class KV_EXPORT RegKey {
 public:
  RegKey();
  ~RegKey();
  RegKey(RegKey&&) noexcept;
  RegKey& operator=(RegKey&&) noexcept;

  // RegOpenKeyEx: an existing key (2 when missing). An empty sub-key opens the hive root.
  static Status Open(Hive hive, std::wstring_view subKey, uint32_t access, RegKey* key);
  // RegCreateKeyEx: opens the key, creating it and any missing parents.
  static Status Create(Hive hive, std::wstring_view subKey, uint32_t access, RegKey* key,
                       bool* created = nullptr);
  // Relative forms, below this key.
  Status OpenSubKey(std::wstring_view subKey, uint32_t access, RegKey* key) const;
  Status CreateSubKey(std::wstring_view subKey, uint32_t access, RegKey* key,
                      bool* created = nullptr) const;

  bool IsOpen() const;
  void Close();

  // RegQueryValueEx with a typed result. 2 when the value is missing.
  Status QueryValue(std::wstring_view name, RegValue* value) const;
  // RegQueryValueExA: the value's ANSI bytes into a caller's buffer of *size bytes.
  // On 234 (buffer too small) and on success *size holds the bytes needed; a null
  // buffer asks for the size only and succeeds.
  Status QueryValueAnsi(std::wstring_view name, uint32_t* type, uint8_t* buffer,
                        uint32_t* size) const;
  // RegSetValueEx.
  Status SetValue(std::wstring_view name, const RegValue& value);
  // RegDeleteValue. 2 when missing.
  Status DeleteValue(std::wstring_view name);
  // RegEnumValue by index in stored order, RegEnumKeyEx by name without regard to case,
  // as Windows lists them; 259 past the end.
  Status EnumValue(uint32_t index, std::wstring* name, RegValue* value = nullptr) const;
  Status EnumKey(uint32_t index, std::wstring* name) const;
  // RegDeleteKey: deletes a sub-key without subkeys of its own (5 when it has some).
  Status DeleteSubKey(std::wstring_view subKey);
  // RegDeleteTree: a sub-key with everything below it; an empty name empties this key.
  Status DeleteTree(std::wstring_view subKey);
  // RegQueryInfoKey.
  Status QueryInfo(RegKeyInfo* info) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// `.reg` text: import and export of whole hives or subtrees (what kvreg and tests use).

// A problem found while importing; the bad line is skipped, the rest applies.
struct KV_EXPORT RegImportError {
  int line = 0;
  std::wstring message;
};

// The largest `.reg` file ImportRegFile reads: 64 MiB.
inline constexpr uint64_t kMaxRegFileBytes = uint64_t{64} << 20;

// Applies a `.reg` file (version 5 or REGEDIT4; UTF-8, or UTF-16LE with a BOM; LF or
// CR LF) as one change per hive. Returns 13 (invalid data) when the header is missing,
// and 8 (not enough memory), with nothing read or imported, for a file (or a stream)
// longer than kMaxRegFileBytes. Bad lines are reported in `errors` and skipped: lines
// that are not text (not UTF-8; in a UTF-16 file an unpaired surrogate or an odd last
// byte) among them, never altered into other characters. Keys deeper than 512 levels
// and names longer than Windows allows (255 characters for a key, 16,383 for a value)
// are bad lines too.
KV_EXPORT Status ImportRegFile(std::wstring_view path, std::vector<RegImportError>* errors);
KV_EXPORT Status ImportRegText(std::string_view text, std::vector<RegImportError>* errors);

// Writes a key and everything below it as `.reg` text (UTF-8, LF).
KV_EXPORT Status ExportRegText(Hive hive, std::wstring_view subKey, std::string* text);

// Parses "HKEY_CURRENT_USER\Software\x" or "HKCU\Software\x" into hive and sub-key.
KV_EXPORT bool ParseKeyPath(std::wstring_view path, Hive* hive, std::wstring* subKey);

// Lines of a hive file that could not be read, with their line numbers (for
// HKEY_CLASSES_ROOT, those of both hives behind it). Such lines are kept verbatim when the
// hive is rewritten, so a slip made while editing a hive by hand loses nothing; they
// take effect once corrected.
KV_EXPORT Status CheckHiveFile(Hive hive, std::vector<RegImportError>* problems);

// Forgets every cached hive so that the next call reads the files again (tests that
// switch root folders call it).
KV_EXPORT void ResetRegistryCache();

}  // namespace kv

namespace kv {

// Reads one text value the way the system's 8-bit registry reads do: opens the key for
// query (64-bit view), queries the value's ANSI bytes and accepts only REG_SZ and
// REG_EXPAND_SZ (never expanded). The text is
// widened losslessly. On failure `text` is untouched: 2 when the key or value is
// missing, 13 (invalid data) for a value of another type.
KV_EXPORT Status ReadRegistryText(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                                  std::wstring* text);

// Reads a folder path value as ReadRegistryText does and takes it only when it is
// absolute (IsAbsolutePath): an empty or relative value counts as missing (2), never as
// the host's root or the working folder. On failure `path` is untouched.
KV_EXPORT Status ReadRegistryPath(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                                  std::wstring* path);

// Creates or opens a key (and its parents) and stores a REG_SZ value.
KV_EXPORT Status WriteRegistryText(Hive hive, std::wstring_view subKey, std::wstring_view valueName,
                                   std::wstring_view text);

}  // namespace kv
