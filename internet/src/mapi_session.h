// The messaging session of one export call: starts the messaging service, logs on to
// a profile, opens its message store and finds the user's identity. It owns the
// session, the store and the current folder, and releases them at log-off.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "KVPlatform/mail.h"

namespace kv::internet {

class CMAPIFolder;

class CMAPISession {
 public:
  CMAPISession();
  // Logs off and stops the service if the caller did not.
  ~CMAPISession();
  CMAPISession(const CMAPISession&) = delete;
  CMAPISession& operator=(const CMAPISession&) = delete;

  // Starts the service: flags multithreaded notifications (1) and NT service (0x10000).
  bool Initialize(bool multiThreaded = true, bool ntService = false);
  void Uninitialize();
  // Opens a new session on `profile` (null: the default profile), no window, no
  // password: flags 0x62, or 0x10072 for a service.
  bool Logon(const wchar_t* profile = nullptr, bool service = false);
  // Unregisters the store notification, deletes the current folder, releases the
  // store and the session, in that order.
  void Logout();
  // Opens the first store whose display name contains `name`, or without a name the
  // default store (walking the store table a row at a time); keeps `folderFlags` for
  // opening folders.
  bool OpenMessageStore(const wchar_t* name, uint32_t folderFlags);
  // The profile's name: the display name of the subsystem row of the status table.
  bool GetProfileName(std::wstring& name);
  // The user's address: the identity's SMTP address, else its e-mail address, only
  // for a mail user.
  bool GetProfileEmail(std::wstring& address);
  // Opens the store's Outbox. With `makeCurrent` the session owns it as its current
  // folder (deleting the previous one); otherwise the caller deletes it. Null on failure.
  CMAPIFolder* OpenOutbox(bool makeCurrent);

  kv::mail::Session* GetSession() const { return m_pSession.get(); }
  kv::mail::MsgStore* GetMessageStore() const { return m_pMsgStore.get(); }
  uint32_t GetFolderFlags() const { return m_ulFolderFlags; }
  CMAPIFolder* GetCurrentFolder() const { return m_pCurrentFolder.get(); }

 private:
  std::shared_ptr<kv::mail::Session> m_pSession;
  std::shared_ptr<kv::mail::MsgStore> m_pMsgStore;
  uint32_t m_ulFolderFlags = 0;
  std::unique_ptr<CMAPIFolder> m_pCurrentFolder;
  uint32_t m_ulConnection = 0;  // store notification registration; 0 when none
  bool m_bInitialized = false;
};

}  // namespace kv::internet
