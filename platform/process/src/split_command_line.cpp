// Windows command-line splitting: the rules of CommandLineToArgvW and of the C runtime's
// start-up code, for command lines stored as one text (registered open commands).
#include "KVPlatform/process.h"

namespace kv {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> arguments;
  size_t i = 0;
  const size_t n = line.size();
  while (i < n && IsBlank(line[i])) ++i;
  if (i == n) return arguments;

  // The program: a quoted run is taken whole, backslashes and all; otherwise up to a blank.
  std::wstring program;
  if (line[i] == L'"') {
    ++i;
    while (i < n && line[i] != L'"') program += line[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !IsBlank(line[i])) program += line[i++];
  }
  arguments.push_back(std::move(program));

  // The other arguments: `quoted` tells whether a quoted run is open; `backslashes`
  // counts the run of backslashes just copied, which a following quote halves.
  while (i < n && IsBlank(line[i])) ++i;
  if (i == n) return arguments;
  std::wstring current;
  size_t backslashes = 0;
  bool quoted = false;
  while (i < n) {
    const wchar_t c = line[i];
    if (IsBlank(c) && !quoted) {
      arguments.push_back(std::move(current));
      current.clear();
      backslashes = 0;
      while (i < n && IsBlank(line[i])) ++i;
      if (i == n) return arguments;
      continue;
    }
    ++i;
    if (c != L'"') {
      current += c;
      backslashes = c == L'\\' ? backslashes + 1 : 0;
      continue;
    }
    // A quote: an even run of backslashes before it is halved and the quote delimits
    // (inside a quoted run, "" is one literal quote); an odd run is halved and the quote
    // is literal.
    current.resize(current.size() - backslashes / 2 - (backslashes % 2));
    if (backslashes % 2 == 1) {
      current += L'"';
    } else if (quoted && i < n && line[i] == L'"') {
      current += L'"';
      ++i;
    } else {
      quoted = !quoted;
    }
    backslashes = 0;
  }
  arguments.push_back(std::move(current));
  return arguments;
}

}  // namespace kv
