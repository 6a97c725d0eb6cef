// The configuration of the internet services: the maker's hosts, the FTP accounts, the
// time-outs and the TLS choice. Each value is read from the registry under
// "Software\Kestrel\kvinternet", the current user's key before the machine's, and falls
// back to its compiled-in default; the values are read afresh by every call.
#pragma once

#include <string>

namespace kv::internet {

inline constexpr wchar_t kConfigKey[] = L"Software\\Kestrel\\kvinternet";

// How the FTP control connection is protected.
enum class FtpTls {
  kNever = 0,    // plain FTP
  kTry = 1,      // AUTH TLS, and plain FTP only where the server refuses it
  kRequire = 2,  // AUTH TLS, or no connection
};

struct FtpAccount {
  std::wstring user;
  std::wstring password;
};

struct InternetConfig {
  std::wstring webHost;       // "Web Host": host[:port] of the maker's web site
  std::wstring ftpHost;       // "FTP Host": host[:port] of the maker's FTP server
  FtpAccount program;         // "FTP User", "FTP Password": the account of the uploads
  FtpAccount update;          // "Update User", "Update Password": the notification account
  FtpTls tls = FtpTls::kTry;  // "FTP TLS" (DWORD 0, 1, 2)
  long connectSeconds = 20;   // "Connect Timeout" (DWORD): connecting, name lookup included
  long transferSeconds = 60;  // "Transfer Timeout" (DWORD): the longest wait for a server
                              // reply, or for any byte to move during a transfer
};

// The configuration as the registry gives it now. A value of the wrong type, an empty
// text or a time-out of 0 counts as absent; time-outs are capped at one hour.
InternetConfig ReadInternetConfig();

}  // namespace kv::internet
