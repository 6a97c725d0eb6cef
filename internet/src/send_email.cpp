// kvSendEMail and kvGetEmailClientInfo: one whole messaging session per call.
#include "kvinternet/email.h"

#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "mapi_folder.h"
#include "mapi_message.h"
#include "mapi_session.h"

namespace kv::internet {
namespace {

// The folder flags every folder of the session is opened with: modify, no cache.
constexpr uint32_t kFolderFlags = kv::mail::kMapiModify | kv::mail::kMapiNoCache;

// Starts the service, logs on to the default profile and opens the default store;
// whatever was started is stopped again when a step fails.
bool StartSession(CMAPISession& mapi) {
  if (!mapi.Initialize(true, false)) return false;
  if (!mapi.Logon(nullptr, false)) {
    mapi.Uninitialize();
    return false;
  }
  if (!mapi.OpenMessageStore(nullptr, kFolderFlags)) {
    mapi.Logout();
    mapi.Uninitialize();
    return false;
  }
  return true;
}

void EndSession(CMAPISession& mapi) {
  mapi.Logout();
  mapi.Uninitialize();
}

}  // namespace
}  // namespace kv::internet

using kv::internet::CMAPIMessage;
using kv::internet::CMAPISession;

bool kvGetEmailClientInfo(std::wstring& profileName, std::wstring& emailAddress) {
  CMAPISession mapi;
  if (!kv::internet::StartSession(mapi)) return false;
  if (!mapi.GetProfileName(profileName)) {
    kv::internet::EndSession(mapi);
    return false;
  }
  const bool found = mapi.GetProfileEmail(emailAddress);
  kv::internet::EndSession(mapi);
  return found;
}

bool kvSendEMail(std::wstring& to, std::wstring& subject, std::wstring& body,
                 std::wstring& attachmentPath) {
  CMAPISession mapi;
  if (!kv::internet::StartSession(mapi)) return false;
  std::wstring profile, address;
  if (!mapi.GetProfileName(profile)) {
    kv::ShowMessageBox(
        L"Failed to acquire MAPI email client.\nKestrel Systems email failed to send.", kv::kMbOk);
    kv::internet::EndSession(mapi);
    return false;
  }
  if (!mapi.GetProfileEmail(address)) {
    kv::ShowMessageBox(L"Failed to acquire MAPI User Email. Kestrel Systems email failed to send.",
                       kv::kMbOk);
    kv::internet::EndSession(mapi);
    return false;
  }
  if (mapi.OpenOutbox(true) != nullptr) {
    auto message = std::make_unique<CMAPIMessage>();
    if (message->Create(&mapi, kv::mail::kImportanceNormal, true)) {
      message->SetSender(address.c_str(), address.c_str());
      if (!subject.empty()) message->SetSubject(subject.c_str());
      if (!body.empty()) message->SetBody(body.c_str());
      message->AddRecipient(to.c_str(), kv::mail::kMapiTo);
      if (!attachmentPath.empty()) message->AddAttachment(attachmentPath.c_str());
      if (message->Send()) {
        kv::ShowMessageBox(
            kv::FormatMessageText(L"Email Subject: \"%s\"\nSuccessfully sent to Kestrel Systems!",
                                  {subject}),
            kv::kMbOk | kv::kMbIconInformation, L"Kestrel Systems Automated Email");
      }
    }
    message.reset();
  }
  kv::internet::EndSession(mapi);
  return true;
}
