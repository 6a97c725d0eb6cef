// The exports of the connection check, the browser launch, the FTP sends and the
// notification check: each makes a CInetUtils, runs one operation and turns its result
// into what the callers expect.
#include "kvinternet/internet.h"

#include "KVPlatform/ui.h"
#include "inet_utils.h"
#include "launch_url.h"

using kv::internet::CInetUtils;

extern "C" {

int kvInetConnectionExists(int showErrors) {
  CInetUtils utils(showErrors);
  return utils.CheckConnection(L"index.htm") == 0 ? 1 : 0;
}

int kvLaunchBrowserPage(std::wstring& url) {
  kv::internet::LaunchUrl(url.c_str(), 5 /* SW_SHOW */);
  return 1;
}

int kvInetSendFile(void* /*ignored*/, std::wstring& localFile, std::wstring& remotePath,
                   int showErrors) {
  CInetUtils utils(showErrors);
  return utils.SendFile(localFile, remotePath) == 0 ? 1 : 0;
}

int kvInetSendFtpFile(std::wstring& localFile, std::wstring& remotePath, std::wstring& agentName,
                      int showErrors) {
  CInetUtils utils(showErrors);
  // The progress window is gone when SendFileWithProgress returns.
  if (utils.SendFileWithProgress(localFile, remotePath, agentName) == 0) return 0;
  if (utils.m_bShowErrors) kv::ShowMessageBox(utils.m_strError, kv::kMbOk | kv::kMbIconError);
  return 1;
}

int kvInetNotificationCheck(std::wstring& remoteFolder, std::wstring& localFolder) {
  CInetUtils utils(0);
  return utils.DownloadNotifications(remoteFolder, localFolder);
}

}  // extern "C"
