// kvreg: queries and edits the registry of the root folder ($KESTREL_ROOT) from the
// command line, with the commands and options of reg.exe.
//
//   kvreg query KEY [/v NAME | /ve] [/s]
//   kvreg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]
//   kvreg delete KEY [/v NAME | /ve | /va] [/f]
//   kvreg import FILE
//   kvreg export KEY FILE [/y]
//
// KEY is "HKEY_CURRENT_USER\Software\..." or "HKCU\Software\..." (HKLM, HKCR, HKU).
// Exit status 0 when the operation succeeded, 1 otherwise; errors go to stderr.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/registry.h"
#include "KVPlatform/terminal.h"
#include "KVPlatform/text.h"

namespace {

using kv::Hive;
using kv::RegKey;
using kv::RegValue;
using kv::Status;

constexpr char kUsage[] =
    "usage:\n"
    "  kvreg query KEY [/v NAME | /ve] [/s]\n"
    "  kvreg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
    "  kvreg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  kvreg import FILE\n"
    "  kvreg export KEY FILE [/y]\n"
    "\n"
    "KEY: HKEY_CURRENT_USER\\Software\\... or HKCU\\..., HKLM\\..., HKCR\\..., HKU\\...\n"
    "TYPE: REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,\n"
    "      REG_BINARY, REG_NONE\n"
    "DATA: text; a number for REG_DWORD and REG_QWORD (decimal, or hex with 0x); hex\n"
    "      digits for REG_BINARY; strings joined by SEPARATOR (default \\0) for\n"
    "      REG_MULTI_SZ\n"
    "/f adds or deletes without asking; /y overwrites FILE without asking.\n"
    "Windows' limits hold: keys nest at most 512 levels deep, key names hold at most 255\n"
    "characters, value names 16,383; import reads files of at most 64 MB.\n"
    "The registry is the one of the root folder: $KESTREL_ROOT.\n";

std::string Narrow(std::wstring_view text) { return kv::WideToAnsi(text); }

int Fail(const std::string& message) {
  std::fprintf(stderr, "kvreg: %s\n", message.c_str());
  return 1;
}

std::string Describe(Status status) {
  switch (status.code()) {
    case kv::kErrorFileNotFound:
      return "the system was unable to find the specified registry key or value";
    case kv::kErrorAccessDenied: return "access is denied";
    case kv::kErrorInvalidParameter:
      return "the name is not valid: keys nest at most 512 levels deep, a key name holds at most "
             "255 characters and a value name 16,383, and no name holds a line break or a zero";
    case kv::kErrorCantAccessFile:
      return "a lock file in the registry folder is a symbolic link (or not a plain file); "
             "writers never follow it: remove it";
    case kv::kErrorCantOpenFile: return "a hive file is a loop of symbolic links";
    case kv::kErrorKeyDeleted: return "the key was deleted meanwhile";
    case kv::kErrorDiskFull: return "the disk is full";
    case kv::kErrorPathNotFound: return "the path was not found";
    default: return "the operation failed (Win32 error " + std::to_string(status.code()) + ")";
  }
}

// The command line after the command: positional arguments and /options.
struct Arguments {
  std::vector<std::string> positional;
  std::optional<std::string> valueName;  // /v NAME, or "" for /ve
  bool allValues = false;                // /va
  bool recurse = false;                  // /s (query)
  std::optional<std::string> type;       // /t
  std::optional<std::string> data;       // /d
  std::string separator = "\\0";         // /s (add)
  bool force = false;                    // /f, /y
};

bool IsOption(const char* arg, const char* name) {
  if (arg[0] != '/' && arg[0] != '-') return false;
  std::string a(arg + 1), b(name);
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
  }
  return true;
}

