// The notification check: log on under the update account, list the remote folder, and
// download each matching file that the local folder does not have yet. A download is
// written under a temporary name and takes its own only when complete, never in place
// of a file; names from the server that would leave the local folder are skipped.
#include <string>

#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "ftp_listing.h"
#include "ftp_session.h"
#include "inet_config.h"
#include "inet_utils.h"

namespace kv::internet {
namespace {

constexpr size_t kDescriptionLimit = 1024;

// Failures that say the server or the connection is gone, rather than that one file
// could not be fetched: the check stops at them instead of trying every other file.
bool ConnectionLost(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_LOGIN_DENIED:
    case CURLE_USE_SSL_FAILED:
    case CURLE_OUT_OF_MEMORY: return true;
    default: return false;
  }
}

}  // namespace

int CInetUtils::DownloadNotifications(const std::wstring& remoteFolder,
                                      const std::wstring& localFolder) {
  const InternetConfig config = ReadInternetConfig();
  FtpSession connection(config, config.update, L"KVInternet Notification Check");
  if (const CURLcode connected = connection.Connect(); connected != CURLE_OK) {
    m_strError = connection.ErrorText(connected, kDescriptionLimit);
    return 0;
  }

  // The search: the folder text up to its last separator is listed, and what follows
  // it joins "*.xml" as the pattern ("updates" searches for updates*.xml).
  const std::wstring search = remoteFolder + L"*.xml";
  const size_t slash = search.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"" : search.substr(0, slash + 1);
  const std::wstring pattern = search.substr(folder.size());
  std::string listing;
  const CURLcode listed = connection.List(folder, &listing);
  if (listed != CURLE_OK && ConnectionLost(listed)) {
    m_strError = connection.ErrorText(listed, kDescriptionLimit);
    return 0;
  }
  std::vector<FtpListEntry> found;
  if (listed == CURLE_OK) {
    for (FtpListEntry& entry : ParseFtpListing(listing)) {
      if (entry.isFile && MatchesWildcard(pattern, entry.name)) found.push_back(std::move(entry));
    }
  }
  if (found.empty()) {
    m_strError = L"FileFind failed";
    return 0;
  }

  int count = 0;
  for (const FtpListEntry& entry : found) {
    if (!SafeLocalName(entry.name)) continue;
    NewFileWriter writer;
    if (!writer.Open(localFolder + entry.name).ok()) continue;  // present, or no folder
    int64_t received = 0;
    bool written = true;
    const CURLcode fetched =
        connection.Download(folder + entry.name, [&](const char* data, size_t size) {
          received += static_cast<int64_t>(size);
          written = writer.Write(data, size).ok();
          return written;
        });
    if (fetched != CURLE_OK && ConnectionLost(fetched)) {
      m_strError = connection.ErrorText(fetched, kDescriptionLimit);
      return 0;
    }
    // A transfer cut short is no file, even when the server called it complete.
    const bool complete =
        fetched == CURLE_OK && written && (entry.size < 0 || received == entry.size);
    if (complete && writer.Commit().ok()) ++count;
  }
  return count;
}

}  // namespace kv::internet
