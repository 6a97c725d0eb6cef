// kvinternet's internet services for the suite's applications: whether the maker's web
// site can be reached, opening a web page in the user's browser, handing a file to the
// maker's FTP server (silently, or with a progress window), and fetching new
// notification files from it.
//
// Every call runs to its end on the caller's thread and is bounded in time (the
// connect and transfer time-outs of the configuration). The maker's hosts, the accounts,
// the time-outs and the TLS choice are read from the registry on every call:
// HKCU, then HKLM, "Software\Kestrel\kvinternet" (see the README), with compiled-in
// defaults. Remote paths use the backslash as folder separator.
#pragma once

#include <string>

#include "KVPlatform/export.h"

extern "C" {

// 1 when the maker's web host answers a GET of its page "index.htm" with a status below
// 400 (200 and redirects, which are not followed, count as reachable), else 0. Shows
// nothing; `showErrors` (a BOOL) only decides whether the reason is composed internally.
KV_EXPORT int kvInetConnectionExists(int showErrors);

// Opens `url` in the user's browser: the desktop's opener (xdg-open) first, else the
// open command registered for ".htm" files in HKEY_CLASSES_ROOT, run as a program with
// the address as one argument (never through a shell). An address beginning with '-'
// is refused. Returns 1 whatever happened.
KV_EXPORT int kvLaunchBrowserPage(std::wstring& url);

// Uploads `localFile` to `remotePath` on the maker's FTP server under the program
// account, creating the remote folders first. 1 when the file was sent, 0 otherwise;
// never shows anything. The first parameter is not read.
KV_EXPORT int kvInetSendFile(void* ignored, std::wstring& localFile, std::wstring& remotePath,
                             int showErrors);

// The same upload under a "Transferring Data" progress window; `agentName` names the
// internet session. Note the reversed sense: 0 when the file was sent, 1 when it was
// not, after an error box with the reason (once the window is gone) when `showErrors`.
KV_EXPORT int kvInetSendFtpFile(std::wstring& localFile, std::wstring& remotePath,
                                std::wstring& agentName, int showErrors);

// Downloads the files of the FTP server matching `remoteFolder` + "*.xml" (the folder
// text used as it stands, so it ends in its separator) under the update account into
// `localFolder` + name, skipping names the caller already has. Returns how many files
// were written; 0 on every failure. A file appears under its name only when complete,
// and names from the server that would leave the local folder are never written.
KV_EXPORT int kvInetNotificationCheck(std::wstring& remoteFolder, std::wstring& localFolder);

}  // extern "C"
