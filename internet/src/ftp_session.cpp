// An FTP connection under one account, over one libcurl session.
#include "ftp_session.h"

#include "KVPlatform/text.h"

namespace kv::internet {
namespace {

size_t ReadFromSource(char* buffer, size_t size, size_t count, void* context) {
  const auto* source = static_cast<const FtpSession::Source*>(context);
  size_t got = 0;
  if (!(*source)(buffer, size * count, &got)) return CURL_READFUNC_ABORT;
  return got;
}

size_t WriteToSink(char* data, size_t size, size_t count, void* context) {
  const auto* sink = static_cast<const FtpSession::Sink*>(context);
  return (*sink)(data, size * count) ? size * count : 0;
}

size_t AppendToString(char* data, size_t size, size_t count, void* context) {
  static_cast<std::string*>(context)->append(data, size * count);
  return size * count;
}

}  // namespace

FtpSession::FtpSession(const InternetConfig& config, const FtpAccount& account,
                       std::wstring_view agent)
    : curl_(config, "ftp"), host_(config.ftpHost) {
  if (!ok()) return;
  CURL* easy = curl_.easy();
  const std::string user = WideToAnsi(account.user);
  const std::string password = WideToAnsi(account.password);
  curl_easy_setopt(easy, CURLOPT_USERNAME, user.c_str());
  curl_easy_setopt(easy, CURLOPT_PASSWORD, password.c_str());
  const std::string agentText = WideToAnsi(agent);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, agentText.c_str());
  long tls = CURLUSESSL_TRY;
  if (config.tls == FtpTls::kNever) tls = CURLUSESSL_NONE;
  if (config.tls == FtpTls::kRequire) tls = CURLUSESSL_ALL;
  curl_easy_setopt(easy, CURLOPT_USE_SSL, tls);
  // Passive mode (EPSV, then PASV); whole files in large buffers.
  curl_easy_setopt(easy, CURLOPT_FTP_USE_EPSV, 1L);
  curl_easy_setopt(easy, CURLOPT_UPLOAD_BUFFERSIZE, 256L * 1024);
}

CURLcode FtpSession::Prepare(std::wstring_view path) {
  curl_.ClearError();
  std::string url;
  if (!ServerUrl("ftp", host_, path, &url)) return CURLE_URL_MALFORMAT;
  CURL* easy = curl_.easy();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(easy, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(easy, CURLOPT_QUOTE, nullptr);
  curl_easy_setopt(easy, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(easy, CURLOPT_READFUNCTION, nullptr);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, nullptr);
  return CURLE_OK;
}

CURLcode FtpSession::Connect() {
  if (!ok()) return CURLE_OUT_OF_MEMORY;
  if (CURLcode prepared = Prepare(L""); prepared != CURLE_OK) return prepared;
  curl_easy_setopt(curl_.easy(), CURLOPT_NOBODY, 1L);
  return curl_.Perform();
}

void FtpSession::CreateFolders(const std::vector<std::wstring>& folders) {
  if (!ok() || folders.empty() || Prepare(L"") != CURLE_OK) return;
  // "*" makes the server's refusal no failure of the transfer.
  curl_slist* commands = nullptr;
  for (const std::wstring& folder : folders) {
    std::wstring name = folder;
    for (wchar_t& c : name) {
      if (c == L'\\') c = L'/';
    }
    if (name.find_first_of(L"\r\n") != std::wstring::npos || name.find(L'\0') != std::wstring::npos)
      continue;
    curl_slist* more = curl_slist_append(commands, ("*MKD " + WideToAnsi(name)).c_str());
    if (more == nullptr) break;
    commands = more;
  }
  if (commands != nullptr) {
    curl_easy_setopt(curl_.easy(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl_.easy(), CURLOPT_QUOTE, commands);
    (void)curl_.Perform();
    curl_easy_setopt(curl_.easy(), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(commands);
  }
}

CURLcode FtpSession::Upload(std::wstring_view remotePath, const Source& source) {
  if (!ok()) return CURLE_OUT_OF_MEMORY;
  if (CURLcode prepared = Prepare(remotePath); prepared != CURLE_OK) return prepared;
  CURL* easy = curl_.easy();
  curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(easy, CURLOPT_READFUNCTION, ReadFromSource);
  curl_easy_setopt(easy, CURLOPT_READDATA, &source);
  return curl_.Perform();
}

CURLcode FtpSession::List(std::wstring_view folder, std::string* listing) {
  if (!ok()) return CURLE_OUT_OF_MEMORY;
  listing->clear();
  // A path ending in a separator is listed.
  std::wstring path(folder);
  if (!path.empty() && path.back() != L'/' && path.back() != L'\\') path += L'/';
  if (CURLcode prepared = Prepare(path); prepared != CURLE_OK) return prepared;
  CURL* easy = curl_.easy();
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, AppendToString);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, listing);
  return curl_.Perform();
}

CURLcode FtpSession::Download(std::wstring_view remotePath, const Sink& sink) {
  if (!ok()) return CURLE_OUT_OF_MEMORY;
  if (CURLcode prepared = Prepare(remotePath); prepared != CURLE_OK) return prepared;
  CURL* easy = curl_.easy();
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, WriteToSink);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  return curl_.Perform();
}

std::vector<std::wstring> RemoteFolderLevels(std::wstring_view remotePath) {
  std::vector<std::wstring> levels;
  const size_t last = remotePath.find_last_of(L'\\');
  if (last == std::wstring_view::npos) return levels;
  std::wstring_view folders = remotePath.substr(0, last + 1);
  if (!folders.empty() && folders.front() == L'\\') folders.remove_prefix(1);
  std::wstring accumulated;
  while (!folders.empty()) {
    const size_t end = folders.find(L'\\');
    if (end == std::wstring_view::npos) break;
    accumulated.append(folders.substr(0, end + 1));
    folders.remove_prefix(end + 1);
    levels.push_back(accumulated.substr(0, accumulated.size() - 1));
  }
  return levels;
}

}  // namespace kv::internet
