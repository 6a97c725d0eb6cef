// Mail profiles: what the registry says about one profile (see KVPlatform/mail.h).
#pragma once

#include <string>
#include <string_view>

#include "KVPlatform/status.h"
#include "smtp_address.h"

namespace kv::mail {

struct Profile {
  std::wstring name;         // the profile's key name (also its store's folder name)
  std::wstring displayName;  // "Display Name", else the key name
  std::string address;       // "Email Address" when it is a valid SMTP address, else empty
  std::string smtpUrl;       // "SMTP URL" as written
  SmtpUrl url;               // ... and as read
  std::string netrcFile;     // "Netrc File" as a host path; empty: libcurl's ~/.netrc
  bool requireTls = false;   // "Require TLS" = 1
};

// True when a profile name can be a folder name: not empty, not "." or "..", without
// "/" or a zero.
bool IsUsableProfileName(std::wstring_view name);

// Reads a profile; an empty name reads the default one. kMapiELogonFailed when there
// is none, when its name is not usable, or when "SMTP URL" is missing or not
// smtp:// or smtps://.
Status LoadProfile(std::wstring_view name, Profile* profile);

}  // namespace kv::mail
