// The connection check: one GET of a page of the maker's web host, judged by its status
// code alone. The stage counter records how far the probe got, for the error text.
#include <string>

#include "KVPlatform/text.h"
#include "curl_session.h"
#include "inet_config.h"
#include "inet_utils.h"

namespace kv::internet {
namespace {

constexpr size_t kDescriptionLimit = 255;

// Ends the transfer once the headers of the final answer are in: the status is all the
// probe needs, and a large or endless body must not keep the caller waiting.
struct HeaderWatch {
  CURL* easy = nullptr;
  bool complete = false;
};

size_t OnHeader(char* data, size_t size, size_t count, void* context) {
  auto* watch = static_cast<HeaderWatch*>(context);
  const size_t length = size * count;
  const bool blankLine =
      (length == 2 && data[0] == '\r' && data[1] == '\n') || (length == 1 && data[0] == '\n');
  if (blankLine) {
    long status = 0;
    curl_easy_getinfo(watch->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200) {
      watch->complete = true;
      return 0;
    }
  }
  return length;
}

size_t IgnoreBody(char*, size_t size, size_t count, void*) { return size * count; }

}  // namespace

int CInetUtils::CheckConnection(const std::wstring& page) {
  const InternetConfig config = ReadInternetConfig();
  CurlSession session(config, "http,https");
  if (!session.ok()) return -1;
  int stage = 1;

  CURL* easy = session.easy();
  curl_slist* headers = nullptr;
  HeaderWatch watch{easy};
  int result = -1;
  CURLcode failure = CURLE_OK;
  std::wstring description;
  // Steps that can raise an internet error; each one done adds its bit to the stage.
  [&] {
    std::string url;
    if (!ServerUrl("http", config.webHost, page, &url)) {
      failure = CURLE_URL_MALFORMAT;
      description =
          L"The web host \"" + config.webHost + L"\" of the configuration is no host name.";
      return;
    }
    stage += 2;  // the connection: the web host's address

    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "KVInternet Connection Check");
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &watch);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, IgnoreBody);
    stage += 4;  // the request

    // The request's own headers win over the session's agent name; a reload asks every
    // cache on the way for a fresh answer.
    for (const char* header : {"Accept: text/*", "User-Agent: KestrelKVInternet",
                               "Cache-Control: no-cache", "Pragma: no-cache"}) {
      curl_slist* more = curl_slist_append(headers, header);
      if (more == nullptr) return;
      headers = more;
    }
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    stage += 8;

    const CURLcode sent = session.Perform();
    if (sent != CURLE_OK && !(sent == CURLE_WRITE_ERROR && watch.complete)) {
      failure = sent;
      return;
    }
    stage += 16;

    long status = 0;
    if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status == 0) return;
    stage += 32;
    result = status < 400 ? 0 : -1;
  }();
  curl_slist_free_all(headers);
  if (failure == CURLE_OK) return result;

  if (m_bShowErrors) {
    if (description.empty()) description = session.ErrorText(failure, kDescriptionLimit);
    m_strError = L"An internet connection could not be found.\n\nCause:  " +
                 Limited(description, kDescriptionLimit) +
                 L"\nSome systems require eMail clients be set to \"Work Online\"(Email must be "
                 L"working)."
                 L"\nTry to connect to the internet manually and run the command again"
                 L"\nor contact your system administrator about your systems internet "
                 L"connection."
                 L"\nBrightHub CInetUtils error = " +
                 std::to_wstring(stage);
  }
  m_nError = kInternetErrorCode;
  return kInternetErrorCode;
}

}  // namespace kv::internet
