// One libcurl transfer handle and the multi handle that drives it: the internet session
// of one call. Transfers run on the caller's thread through the multi interface with a
// short poll (the easy interface's own poll can stall a second per FTP transfer when the
// server answers quickly); the connection stays open between transfers of one session.
// Every transfer is bounded: a connect time-out, a server-reply time-out and a
// low-speed limit, so a dead or silent server never hangs the caller.
#pragma once

#include <curl/curl.h>

#include <string>
#include <string_view>

#include "inet_config.h"

namespace kv::internet {

class CurlSession {
 public:
  // `protocols`: what the handle may speak ("http,https", "ftp").
  CurlSession(const InternetConfig& config, const char* protocols);
  ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  // False when libcurl could not make its handles (no memory).
  bool ok() const { return easy_ != nullptr && multi_ != nullptr; }
  CURL* easy() const { return easy_; }

  // Runs the transfer set up on easy() to its end; its result.
  CURLcode Perform();
  // Forgets the last transfer's message (for failures found before a transfer).
  void ClearError() { error_[0] = '\0'; }

  // The description of a failure: libcurl's message for this transfer, else the text
  // of its code; one line, at most `limit` characters.
  std::wstring ErrorText(CURLcode code, size_t limit) const;

 private:
  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  char error_[CURL_ERROR_SIZE] = {};
};

// "scheme://host[:port]/" + the path's segments, each percent-encoded as UTF-8; `\` and
// `/` both separate segments (a leading one is dropped: paths are relative to the
// server's start folder). False when the host is no host[:port] (blanks, '/', '@' ...)
// or the path holds a control character.
//   ("ftp", "127.0.0.1:2121", "\Orders\part 1.dxf") => ftp://127.0.0.1:2121/Orders/part%201.dxf
bool ServerUrl(std::string_view scheme, std::wstring_view host, std::wstring_view path,
               std::string* url);

// Text cut to at most `limit` characters.
std::wstring Limited(std::wstring text, size_t limit);

}  // namespace kv::internet