std::optional<std::string> ParseArguments(const std::string& command, int argc, char** argv,
                                          Arguments* args) {
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    auto next = [&]() -> std::optional<std::string> {
      if (i + 1 >= argc) return std::nullopt;
      return std::string(argv[++i]);
    };
    if (IsOption(arg, "v")) {
      auto name = next();
      if (!name) return std::string("/v needs a value name");
      args->valueName = *name;
    } else if (IsOption(arg, "ve")) {
      args->valueName = "";
    } else if (IsOption(arg, "va") && command == "delete") {
      args->allValues = true;
    } else if (IsOption(arg, "s") && command == "query") {
      args->recurse = true;
    } else if (IsOption(arg, "s") && command == "add") {
      auto sep = next();
      if (!sep || sep->empty()) return std::string("/s needs a separator");
      args->separator = *sep;
    } else if (IsOption(arg, "t") && command == "add") {
      auto type = next();
      if (!type) return std::string("/t needs a type");
      args->type = *type;
    } else if (IsOption(arg, "d") && command == "add") {
      auto data = next();
      if (!data) return std::string("/d needs data");
      args->data = *data;
    } else if ((IsOption(arg, "f") && (command == "add" || command == "delete")) ||
               (IsOption(arg, "y") && command == "export")) {
      args->force = true;
    } else if (arg[0] == '/' && std::strlen(arg) <= 3 && std::strchr(arg + 1, '/') == nullptr &&
               std::strchr(arg + 1, '\\') == nullptr && arg[1] != '\0' && !std::isdigit(arg[1])) {
      return "unknown option " + std::string(arg) + " for " + command;
    } else {
      args->positional.emplace_back(arg);
    }
  }
  return std::nullopt;
}

bool ParseKey(const std::string& text, Hive* hive, std::wstring* subKey) {
  return kv::ParseKeyPath(kv::AnsiToWide(text), hive, subKey);
}

// What passes Windows' limits for a key to create and a value name, said plainly; empty
// when nothing does.
std::string LimitProblem(const std::string& key, const std::optional<std::string>& valueName) {
  size_t depth = 0;
  size_t start = key.find('\\');  // the hive's name comes first
  while (start != std::string::npos) {
    size_t end = key.find('\\', start + 1);
    std::wstring name =
        kv::AnsiToWide(key.substr(start + 1, end == std::string::npos ? end : end - start - 1));
    if (!name.empty()) {
      ++depth;
      if (name.size() > 255) {
        return "the key name \"" + Narrow(name.substr(0, 20)) + "...\" holds " +
               std::to_string(name.size()) + " characters; a key name holds at most 255";
      }
    }
    start = end;
  }
  if (depth > 512) {
    return "the key lies " + std::to_string(depth) +
           " levels below its hive; keys nest at most 512 levels deep";
  }
  if (valueName && kv::AnsiToWide(*valueName).size() > 16383) {
    return "the value name holds " + std::to_string(kv::AnsiToWide(*valueName).size()) +
           " characters; a value name holds at most 16,383";
  }
  return {};
}

std::wstring FullName(Hive hive, const std::wstring& subKey) {
  std::wstring name(kv::HiveName(hive));
  if (!subKey.empty()) name += L"\\" + subKey;
  return name;
}

// Asks a yes/no question on the terminal; without one, the answer is no.
bool Confirm(const std::string& question) {
  if (!kv::StandardInputIsTerminal()) {
    std::fprintf(stderr, "kvreg: %s: no terminal to answer; use /f (or /y) to go ahead\n",
                 question.c_str());
    return false;
  }
  for (;;) {
    std::printf("%s (Yes/No)? ", question.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    if (!answer.empty() && (answer[0] == 'y' || answer[0] == 'Y')) return true;
    if (!answer.empty() && (answer[0] == 'n' || answer[0] == 'N')) return false;
  }
}

void WarnAboutHive(Hive hive) {
  std::vector<kv::RegImportError> problems;
  if (!kv::CheckHiveFile(hive, &problems).ok()) return;
  for (const auto& p : problems) {
    std::fprintf(stderr,
                 "kvreg: warning: a hive file of %s, line %d: %s (the line is kept as it "
                 "stands until corrected)\n",
                 Narrow(kv::HiveName(hive)).c_str(), p.line, Narrow(p.message).c_str());
  }
}

const char* TypeName(uint32_t type) {
  switch (type) {
    case kv::kRegNone: return "REG_NONE";
    case kv::kRegSz: return "REG_SZ";
    case kv::kRegExpandSz: return "REG_EXPAND_SZ";
    case kv::kRegBinary: return "REG_BINARY";
    case kv::kRegDword: return "REG_DWORD";
    case kv::kRegMultiSz: return "REG_MULTI_SZ";
    case kv::kRegQword: return "REG_QWORD";
    default: return nullptr;
  }
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

std::string Show(const RegValue& value) {
  char buffer[32];
  if (!value.data.empty() || (value.type != kv::kRegSz && value.type != kv::kRegExpandSz &&
                              value.type != kv::kRegMultiSz && value.type != kv::kRegDword &&
                              value.type != kv::kRegQword)) {
    return HexBytes(value.data);
  }
  switch (value.type) {
    case kv::kRegSz:
    case kv::kRegExpandSz: return Narrow(value.text);
    case kv::kRegMultiSz: {
      std::string out;
      for (size_t i = 0; i < value.strings.size(); ++i) {
        if (i > 0) out += "\\0";
        out += Narrow(value.strings[i]);
      }
      return out;
    }
    case kv::kRegDword:
      std::snprintf(buffer, sizeof buffer, "0x%x", static_cast<unsigned>(value.number));
      return buffer;
    default:
      std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value.number));
      return buffer;
  }
}

