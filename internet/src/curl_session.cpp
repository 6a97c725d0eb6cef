// The internet session of one call: a libcurl handle driven through a multi handle.
#include "curl_session.h"

#include <mutex>

#include "KVPlatform/text.h"

namespace kv::internet {
namespace {

void InitCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool HostCharacter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
         c == L'.' || c == L'-' || c == L'_' || c == L':' || c == L'[' || c == L']' || c > 0x7F;
}

void AppendEncoded(std::string_view segment, std::string* url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (unsigned char c : segment) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      *url += static_cast<char>(c);
    } else {
      *url += '%';
      *url += kHex[c >> 4];
      *url += kHex[c & 15];
    }
  }
}

}  // namespace

CurlSession::CurlSession(const InternetConfig& config, const char* protocols) {
  InitCurlOnce();
  easy_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (!ok()) return;
  curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, error_);
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, protocols);
  curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, config.connectSeconds);
  curl_easy_setopt(easy_, CURLOPT_SERVER_RESPONSE_TIMEOUT, config.transferSeconds);
  // Less than one byte a second over the transfer time-out ends a transfer.
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, config.transferSeconds);
}

CurlSession::~CurlSession() {
  if (easy_ != nullptr) curl_easy_cleanup(easy_);
  if (multi_ != nullptr) curl_multi_cleanup(multi_);
}

CURLcode CurlSession::Perform() {
  if (!ok()) return CURLE_OUT_OF_MEMORY;
  error_[0] = '\0';
  if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  CURLcode result = CURLE_OK;
  int running = 1;
  while (running > 0) {
    if (curl_multi_perform(multi_, &running) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
    if (running > 0 && curl_multi_poll(multi_, nullptr, 0, 10, nullptr) != CURLM_OK) {
      result = CURLE_OUT_OF_MEMORY;
      break;
    }
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_)
      result = message->data.result;
  }
  curl_multi_remove_handle(multi_, easy_);
  return result;
}

std::wstring CurlSession::ErrorText(CURLcode code, size_t limit) const {
  std::string text = error_[0] != '\0' ? error_ : curl_easy_strerror(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return Limited(AnsiToWide(text), limit);
}

bool ServerUrl(std::string_view scheme, std::wstring_view host, std::wstring_view path,
               std::string* url) {
  if (host.empty()) return false;
  for (wchar_t c : host) {
    if (!HostCharacter(c)) return false;
  }
  for (wchar_t c : path) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  *url = std::string(scheme) + "://" + WideToAnsi(host) + "/";
  size_t start = 0;
  while (start < path.size() && (path[start] == L'\\' || path[start] == L'/')) ++start;
  for (size_t i = start; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      AppendEncoded(WideToAnsi(path.substr(start, i - start)), url);
      if (i < path.size()) *url += '/';
      start = i + 1;
    }
  }
  return true;
}

std::wstring Limited(std::wstring text, size_t limit) {
  if (text.size() > limit) text.resize(limit);
  return text;
}

}  // namespace kv::internet
