// An FTP connection to the maker's server under one account: log on, create folders,
// upload a file, list a folder, download a file. Passive mode, binary transfers; the
// control connection asks for TLS as the configuration says. Remote paths are relative
// to the account's start folder, with `\` or `/` between folders.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "curl_session.h"
#include "inet_config.h"

namespace kv::internet {

class FtpSession {
 public:
  // `agent` names the session (sent only where a proxy asks for it).
  FtpSession(const InternetConfig& config, const FtpAccount& account, std::wstring_view agent);

  bool ok() const { return curl_.ok(); }

  // Logs on to the server. Failures: the server cannot be reached, refuses the account,
  // or (with TLS required) refuses TLS.
  CURLcode Connect();

  // Asks the server to create each folder in turn; replies are not examined (an existing
  // folder is no error). Folders holding a line break are never sent.
  void CreateFolders(const std::vector<std::wstring>& folders);

  // Feeds the upload: fills `buffer` with up to `size` bytes and returns how many (0 at
  // the end), or returns false to abort. Its first call means the server has accepted
  // the file name and opened the file for writing.
  using Source = std::function<bool(char* buffer, size_t size, size_t* got)>;
  // Stores a remote file from `source`.
  CURLcode Upload(std::wstring_view remotePath, const Source& source);

  // The server's listing (LIST) of a folder ("" for the start folder).
  CURLcode List(std::wstring_view folder, std::string* listing);

  // Takes the bytes of a download; false aborts it.
  using Sink = std::function<bool(const char* data, size_t size)>;
  // Retrieves a remote file into `sink`.
  CURLcode Download(std::wstring_view remotePath, const Sink& sink);

  std::wstring ErrorText(CURLcode code, size_t limit) const { return curl_.ErrorText(code, limit); }

 private:
  // Points the handle at a path and clears what the previous transfer set.
  CURLcode Prepare(std::wstring_view path);

  CurlSession curl_;
  std::wstring host_;
};

// The folders that hold a remote path, each with all its parents, in the order they
// must be created: the path up to its last separator, less one leading separator,
// level by level, each without its closing separator.
//   \Orders\2024\part.dxf => Orders, Orders\2024
//   part.dxf              => (none)
std::vector<std::wstring> RemoteFolderLevels(std::wstring_view remotePath);

}  // namespace kv::internet