void PrintValue(const std::wstring& name, const RegValue& value) {
  const char* type = TypeName(value.type);
  std::string typeText = type != nullptr ? type : "REG_0x" + [&] {
    char b[16];
    std::snprintf(b, sizeof b, "%X", value.type);
    return std::string(b);
  }();
  std::printf("    %s    %s    %s\n", name.empty() ? "(Default)" : Narrow(name).c_str(),
              typeText.c_str(), Show(value).c_str());
}

int QueryKey(Hive hive, const std::wstring& subKey, bool recurse) {
  RegKey key;
  if (Status s = RegKey::Open(hive, subKey, kv::kKeyRead, &key); !s.ok()) return Fail(Describe(s));
  std::printf("\n%s\n", Narrow(FullName(hive, subKey)).c_str());
  std::wstring name;
  RegValue value;
  for (uint32_t i = 0; key.EnumValue(i, &name, &value).ok(); ++i) PrintValue(name, value);
  std::vector<std::wstring> children;
  for (uint32_t i = 0; key.EnumKey(i, &name).ok(); ++i) children.push_back(name);
  if (!recurse && !children.empty()) std::printf("\n");
  for (const auto& child : children) {
    std::wstring childKey = subKey.empty() ? child : subKey + L"\\" + child;
    if (recurse) {
      if (QueryKey(hive, childKey, true) != 0) return 1;
    } else {
      std::printf("%s\n", Narrow(FullName(hive, childKey)).c_str());
    }
  }
  return 0;
}

int Query(const Arguments& args) {
  if (args.positional.size() != 1) return Fail("query takes one KEY");
  Hive hive;
  std::wstring subKey;
  if (!ParseKey(args.positional[0], &hive, &subKey)) {
    return Fail("invalid key name: " + args.positional[0]);
  }
  WarnAboutHive(hive);
  if (!args.valueName) return QueryKey(hive, subKey, args.recurse);
  RegKey key;
  if (Status s = RegKey::Open(hive, subKey, kv::kKeyRead, &key); !s.ok()) return Fail(Describe(s));
  RegValue value;
  std::wstring name = kv::AnsiToWide(*args.valueName);
  if (Status s = key.QueryValue(name, &value); !s.ok()) return Fail(Describe(s));
  // Shown with the name as stored, whatever its case on the command line.
  std::wstring stored;
  for (uint32_t i = 0; key.EnumValue(i, &stored).ok(); ++i) {
    if (kv::EqualsNoCase(stored, name)) {
      name = stored;
      break;
    }
  }
  std::printf("\n%s\n", Narrow(FullName(hive, subKey)).c_str());
  PrintValue(name, value);
  return 0;
}

std::optional<uint32_t> ParseType(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const struct {
    const char* name;
    uint32_t type;
  } kTypes[] = {{"REG_SZ", kv::kRegSz},
                {"REG_EXPAND_SZ", kv::kRegExpandSz},
                {"REG_MULTI_SZ", kv::kRegMultiSz},
                {"REG_DWORD", kv::kRegDword},
                {"REG_QWORD", kv::kRegQword},
                {"REG_BINARY", kv::kRegBinary},
                {"REG_NONE", kv::kRegNone}};
  for (const auto& t : kTypes) {
    if (text == t.name) return t.type;
  }
  return std::nullopt;
}

