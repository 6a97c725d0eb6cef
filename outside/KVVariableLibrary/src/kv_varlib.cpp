// kv_VarLib: the variable file read into lines, each variable line parsed; a write
// re-reads the file, changes one line and replaces the file atomically.
#include "KVVariableLibrary/kv_varlib.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"

namespace {

constexpr uint64_t kFileLimit = uint64_t{16} << 20;
constexpr int kValueLimit = 1 << 20;
constexpr std::string_view kSignature = "KVVarLib";

enum class Kind { kOther, kSection, kInt, kText, kBin };

// One line of the file. Variable lines carry their parsed value; every other line
// (signature, comments, blank or unreadable lines) is kept as its text.
struct Line {
  Kind kind = Kind::kOther;
  std::string text;    // the line as read (kOther) or the section name (kSection)
  std::string name;    // variables
  int number = 0;      // kInt
  std::string bytes;   // kText, kBin: all the bytes
  size_t section = 0;  // variables: index of their section line (0: before any)
};

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool ValidName(std::string_view name) {
  if (name.empty() || name[0] == ';') return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) <= ' ' || c == '=' || c == '[' || c == ']' || c == '"' ||
        c == 0x7F) {
      return false;
    }
  }
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

std::string Quote(std::string_view bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : bytes) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u == 0x7F) {
          out += "\\x";
          out += kHex[u >> 4];
          out += kHex[u & 15];
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A quoted string that is all of `text`; false when it is not.
bool Unquote(std::string_view text, std::string* bytes) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  std::string_view inner = text.substr(1, text.size() - 2);
  bytes->clear();
  for (size_t i = 0; i < inner.size(); ++i) {
    char c = inner[i];
    if (c == '"') return false;
    if (c != '\\') {
      *bytes += c;
      continue;
    }
    if (++i == inner.size()) return false;
    switch (inner[i]) {
      case '\\': *bytes += '\\'; break;
      case '"': *bytes += '"'; break;
      case 'n': *bytes += '\n'; break;
      case 'r': *bytes += '\r'; break;
      case 't': *bytes += '\t'; break;
      case 'x': {
        if (inner.size() - i < 3) return false;
        int high = HexDigit(inner[i + 1]);
        int low = HexDigit(inner[i + 2]);
        if (high < 0 || low < 0) return false;
        *bytes += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default: return false;
    }
  }
  return true;
}

bool ParseInt(std::string_view text, long long low, long long high, long long* value) {
  if (text.empty() || text.size() > 12) return false;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return false;
  long long result = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    result = result * 10 + (text[i] - '0');
  }
  if (text[0] == '-') result = -result;
  if (result < low || result > high) return false;
  *value = result;
  return true;
}

// Parses "name = kind value"; false leaves the line as text.
bool ParseVariable(std::string_view text, Line* line) {
  size_t equals = text.find('=');
  if (equals == std::string_view::npos) return false;
  std::string_view name = TrimBlanks(text.substr(0, equals));
  std::string_view rest = TrimBlanks(text.substr(equals + 1));
  if (!ValidName(name)) return false;
  size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  std::string_view kind = rest.substr(0, blank);
  std::string_view value = TrimBlanks(rest.substr(blank + 1));
  line->name = name;
  long long number = 0;
  if (kind == "int") {
    if (!ParseInt(value, INT32_MIN, INT32_MAX, &number)) return false;
    line->kind = Kind::kInt;
    line->number = static_cast<int>(number);
    return true;
  }
  if (kind == "text") {
    if (!Unquote(value, &line->bytes) || line->bytes.find('\0') != std::string::npos) return false;
    line->kind = Kind::kText;
    return true;
  }
  if (kind == "bin") {
    size_t sizeEnd = value.find(' ');
    if (sizeEnd == std::string_view::npos) return false;
    if (!ParseInt(value.substr(0, sizeEnd), 0, kValueLimit, &number)) return false;
    if (!Unquote(TrimBlanks(value.substr(sizeEnd + 1)), &line->bytes)) return false;
    if (line->bytes.size() > static_cast<size_t>(number)) return false;
    line->bytes.resize(static_cast<size_t>(number), '\0');
    line->kind = Kind::kBin;
    return true;
  }
  return false;
}

std::string FormatValue(const Line& line) {
  switch (line.kind) {
    case Kind::kInt: return "int " + std::to_string(line.number);
    case Kind::kText: return "text " + Quote(line.bytes);
    case Kind::kBin: {
      size_t used = line.bytes.find_last_not_of('\0');
      used = used == std::string::npos ? 0 : used + 1;
      return "bin " + std::to_string(line.bytes.size()) + " " +
             Quote(std::string_view(line.bytes).substr(0, used));
    }
    default: return {};
  }
}

