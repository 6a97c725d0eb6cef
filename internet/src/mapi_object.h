// The base of the item wrappers: an owned item of the messaging service with its
// entry id, and the property plumbing the folder and message wrappers share.
#pragma once

#include <memory>
#include <string>

#include "KVPlatform/mail.h"

namespace kv::internet {

class CMAPISession;

class CMAPIObject {
 public:
  CMAPIObject();
  virtual ~CMAPIObject();
  CMAPIObject(const CMAPIObject&) = delete;
  CMAPIObject& operator=(const CMAPIObject&) = delete;

  // Closes any open item, then opens the one with `entryId` in the session's store.
  virtual bool Open(CMAPISession* session, const kv::mail::EntryId& entryId);
  // Forgets the entry id, releases the item, forgets the session.
  virtual void Close();
  // Saves the item's changes; without `close` it stays open for more.
  virtual bool Save(bool close = true);
  // Reads a text property; through a stream when asked or when the value is too long
  // to come whole. 8-bit properties are read as UTF-8.
  virtual bool GetPropertyString(kv::mail::PropTag tag, std::wstring& out, bool stream = false);
  // Writes a text property, through a stream when asked. False when there is no item
  // or no text.
  virtual bool SetPropertyString(kv::mail::PropTag tag, const wchar_t* text, bool stream = false);

  const kv::mail::EntryId& GetEntryID() const { return m_entryID; }
  kv::mail::MapiProp* GetItem() const { return m_pItem.get(); }
  CMAPISession* GetSession() const { return m_pMAPI; }

 protected:
  bool SetProperty(const kv::mail::PropValue& value);
  // Reads the item's entry id again (new items get theirs when first saved).
  void RefreshEntryID();
  // Takes an item opened elsewhere (a folder or a new message).
  void Attach(CMAPISession* session, std::shared_ptr<kv::mail::MapiProp> item);
  // Opens an entry of the session's store; null when it cannot.
  static std::shared_ptr<kv::mail::MapiProp> OpenEntry(CMAPISession* session,
                                                       const kv::mail::EntryId& entryId,
                                                       uint32_t* objectType);

  CMAPISession* m_pMAPI = nullptr;              // not owned
  std::shared_ptr<kv::mail::MapiProp> m_pItem;  // owned reference
  kv::mail::EntryId m_entryID;
};

}  // namespace kv::internet