// Parses /d DATA for a type; nullopt with `problem` set when it does not fit.
std::optional<RegValue> MakeValue(uint32_t type, const std::string& data,
                                  const std::string& separator, std::string* problem) {
  switch (type) {
    case kv::kRegSz:
    case kv::kRegExpandSz: return RegValue::String(kv::AnsiToWide(data), type);
    case kv::kRegMultiSz: {
      std::vector<std::wstring> strings;
      if (!data.empty()) {
        size_t start = 0;
        for (;;) {
          size_t at = data.find(separator, start);
          strings.push_back(kv::AnsiToWide(data.substr(start, at - start)));
          if (at == std::string::npos) break;
          start = at + separator.size();
        }
      }
      return RegValue::MultiString(strings);
    }
    case kv::kRegDword:
    case kv::kRegQword: {
      std::string digits = data.empty() ? "0" : data;
      int base = 10;
      if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits = digits.substr(2);
      }
      errno = 0;
      char* end = nullptr;
      unsigned long long n = std::strtoull(digits.c_str(), &end, base);
      bool fits = type == kv::kRegQword || n <= 0xFFFFFFFFull;
      if (errno != 0 || end == digits.c_str() || *end != '\0' || digits[0] == '-' || !fits) {
        *problem = "\"" + data + "\" is not a " + (type == kv::kRegDword ? "32" : "64") +
                   "-bit unsigned number";
        return std::nullopt;
      }
      return type == kv::kRegDword ? RegValue::Dword(static_cast<uint32_t>(n)) : RegValue::Qword(n);
    }
    default: {
      if (data.size() % 2 != 0) {
        *problem = "binary data must be an even number of hex digits";
        return std::nullopt;
      }
      std::vector<uint8_t> bytes;
      for (size_t i = 0; i < data.size(); i += 2) {
        char pair[3] = {data[i], data[i + 1], 0};
        char* end = nullptr;
        long b = std::strtol(pair, &end, 16);
        if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(pair[0]))) {
          *problem = "\"" + data + "\" is not hex digits";
          return std::nullopt;
        }
        bytes.push_back(static_cast<uint8_t>(b));
      }
      return RegValue::Binary(bytes, type);
    }
  }
}

int Add(const Arguments& args) {
  if (args.positional.size() != 1) return Fail("add takes one KEY");
  if (std::string problem = LimitProblem(args.positional[0], args.valueName); !problem.empty()) {
    return Fail(problem + "; nothing was added");
  }
  Hive hive;
  std::wstring subKey;
  if (!ParseKey(args.positional[0], &hive, &subKey)) {
    return Fail("invalid key name: " + args.positional[0]);
  }
  uint32_t type = kv::kRegSz;
  if (args.type) {
    auto parsed = ParseType(*args.type);
    if (!parsed) return Fail("unknown type " + *args.type);
    type = *parsed;
  }
  std::optional<RegValue> value;
  if (args.valueName || args.data) {
    std::string problem;
    value = MakeValue(type, args.data.value_or(""), args.separator, &problem);
    if (!value) return Fail(problem);
  }
  WarnAboutHive(hive);
  RegKey key;
  if (Status s = RegKey::Create(hive, subKey, kv::kKeyAllAccess, &key); !s.ok()) {
    return Fail(Describe(s));
  }
  if (value) {
    std::wstring name = kv::AnsiToWide(args.valueName.value_or(""));
    RegValue existing;
    if (!args.force && key.QueryValue(name, &existing).ok() &&
        !Confirm("Value " + (name.empty() ? std::string("(Default)") : Narrow(name)) +
                 " exists, overwrite")) {
      return Fail("the value was not changed");
    }
    if (Status s = key.SetValue(name, *value); !s.ok()) return Fail(Describe(s));
  }
  std::printf("The operation completed successfully.\n");
  return 0;
}