std::string FormatLine(const Line& line) {
  switch (line.kind) {
    case Kind::kOther: return line.text;
    case Kind::kSection: return "[" + line.text + "]";
    default: return line.name + " = " + FormatValue(line);
  }
}

}  // namespace

struct kv_VarLib::State {
  std::wstring path;
  std::string type;
  bool readOnly = false;
  bool exists = false;  // the file exists
  bool usable = false;  // missing and may be made, or a variable file of the type asked
  std::vector<Line> lines;

  // Reads the file again.
  void Load() {
    lines.clear();
    std::string contents;
    kv::Status status = kv::ReadFile(path, &contents, kFileLimit);
    exists = status.ok();
    if (!exists) {
      // Only a file that is simply not there may be made; one that can't be read is
      // left alone.
      usable = !readOnly &&
               (status.code() == kv::kErrorFileNotFound || status.code() == kv::kErrorPathNotFound);
      return;
    }
    size_t start = 0;
    size_t section = 0;
    bool first = true;
    usable = false;
    while (start < contents.size()) {
      size_t end = contents.find('\n', start);
      if (end == std::string::npos) end = contents.size();
      std::string_view text(contents.data() + start, end - start);
      if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
      start = end + 1;
      Line line;
      line.text = text;
      std::string_view trimmed = TrimBlanks(text);
      if (first) {
        first = false;
        usable = IsSignature(trimmed);
        if (!usable) return;
      } else if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']' &&
                 ValidName(trimmed.substr(1, trimmed.size() - 2))) {
        line.kind = Kind::kSection;
        line.text = trimmed.substr(1, trimmed.size() - 2);
        section = lines.size();
      } else if (!trimmed.empty() && trimmed[0] != ';' && ParseVariable(trimmed, &line)) {
        line.section = section;
      } else {
        line.kind = Kind::kOther;
      }
      lines.push_back(std::move(line));
    }
  }

  bool IsSignature(std::string_view text) const {
    // "KVVarLib 1 PSM"
    if (text.substr(0, kSignature.size()) != kSignature) return false;
    std::string_view rest = TrimBlanks(text.substr(kSignature.size()));
    if (rest.substr(0, 2) != "1 ") return false;
    return SameName(TrimBlanks(rest.substr(2)), type);
  }

  // The index of a variable line, or -1.
  long Find(std::string_view sectionName, std::string_view name) const {
    for (size_t i = 0; i < lines.size(); ++i) {
      const Line& line = lines[i];
      if (line.kind == Kind::kOther || line.kind == Kind::kSection || line.section == 0) continue;
      if (SameName(line.name, name) && SameName(lines[line.section].text, sectionName)) {
        return static_cast<long>(i);
      }
    }
    return -1;
  }

  // Sets one variable in a fresh read of the file and writes it; false changes nothing.
  bool Store(const wchar_t* sectionText, const wchar_t* nameText, Line value) {
    if (sectionText == nullptr || nameText == nullptr) return false;
    std::string sectionName = kv::WideToAnsi(sectionText);
    value.name = kv::WideToAnsi(nameText);
    if (!ValidName(sectionName) || !ValidName(value.name)) return false;
    if (readOnly) return false;
    Load();
    if (!usable) return false;
    if (!exists) {
      Line signature;
      signature.text = std::string(kSignature) + " 1 " + type;
      lines.push_back(signature);
    }
    long at = Find(sectionName, value.name);
    if (at >= 0) {
      value.name = lines[static_cast<size_t>(at)].name;  // the spelling stays
      value.section = lines[static_cast<size_t>(at)].section;
      lines[static_cast<size_t>(at)] = std::move(value);
    } else {
      // At the end of the section's last line, or in a new section at the end.
      size_t section = 0;
      for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Kind::kSection && SameName(lines[i].text, sectionName)) {
          section = i;
          break;
        }
      }
      if (section == 0) {
        Line header;
        header.kind = Kind::kSection;
        header.text = sectionName;
        section = lines.size();
        lines.push_back(header);
      }
      size_t insert = section + 1;
      while (insert < lines.size() && lines[insert].kind != Kind::kSection) ++insert;
      // Blank lines closing the section stay after the new variable.
      while (insert > section + 1 && lines[insert - 1].kind == Kind::kOther &&
             TrimBlanks(lines[insert - 1].text).empty()) {
        --insert;
      }
      value.section = section;
      for (Line& line : lines) {
        if (line.kind != Kind::kOther && line.kind != Kind::kSection && line.section >= insert) {
          ++line.section;
        }
      }
      lines.insert(lines.begin() + static_cast<long>(insert), std::move(value));
    }
    std::string contents;
    for (const Line& line : lines) contents += FormatLine(line) + "\n";
    if (!kv::WriteFileAtomically(path, contents).ok()) {
      Load();
      return false;
    }
    exists = true;
    return true;
  }
};

