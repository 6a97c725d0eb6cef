// A folder of the message store, with its name and, once asked for, its tables.
#pragma once

#include <memory>
#include <string>

#include "mapi_object.h"

namespace kv::internet {

class CMAPIFolder : public CMAPIObject {
 public:
  CMAPIFolder();
  // Adopts an open folder; with `loadName` reads its display name.
  CMAPIFolder(CMAPISession* session, std::shared_ptr<kv::mail::Folder> folder, bool loadName);
  ~CMAPIFolder() override;

  bool Open(CMAPISession* session, const kv::mail::EntryId& entryId) override;
  // Releases the two tables first.
  void Close() override;

  kv::mail::Folder* GetFolder() const;
  const std::wstring& GetName() const { return m_strName; }
  // The folder's messages and subfolders; opened on first use, kept until Close.
  kv::mail::Table* GetContents();
  kv::mail::Table* GetHierarchy();

 private:
  std::shared_ptr<kv::mail::Table> m_pHierarchy;
  std::shared_ptr<kv::mail::Table> m_pContents;
  std::wstring m_strName;
};

}  // namespace kv::internet