int Delete(const Arguments& args) {
  if (args.positional.size() != 1) return Fail("delete takes one KEY");
  Hive hive;
  std::wstring subKey;
  if (!ParseKey(args.positional[0], &hive, &subKey)) {
    return Fail("invalid key name: " + args.positional[0]);
  }
  WarnAboutHive(hive);
  RegKey key;
  if (Status s = RegKey::Open(hive, subKey, kv::kKeyAllAccess, &key); !s.ok()) {
    return Fail(Describe(s));
  }
  std::string full = Narrow(FullName(hive, subKey));
  if (args.valueName) {
    std::wstring name = kv::AnsiToWide(*args.valueName);
    RegValue existing;
    if (Status s = key.QueryValue(name, &existing); !s.ok()) return Fail(Describe(s));
    if (!args.force && !Confirm("Delete the registry value " +
                                (name.empty() ? std::string("(Default)") : Narrow(name)))) {
      return Fail("nothing was deleted");
    }
    if (Status s = key.DeleteValue(name); !s.ok()) return Fail(Describe(s));
  } else if (args.allValues) {
    if (!args.force && !Confirm("Delete all values under the registry key " + full)) {
      return Fail("nothing was deleted");
    }
    std::wstring name;
    while (key.EnumValue(0, &name).ok()) {
      if (Status s = key.DeleteValue(name); !s.ok()) return Fail(Describe(s));
    }
  } else {
    if (subKey.empty()) return Fail("a whole hive cannot be deleted");
    if (!args.force && !Confirm("Permanently delete the registry key " + full)) {
      return Fail("nothing was deleted");
    }
    key.Close();
    RegKey root;
    if (Status s = RegKey::Open(hive, L"", kv::kKeyAllAccess, &root); !s.ok()) {
      return Fail(Describe(s));
    }
    if (Status s = root.DeleteTree(subKey); !s.ok()) return Fail(Describe(s));
  }
  std::printf("The operation completed successfully.\n");
  return 0;
}

int Import(const Arguments& args) {
  if (args.positional.size() != 1) return Fail("import takes one FILE");
  const std::string& file = args.positional[0];
  std::vector<kv::RegImportError> errors;
  Status s = kv::ImportRegFile(kv::AnsiToWide(file), &errors);
  for (const auto& e : errors) {
    std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), e.line, Narrow(e.message).c_str());
  }
  if (s.code() == kv::kErrorInvalidData) {
    return Fail(file +
                " is not a registry file (no \"Windows Registry Editor Version 5.00\" "
                "or \"REGEDIT4\" line at the top); nothing was imported");
  }
  if (s.code() == kv::kErrorNotEnoughMemory) {
    return Fail(file + " holds more than " + std::to_string(kv::kMaxRegFileBytes >> 20) +
                " MB (or does not end), more than a registry file may; nothing was imported");
  }
  if (!s.ok()) return Fail("cannot import " + file + ": " + Describe(s));
  if (!errors.empty()) {
    return Fail(std::to_string(errors.size()) + " line(s) of " + file +
                " could not be imported; every other line was");
  }
  std::printf("The operation completed successfully.\n");
  return 0;
}

int Export(const Arguments& args) {
  if (args.positional.size() != 2) return Fail("export takes KEY and FILE");
  Hive hive;
  std::wstring subKey;
  if (!ParseKey(args.positional[0], &hive, &subKey)) {
    return Fail("invalid key name: " + args.positional[0]);
  }
  std::string text;
  if (Status s = kv::ExportRegText(hive, subKey, &text); !s.ok()) return Fail(Describe(s));
  const std::string& file = args.positional[1];
  const std::wstring path = kv::AnsiToWide(file);
  kv::FileStatus status;
  if (kv::GetFileStatus(path, &status).ok() && !args.force &&
      !Confirm("File " + file + " already exists. Overwrite")) {
    return Fail("nothing was exported");
  }
  if (Status s = kv::WriteFileAtomically(path, text); !s.ok()) {
    return Fail("cannot write " + file + ": " + Describe(s));
  }
  std::printf("The operation completed successfully.\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 1;
  }
  std::string command = argv[1];
  for (auto& c : command) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (command == "/?" || command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Arguments args;
  if (auto problem = ParseArguments(command, argc - 2, argv + 2, &args)) {
    Fail(*problem);
    std::fputs(kUsage, stderr);
    return 1;
  }
  if (command == "query") return Query(args);
  if (command == "add") return Add(args);
  if (command == "delete") return Delete(args);
  if (command == "import") return Import(args);
  if (command == "export") return Export(args);
  Fail("unknown command " + std::string(argv[1]));
  std::fputs(kUsage, stderr);
  return 1;
}
