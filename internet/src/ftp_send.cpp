// The FTP sends: log on under the program account, create the remote folders, open the
// local file, store it in 1024-byte blocks, with or without the progress window. Every
// way out closes what was opened, remote file first and the session last.
#include <algorithm>
#include <cstdint>
#include <string>

#include "KVPlatform/file_handle.h"
#include "KVPlatform/text.h"
#include "ftp_session.h"
#include "inet_config.h"
#include "inet_utils.h"
#include "transfer_progress_dialog.h"

namespace kv::internet {
namespace {

constexpr size_t kShortLimit = 255;  // connection, local-open and create errors
constexpr size_t kCopyLimit = 1024;  // copy errors
constexpr size_t kBlockSize = 1024;
// Bytes asked of the disk at once: the blocks are counted, not read one by one.
constexpr size_t kChunkSize = 256 * 1024;

// The file error's description, as the framework words it for a failed open or read.
std::wstring FileErrorText(uint32_t code, const std::wstring& file) {
  std::wstring_view text;
  switch (code) {
    case kErrorFileNotFound: text = L"%s was not found."; break;
    case kErrorPathNotFound:
    case kErrorInvalidName:
    case kErrorBadPathName: text = L"%s contains an incorrect path."; break;
    case kErrorAccessDenied: text = L"Access to %s was denied."; break;
    case kErrorSharingViolation: text = L"A sharing violation occurred while accessing %s."; break;
    case kErrorInvalidHandle: text = L"An incorrect file handle was associated with %s."; break;
    case kErrorReadFault:
    case kErrorWriteFault: text = L"A hardware I/O error was reported while accessing %s."; break;
    case kErrorDiskFull: text = L"Disk full while accessing %s."; break;
    default: text = L"An unknown error occurred while accessing %s."; break;
  }
  return FormatMessageText(text, {std::wstring_view(file)});
}

// The copy loop's state: reads the local file for libcurl in large chunks and moves
// the bar once per 1024-byte block, as the block counter of the copy counts them.
class BlockReader {
 public:
  BlockReader(FileHandle& file, uint64_t size, const std::wstring& localFile,
              CTransferProgressDialog* dialog)
      : file_(file),
        size_(size),
        localFile_(localFile),
        dialog_(dialog),
        scale_(ScaleBlocks(size)) {}

  bool Read(char* buffer, size_t capacity, size_t* got) {
    if (!started_) {
      // The server has opened the remote file: the copy begins.
      started_ = true;
      if (dialog_ != nullptr) {
        dialog_->SetStatusText(localFile_);
        dialog_->SetRange(0, scale_.upper);
      }
    }
    *got = 0;
    const size_t want = std::min(capacity, kChunkSize);
    while (*got < want) {
      size_t read = 0;
      const Status status = file_.Read(buffer + *got, want - *got, &read);
      if (!status.ok()) {
        readError_ = status.code();
        return false;
      }
      if (read == 0) break;
      *got += read;
    }
    done_ += *got;
    ShowBlocks();
    return true;
  }

  bool started() const { return started_; }
  uint32_t readError() const { return readError_; }

 private:
  // Block n (counted from 0) has been written: the bar goes to n, scaled to fit, for
  // each block of the chunk in turn.
  void ShowBlocks() {
    if (dialog_ == nullptr || done_ == 0) return;
    const uint64_t last = (done_ + kBlockSize - 1) / kBlockSize - 1;
    for (; shownBlock_ < last; ++shownBlock_) {
      const int position = static_cast<int>((shownBlock_ + 1) >> scale_.shift);
      if (position != shown_) {
        shown_ = position;
        dialog_->SetPos(position);
      }
    }
  }

