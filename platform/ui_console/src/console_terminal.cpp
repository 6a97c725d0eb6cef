// The console's text helpers: what may reach a terminal, and how answers are trimmed.
#include "console_terminal.h"

namespace kv::console {

std::string Printable(std::wstring_view text) {
  std::wstring clean;
  clean.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r') {
      clean += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
      continue;
    }
    bool control = (c < 0x20 && c != L'\n' && c != L'\t') || (c >= 0x7F && c < 0xA0);
    clean += control ? L'?' : c;
  }
  return WideToAnsi(clean);
}

// One line of text: line ends inside it are shown as '?' too.
std::string PrintableLine(std::wstring_view text) {
  std::string line = Printable(text);
  for (char& c : line) {
    if (c == '\n' || c == '\t') c = c == '\t' ? ' ' : '?';
  }
  return line;
}

std::wstring Trim(std::wstring_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == L' ' || text[begin] == L'\t')) ++begin;
  while (end > begin && (text[end - 1] == L' ' || text[end - 1] == L'\t')) --end;
  return std::wstring(text.substr(begin, end - begin));
}

// A button's caption without its '&' mnemonic marks ("&Apply" => "Apply").
std::wstring Caption(std::wstring_view text) {
  std::wstring caption;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&' && i + 1 < text.size()) {
      ++i;
    }
    caption += text[i];
  }
  return caption;
}

}  // namespace kv::console
