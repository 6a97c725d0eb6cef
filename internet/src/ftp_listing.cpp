// Reading FTP LIST replies in the Unix and Windows formats.
#include "ftp_listing.h"

#include <cctype>

#include "KVPlatform/text.h"

namespace kv::internet {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

// Splits the first `count` blank-separated fields off `line`; `rest` is what follows the
// blanks after the last of them. False when the line has fewer fields.
bool Fields(std::string_view line, size_t count, std::vector<std::string_view>* fields,
            std::string_view* rest) {
  fields->clear();
  size_t i = 0;
  while (fields->size() < count) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    if (i == line.size()) return false;
    const size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    fields->push_back(line.substr(start, i - start));
  }
  while (i < line.size() && IsSpace(line[i])) ++i;
  *rest = line.substr(i);
  return true;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

int64_t Number(std::string_view text) {
  int64_t value = 0;
  for (char c : text) {
    if (value > (INT64_MAX - 9) / 10) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsMonth(std::string_view text) {
  static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  if (text.size() != 3) return false;
  for (std::string_view month : kMonths) {
    bool same = true;
    for (size_t i = 0; i < 3; ++i) {
      if (std::tolower(static_cast<unsigned char>(text[i])) != month[i]) same = false;
    }
    if (same) return true;
  }
  return false;
}

// "-rw-r--r-- 1 owner [group] size Mon day time|year name".
bool ParseUnix(std::string_view line, FtpListEntry* entry) {
  const char type = line[0];
  if (std::string_view("-dlbcps").find(type) == std::string_view::npos) return false;
  std::vector<std::string_view> fields;
  std::string_view rest;
  // With the group: the month is the sixth field; without it, the fifth.
  size_t sizeField = 0;
  if (Fields(line, 8, &fields, &rest) && IsMonth(fields[5]) && AllDigits(fields[4])) {
    sizeField = 4;
  } else if (Fields(line, 7, &fields, &rest) && IsMonth(fields[4]) && AllDigits(fields[3])) {
    sizeField = 3;
  } else {
    return false;
  }
  if (rest.empty()) return false;
  if (type == 'l') {
    const size_t arrow = rest.find(" -> ");
    if (arrow != std::string_view::npos) rest = rest.substr(0, arrow);
  }
  entry->name = AnsiToWide(rest);
  entry->isFile = type == '-' || type == 'l';
  entry->size = type == '-' ? Number(fields[sizeField]) : -1;
  return true;
}

// "MM-DD-YY  HH:MMAM  size|<DIR>  name".
bool ParseWindows(std::string_view line, FtpListEntry* entry) {
  std::vector<std::string_view> fields;
  std::string_view rest;
  if (!Fields(line, 3, &fields, &rest) || rest.empty()) return false;
  const std::string_view date = fields[0];
  if (date.size() < 8 || !std::isdigit(static_cast<unsigned char>(date[0])) || date[2] != '-') {
    return false;
  }
  entry->name = AnsiToWide(rest);
  if (fields[2] == "<DIR>") {
    entry->isFile = false;
    entry->size = -1;
    return true;
  }
  if (!AllDigits(fields[2])) return false;
  entry->isFile = true;
  entry->size = Number(fields[2]);
  return true;
}

}  // namespace

std::vector<FtpListEntry> ParseFtpListing(std::string_view listing) {
  std::vector<FtpListEntry> entries;
  while (!listing.empty()) {
    size_t end = listing.find('\n');
    std::string_view line = listing.substr(0, end);
    listing.remove_prefix(end == std::string_view::npos ? listing.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    FtpListEntry entry;
    if (std::isdigit(static_cast<unsigned char>(line[0])) ? ParseWindows(line, &entry)
                                                          : ParseUnix(line, &entry)) {
      entries.push_back(std::move(entry));
    }
  }
  return entries;
}

bool SafeLocalName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name) {
    if (c == L'/' || c == L'\\' || c == L':' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

}  // namespace kv::internet
