// Custom variable list files: reading the variable lines, parsing one line into a
// record, writing records back in the list format, and saving with backups.
#include "variable_list.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "KVNumber/number.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "path_table.h"

namespace kv::datamanager {
namespace {

std::wstring LeftTrim(std::wstring_view text) {
  size_t start = text.find_first_not_of(L" \t");
  return start == std::wstring_view::npos ? std::wstring() : std::wstring(text.substr(start));
}

std::wstring RightTrim(std::wstring_view text) {
  size_t end = text.find_last_not_of(L" \t");
  return end == std::wstring_view::npos ? std::wstring() : std::wstring(text.substr(0, end + 1));
}

bool AllOf(const std::wstring& text, const wchar_t* allowed) {
  return text.find_first_not_of(allowed) == std::wstring::npos;
}

// The text left-aligned in a field of `width` characters.
std::wstring Pad(const std::wstring& text, size_t width) {
  return text.size() >= width ? text : text + std::wstring(width - text.size(), L' ');
}

bool Exists(const std::wstring& path) {
  kv::FileStatus status;
  return kv::GetFileStatus(path, &status).ok();
}

}  // namespace

void ReadVariableList(const wchar_t* filePath, std::vector<std::wstring>& lines) {
  std::vector<std::wstring> unneeded;
  std::vector<std::wstring> fileLines;
  if (ReadTextLines(ModuleInstallPath() + L"Unneededvars.txt", fileLines)) {
    for (const std::wstring& line : fileLines) {
      std::wstring name = LeftTrim(line);
      std::erase(name, L'"');
      // An empty name would begin every variable's name and hide the whole list.
      if (!name.empty()) unneeded.push_back(name);
    }
  }
  if (filePath == nullptr || !ReadTextLines(filePath, fileLines)) return;
  for (const std::wstring& line : fileLines) {
    std::wstring trimmed = LeftTrim(line);
    if (trimmed.empty() || trimmed[0] != L'(') continue;
    std::wstring_view afterParen = std::wstring_view(trimmed).substr(1);
    bool hidden = std::any_of(unneeded.begin(), unneeded.end(), [&](const std::wstring& name) {
      return afterParen.size() >= name.size() &&
             kv::EqualsNoCase(afterParen.substr(0, name.size()), name);
    });
    if (!hidden) lines.push_back(trimmed);
  }
}

// Type rules of a value text, first match: a leading double quote makes a String (the
// text up to the last quote, or the rest without one); empty or only digits an Integer;
// digits with one decimal point a Real; "T" or "NIL" in any case a Boolean; anything
// else (negative numbers among it) Other, unchanged. An Integer too large for an int,
// or digits with more than one point, stay Other, so no value is lost on saving.
PstVar ParseVariable(const std::wstring& line) {
  PstVar variable;
  size_t nameEnd = line.find_first_of(L" \"", 1);
  variable.name = line.size() > 1
                      ? line.substr(1, (nameEnd == std::wstring::npos ? line.size() : nameEnd) - 1)
                      : std::wstring();
  std::wstring valueText;
  variable.description.clear();
  size_t first = line.find(L'"');
  if (first == std::wstring::npos) {
    valueText = nameEnd == std::wstring::npos ? std::wstring() : line.substr(nameEnd);
  } else {
    size_t from = std::min(first + 2, line.size());
    size_t open = line.find(L'"', from);
    size_t close = open == std::wstring::npos ? std::wstring::npos : line.find(L'"', open + 1);
    if (open == std::wstring::npos) {
      valueText = line.substr(from);
    } else if (close == std::wstring::npos) {
      variable.description = line.substr(open + 1);
    } else {
      variable.description = line.substr(open + 1, close - open - 1);
      valueText = line.substr(close + 1);
    }
  }
  valueText = LeftTrim(valueText);
  for (size_t at; (at = valueText.find(L"()())")) != std::wstring::npos;) valueText.erase(at, 5);
  valueText = RightTrim(valueText);

  if (!valueText.empty() && valueText[0] == L'"') {
    size_t closing = valueText.rfind(L'"');
    variable.type = PstVar::kString;
    variable.text = closing > 0 ? valueText.substr(1, closing - 1) : valueText.substr(1);
    return variable;
  }
  if (AllOf(valueText, L"0123456789")) {
    long long value = 0;
    bool fits = valueText.size() <= 10;
    for (wchar_t c : valueText) value = value * 10 + (c - L'0');
    if (fits && value <= INT_MAX) {
      variable.type = PstVar::kInteger;
      variable.intValue = static_cast<int>(value);
      return variable;
    }
  } else if (AllOf(valueText, L"0123456789.") &&
             std::count(valueText.begin(), valueText.end(), L'.') == 1 && valueText.size() > 1) {
    variable.type = PstVar::kReal;
    distof(valueText.c_str(), &variable.realValue);
    return variable;
  } else if (kv::EqualsNoCase(valueText, L"T") || kv::EqualsNoCase(valueText, L"NIL")) {
    variable.type = PstVar::kBoolean;
    variable.boolValue = kv::EqualsNoCase(valueText, L"T");
    return variable;
  }
  variable.type = PstVar::kOther;
  variable.text = valueText;
  return variable;
}

std::wstring DisplayValue(const PstVar& variable) {
  switch (variable.type) {
    case PstVar::kInteger: return std::to_wstring(variable.intValue);
    case PstVar::kReal: {
      std::wstring text;
      rtos(variable.realValue, 4, text);
      return text;
    }
    case PstVar::kBoolean: return variable.boolValue ? L"T" : L"nil";
    default: return variable.text;
  }
}

std::wstring FormatValue(const PstVar& variable) {
  return variable.type == PstVar::kString ? L"\"" + variable.text + L"\"" : DisplayValue(variable);
}

std::wstring FormatVariableLine(const PstVar& variable) {
  return L"(" + Pad(variable.name, 24) + L" \"\" \"" + Pad(variable.description, 30) + L"\" " +
         FormatValue(variable) + L" ()())\r\n";
}

void LoadVariables(const std::vector<std::wstring>& lines, std::vector<PstVar*>& records) {
  for (const std::wstring& line : lines) {
    PstVar parsed = ParseVariable(line);
    auto same = std::find_if(records.begin(), records.end(), [&](const PstVar* record) {
      return kv::EqualsNoCase(record->name, parsed.name);
    });
    if (same != records.end()) {
      **same = parsed;
    } else {
      records.push_back(new PstVar(parsed));
    }
  }
}

bool SaveVariableList(const std::wstring& filePath, const std::vector<PstVar*>& records) {
  std::wstring text;
  for (const PstVar* record : records) text += FormatVariableLine(*record);
  if (Exists(filePath)) {
    // A copy, not a rename: the list stays in place until the new one replaces it.
    const std::wstring first = filePath + L"org";
    (void)(Exists(first) ? kv::CopyFile(filePath, filePath + L"old", false)
                         : kv::CopyFile(filePath, first, true));
  }
  return kv::WriteFileAtomically(filePath, kv::WideToAnsi(text)).ok();
}

}  // namespace kv::datamanager
