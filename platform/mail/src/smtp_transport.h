// Submission of one message over SMTP with libcurl.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"
#include "mail_profile.h"

namespace kv::mail {

struct Submission {
  std::string mailFrom;                 // a plain SMTP address
  std::vector<std::string> recipients;  // plain SMTP addresses
  std::string_view data;                // the wire form, CR LF line ends
};

// Sends through the profile's server: STARTTLS required except for a loopback server
// (unless the profile requires it there too), the password from the profile's netrc
// file or ~/.netrc, every step bounded in time. kMapiENetworkError with `error` saying
// why (libcurl's words and the server's reply code) when the message was not accepted.
Status SendOverSmtp(const Profile& profile, const Submission& submission, std::string* error);

// Whether the connection to the profile's server must be encrypted.
bool RequiresTls(const Profile& profile);

}  // namespace kv::mail