kv_VarLib::kv_VarLib(const wchar_t* folder, const wchar_t* fileName, const wchar_t* fileType,
                     bool readOnly)
    : state_(new State) {
  std::wstring path = folder != nullptr ? folder : L"";
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  state_->path = path + (fileName != nullptr ? fileName : L"");
  state_->type = kv::WideToAnsi(fileType != nullptr ? fileType : L"");
  state_->readOnly = readOnly;
  state_->Load();
}

kv_VarLib::~kv_VarLib() { delete state_; }

bool kv_VarLib::IsOpen() const { return state_->exists && state_->usable; }

int kv_VarLib::GetVar(const wchar_t* section, const wchar_t* name, int* value) {
  if (section == nullptr || name == nullptr || value == nullptr) return 0;
  long at = state_->Find(kv::WideToAnsi(section), kv::WideToAnsi(name));
  if (at < 0 || state_->lines[static_cast<size_t>(at)].kind != Kind::kInt) return 0;
  *value = state_->lines[static_cast<size_t>(at)].number;
  return 1;
}

int kv_VarLib::SetVar(const wchar_t* section, const wchar_t* name, int value) {
  Line line;
  line.kind = Kind::kInt;
  line.number = value;
  return state_->Store(section, name, std::move(line)) ? 1 : 0;
}

int kv_VarLib::GetVarBin(const wchar_t* section, const wchar_t* name, char** data, int* size) {
  if (data == nullptr) return 0;
  *data = nullptr;
  if (section == nullptr || name == nullptr) return 0;
  long at = state_->Find(kv::WideToAnsi(section), kv::WideToAnsi(name));
  if (at < 0) return 0;
  const Line& line = state_->lines[static_cast<size_t>(at)];
  if (line.kind != Kind::kText && line.kind != Kind::kBin) return 0;
  char* copy = static_cast<char*>(std::malloc(line.bytes.size() + 1));
  if (copy == nullptr) return 0;
  std::memcpy(copy, line.bytes.data(), line.bytes.size());
  copy[line.bytes.size()] = '\0';
  *data = copy;
  if (size != nullptr) *size = static_cast<int>(line.bytes.size());
  return 1;
}

int kv_VarLib::SetVarBin(const wchar_t* section, const wchar_t* name, const void* data, int size) {
  if (size < 0 || size > kValueLimit || (data == nullptr && size > 0)) return 0;
  Line line;
  line.kind = Kind::kBin;
  if (size > 0) line.bytes.assign(static_cast<const char*>(data), static_cast<size_t>(size));
  return state_->Store(section, name, std::move(line)) ? 1 : 0;
}

int kv_VarLib::SetVarText(const wchar_t* section, const wchar_t* name, const char* text) {
  if (text == nullptr) return 0;
  size_t length = std::strlen(text);
  if (length > static_cast<size_t>(kValueLimit)) return 0;
  Line line;
  line.kind = Kind::kText;
  line.bytes.assign(text, length);
  return state_->Store(section, name, std::move(line)) ? 1 : 0;
}

bool kv_VarLib::EnumVar(int index, std::wstring* section, std::wstring* name, std::wstring* kind,
                        std::string* value) {
  int seen = 0;
  for (const Line& line : state_->lines) {
    if (line.kind == Kind::kOther || line.kind == Kind::kSection || line.section == 0) continue;
    if (seen++ != index) continue;
    if (section != nullptr) *section = kv::AnsiToWide(state_->lines[line.section].text);
    if (name != nullptr) *name = kv::AnsiToWide(line.name);
    if (kind != nullptr) {
      *kind = line.kind == Kind::kInt ? L"int" : line.kind == Kind::kText ? L"text" : L"bin";
    }
    if (value != nullptr) {
      std::string formatted = FormatValue(line);
      *value = formatted.substr(formatted.find(' ') + 1);
    }
    return true;
  }
  return false;
}
