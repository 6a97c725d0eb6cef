// CInetUtils: the short-lived object behind the connection check, the FTP sends and the
// notification check. Each export makes one, runs one operation on it and drops it; it
// carries the show-errors flag and the last error text and code.
#pragma once

#include <cstdint>
#include <string>

#include "KVPlatform/dialog.h"
#include "ftp_session.h"

namespace kv::internet {

class CTransferProgressDialog;

// The error code of a connection check that ended in an internet error.
inline constexpr int kInternetErrorCode = 1801;

// Result codes of the FTP sends.
enum SendResult : int {
  kSendOk = 0,
  kSendConnectFailed = 1,
  kSendCreateFailed = 2,
  kSendCopyFailed = 3,
  kSendLocalOpenFailed = 5,
};

class CInetUtils : public CWnd {
 public:
  explicit CInetUtils(int showErrors) : m_bShowErrors(showErrors) {}

  // Sends one GET for `page` to the maker's web host (no redirects followed, never from
  // a cache). 0 when it answered with a status below 400; -1 when a step failed without
  // an internet error or the status was 400 or above; 1801 after an internet error (no
  // answer, a name that does not resolve, a time-out), with m_nError = 1801 and, when
  // showing errors, m_strError explaining it and ending in the stage counter reached.
  int CheckConnection(const std::wstring& page);

  // Uploads a file under the program account: the SendResult, with m_strError empty on
  // success and the reason otherwise.
  int SendFile(const std::wstring& localFile, const std::wstring& remotePath);
  // The same under a "Transferring Data" window (template 197) that exists for the call.
  int SendFileWithProgress(const std::wstring& localFile, const std::wstring& remotePath,
                           const std::wstring& agentName);
  // Creates the folders of `remotePath` (up to its last backslash) level by level,
  // ignoring the replies. Returns 0.
  uint8_t CreateRemoteFolders(FtpSession& connection, const std::wstring& remotePath);

  // Fetches the files matching remoteFolder + "*.xml" that are not yet in localFolder:
  // how many were written, 0 on every failure (the reason in m_strError).
  int DownloadNotifications(const std::wstring& remoteFolder, const std::wstring& localFolder);

  int m_bShowErrors;
  std::wstring m_strError;
  int m_nError = 0;

 private:
  int Send(const std::wstring& localFile, const std::wstring& remotePath,
           const std::wstring& agentName, CTransferProgressDialog* dialog);
};

}  // namespace kv::internet
