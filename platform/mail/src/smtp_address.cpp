// Addresses, header text and server URLs.
#include "smtp_address.h"

#include <arpa/inet.h>

#include <cstring>

#include "KVPlatform/text.h"

namespace kv::mail {

namespace {

bool IsAtext(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("!#$%&'*+-/=?^_`{|}~", c) != nullptr && c != '\0';
}

bool IsDotAtom(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  char previous = '\0';
  for (char c : text) {
    if (c == '.' ? previous == '.' : !IsAtext(c)) return false;
    previous = c;
  }
  return true;
}

bool IsDomain(std::string_view domain) {
  if (domain.size() > 2 && domain.front() == '[' && domain.back() == ']') {
    std::string literal(domain.substr(1, domain.size() - 2));
    unsigned char buffer[16];
    if (literal.rfind("IPv6:", 0) == 0)
      return inet_pton(AF_INET6, literal.c_str() + 5, buffer) == 1;
    return inet_pton(AF_INET, literal.c_str(), buffer) == 1;
  }
  if (domain.empty() || domain.size() > 253) return false;
  size_t start = 0;
  while (start <= domain.size()) {
    size_t dot = domain.find('.', start);
    if (dot == std::string_view::npos) dot = domain.size();
    std::string_view label = domain.substr(start, dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label) {
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'))
        return false;
    }
    start = dot + 1;
  }
  return true;
}

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

bool IsSmtpAddress(std::string_view address) {
  if (address.size() > 254) return false;
  const size_t at = address.rfind('@');
  if (at == std::string_view::npos || at == 0 || at > 64) return false;
  return IsDotAtom(address.substr(0, at)) && IsDomain(address.substr(at + 1));
}

bool ParseMailbox(std::wstring_view text, std::wstring* name, std::string* address) {
  for (wchar_t c : text) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  text = Trim(text);
  std::wstring_view display, spec = text;
  if (!text.empty() && text.back() == L'>') {
    const size_t open = text.rfind(L'<');
    if (open == std::wstring_view::npos) return false;
    display = Trim(text.substr(0, open));
    spec = text.substr(open + 1, text.size() - open - 2);
    // A quoted name may hold specials; a bare one holding them is a list or garbage.
    if (display.size() >= 2 && display.front() == L'"' && display.back() == L'"') {
      display = display.substr(1, display.size() - 2);
      if (display.find_first_of(L"\"\\") != std::wstring_view::npos) return false;
    } else if (display.find_first_of(L"<>,;:@\"\\") != std::wstring_view::npos) {
      return false;
    }
  }
  const std::string narrow = WideToAnsi(spec);
  if (!IsSmtpAddress(narrow)) return false;
  *name = std::wstring(display);
  *address = narrow;
  return true;
}

std::wstring HeaderSafeText(std::wstring_view text) {
  std::wstring safe(text);
  for (wchar_t& c : safe) {
    if (c < 0x20 || c == 0x7F || c == 0x2028 || c == 0x2029 || c == 0x85) c = L' ';
  }
  return safe;
}

bool ParseSmtpUrl(std::string_view url, SmtpUrl* out) {
  SmtpUrl parsed;
  for (char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  }
  std::string_view rest;
  if (url.rfind("smtp://", 0) == 0) {
    rest = url.substr(7);
  } else if (url.rfind("smtps://", 0) == 0) {
    rest = url.substr(8);
    parsed.implicitTls = true;
  } else {
    return false;
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (rest.find('@') != std::string_view::npos) return false;
  std::string_view port;
  bool hasPort = false;
  if (!rest.empty() && rest.front() == '[') {
    const size_t close = rest.find(']');
    if (close == std::string_view::npos) return false;
    parsed.host = rest.substr(1, close - 1);
    std::string_view after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return false;
      port = after.substr(1);
      hasPort = true;
    }
  } else {
    const size_t colon = rest.find(':');
    parsed.host = rest.substr(0, colon);
    if (colon != std::string_view::npos) {
      port = rest.substr(colon + 1);
      hasPort = true;
    }
  }
  if (parsed.host.empty()) return false;
  if (hasPort) {
    if (port.empty() || port.size() > 5) return false;
    int value = 0;
    for (char c : port) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    parsed.port = value;
  }
  *out = std::move(parsed);
  return true;
}

bool IsLoopbackHost(std::string_view host) {
  std::string text(host);
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (text == "localhost" || text == "localhost.") return true;
  unsigned char buffer[16];
  if (inet_pton(AF_INET, text.c_str(), buffer) == 1) return buffer[0] == 127;
  if (inet_pton(AF_INET6, text.c_str(), buffer) == 1) {
    static const unsigned char kLoopback6[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    return std::memcmp(buffer, kLoopback6, 16) == 0;
  }
  return false;
}

}  // namespace kv::mail
