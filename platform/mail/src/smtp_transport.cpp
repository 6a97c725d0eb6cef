// SMTP submission with libcurl: one easy handle per message, on the caller's thread.
#include "smtp_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "KVPlatform/mail_props.h"

namespace kv::mail {

namespace {

// Time limits: a server that does not answer never holds the caller for long.
constexpr long kConnectSeconds = 30;
constexpr long kResponseSeconds = 60;
constexpr long kLowSpeedSeconds = 60;
// libcurl's upload buffer: full buffers keep the number of sends low.
constexpr long kUploadBuffer = 512 * 1024;

struct Reader {
  std::string_view data;
  size_t position = 0;
};

size_t ReadData(char* buffer, size_t size, size_t count, void* context) {
  auto* reader = static_cast<Reader*>(context);
  const size_t n = std::min(size * count, reader->data.size() - reader->position);
  std::memcpy(buffer, reader->data.data() + reader->position, n);
  reader->position += n;
  return n;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

bool RequiresTls(const Profile& profile) {
  return profile.url.implicitTls || profile.requireTls || !IsLoopbackHost(profile.url.host);
}

Status SendOverSmtp(const Profile& profile, const Submission& submission, std::string* error) {
  if (!profile.netrcFile.empty()) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(profile.netrcFile, ignored)) {
      *error = "the password file " + profile.netrcFile + " cannot be read";
      return Status(kMapiENetworkError);
    }
  }
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    *error = "libcurl could not start";
    return Status(kMapiECallFailed);
  }
  std::unique_ptr<curl_slist, ListDeleter> recipients;
  for (const std::string& address : submission.recipients) {
    curl_slist* grown = curl_slist_append(recipients.get(), ("<" + address + ">").c_str());
    if (grown == nullptr) return Status(kMapiENotEnoughMemory);
    (void)recipients.release();
    recipients.reset(grown);
  }
  Reader reader{submission.data};
  char errorText[CURL_ERROR_SIZE] = "";
  const std::string from = "<" + submission.mailFrom + ">";
  CURL* h = curl.get();
  curl_easy_setopt(h, CURLOPT_URL, profile.smtpUrl.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(h, CURLOPT_USE_SSL,
                   static_cast<long>(RequiresTls(profile) ? CURLUSESSL_ALL : CURLUSESSL_NONE));
  curl_easy_setopt(h, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
  if (!profile.netrcFile.empty())
    curl_easy_setopt(h, CURLOPT_NETRC_FILE, profile.netrcFile.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.c_str());
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, ReadData);
  curl_easy_setopt(h, CURLOPT_READDATA, &reader);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(submission.data.size()));
  curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBuffer);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, kResponseSeconds);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  const CURLcode result = curl_easy_perform(h);
  if (result == CURLE_OK) return Status::Ok();
  long reply = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
  *error = errorText[0] != '\0' ? errorText : curl_easy_strerror(result);
  if (reply != 0) *error += " (server reply " + std::to_string(reply) + ")";
  return Status(kMapiENetworkError);
}

}  // namespace kv::mail
