// Addresses, header text and server URLs: the checks that keep caller text from
// reaching a header or the SMTP dialogue as anything but one value.
#pragma once

#include <string>
#include <string_view>

namespace kv::mail {

// True for a plain SMTP address, local@domain: a dot-atom local part of printable
// ASCII, a domain of letter-digit-hyphen labels or an address literal ("[192.0.2.1]").
// Blanks, control characters, quotes, brackets, commas and non-ASCII are refused.
//   ann.smith+cad@example.com => true; "ann@example.com\r\nBcc: x@y.z" => false
bool IsSmtpAddress(std::string_view address);

// Reads one mailbox: "ann@example.com" or "Ann Smith <ann@example.com>" (the name may be
// in double quotes). False when the text holds a control character, or is not exactly
// one valid address (two addresses, a comma-separated list, an empty one).
bool ParseMailbox(std::wstring_view text, std::wstring* name, std::string* address);

// Text for a header: every control character (CR, LF, tab, ...) becomes a space, so
// the text stays one header's value whatever it holds.
std::wstring HeaderSafeText(std::wstring_view text);

struct SmtpUrl {
  bool implicitTls = false;  // smtps://
  std::string host;          // without brackets
  int port = 0;              // 0 when the URL names none
};

// Reads smtp://host[:port][/...] or smtps://...; false for anything else (another
// scheme, user information in the URL, an empty host, a bad port, control characters).
bool ParseSmtpUrl(std::string_view url, SmtpUrl* out);

// True for the loopback address in any spelling the URL may give: 127.0.0.0/8, ::1,
// "localhost". Names that merely resolve to it are not trusted.
bool IsLoopbackHost(std::string_view host);

}  // namespace kv::mail