  FileHandle& file_;
  uint64_t size_;
  const std::wstring& localFile_;
  CTransferProgressDialog* dialog_;
  BlockScale scale_;
  bool started_ = false;
  uint64_t done_ = 0;
  uint64_t shownBlock_ = 0;  // the last block the bar has gone past
  int shown_ = 0;            // the first SetPos(0) was made when the window opened
  uint32_t readError_ = 0;
};

}  // namespace

uint8_t CInetUtils::CreateRemoteFolders(FtpSession& connection, const std::wstring& remotePath) {
  connection.CreateFolders(RemoteFolderLevels(remotePath));
  return 0;
}

int CInetUtils::SendFile(const std::wstring& localFile, const std::wstring& remotePath) {
  return Send(localFile, remotePath, L"KVInternet", nullptr);
}

int CInetUtils::SendFileWithProgress(const std::wstring& localFile, const std::wstring& remotePath,
                                     const std::wstring& agentName) {
  CTransferProgressDialog dialog(nullptr);
  dialog.SetStatusText(L"Connecting to Kestrel FTP Site");
  dialog.CenterWindow();
  dialog.SetRange(0, 262);
  dialog.SetPos(0);
  dialog.ShowWindow(true);
  dialog.UpdateWindow();
  dialog.SetStatusText(remotePath);
  return Send(localFile, remotePath, agentName, &dialog);
}

int CInetUtils::Send(const std::wstring& localFile, const std::wstring& remotePath,
                     const std::wstring& agentName, CTransferProgressDialog* dialog) {
  const InternetConfig config = ReadInternetConfig();
  FtpSession connection(config, config.program, agentName);
  if (const CURLcode connected = connection.Connect(); connected != CURLE_OK) {
    m_strError =
        L"Kestrel FTP Connection Error:\n"
        L"An error has occured trying to connect to the Kestrel FTP Server.\n"
        L"Please check your network and internet connections and try again\n"
        L"Cause: " +
        connection.ErrorText(connected, kShortLimit);
    return kSendConnectFailed;
  }
  if (const uint8_t created = CreateRemoteFolders(connection, remotePath); created != 0) {
    return created;
  }

  FileHandle file;
  HandleInfo info;
  if (const Status opened = FileHandle::OpenForReading(localFile, &file, &info); !opened.ok()) {
    m_strError = L"Kestrel FTP Local File Open Error:\n" +
                 Limited(FileErrorText(opened.code(), localFile), kShortLimit);
    return kSendLocalOpenFailed;
  }
  // A path that names no file (it ends in a separator) is never opened on the server.
  if (remotePath.empty() || remotePath.back() == L'\\' || remotePath.back() == L'/') {
    m_strError =
        L"Kestrel FTP File Create Error:\nInternet File Search Failed.\n"
        L"File Not Found on the Kestrel Systems server.";
    return kSendCreateFailed;
  }

  BlockReader reader(file, info.size, localFile, dialog);
  const CURLcode sent = connection.Upload(
      remotePath,
      [&reader](char* buffer, size_t size, size_t* got) { return reader.Read(buffer, size, got); });
  if (sent == CURLE_OK) {
    m_strError.clear();
    return kSendOk;
  }
  if (!reader.started()) {
    m_strError = L"Kestrel FTP File Create Error:\n" + connection.ErrorText(sent, kShortLimit);
    return kSendCreateFailed;
  }
  if (dialog != nullptr) {
    dialog->SetStatusText(
        L"Error has occured during file transfer:\n\nAborting Transfer - Closing Connection - "
        L"Please Wait...");
    dialog->UpdateWindow();
  }
  const std::wstring cause = reader.readError() != 0
                                 ? Limited(FileErrorText(reader.readError(), localFile), kCopyLimit)
                                 : connection.ErrorText(sent, kCopyLimit);
  m_strError =
      L"Kestrel FTP File Copy Error:\n"
      L"An error has occured during file transfer.\n"
      L"Please check your network and internet connections and try again\n"
      L"Cause: " +
      cause;
  return kSendCopyFailed;
}

}  // namespace kv::internet
