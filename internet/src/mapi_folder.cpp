// A folder wrapper: its name and its tables.
#include "mapi_folder.h"

namespace kv::internet {

using namespace kv::mail;

CMAPIFolder::CMAPIFolder() = default;

CMAPIFolder::CMAPIFolder(CMAPISession* session, std::shared_ptr<Folder> folder, bool loadName) {
  Attach(session, std::move(folder));
  if (loadName) GetPropertyString(kPrDisplayName, m_strName);
}

CMAPIFolder::~CMAPIFolder() { CMAPIFolder::Close(); }

bool CMAPIFolder::Open(CMAPISession* session, const EntryId& entryId) {
  if (!CMAPIObject::Open(session, entryId)) return false;
  if (m_pItem->ObjectType() != kMapiFolder) {
    Close();
    return false;
  }
  GetPropertyString(kPrDisplayName, m_strName);
  return true;
}

void CMAPIFolder::Close() {
  m_pHierarchy.reset();
  m_pContents.reset();
  m_strName.clear();
  CMAPIObject::Close();
}

Folder* CMAPIFolder::GetFolder() const {
  return m_pItem && m_pItem->ObjectType() == kMapiFolder ? static_cast<Folder*>(m_pItem.get())
                                                         : nullptr;
}

Table* CMAPIFolder::GetContents() {
  if (!m_pContents && GetFolder() != nullptr) (void)GetFolder()->GetContentsTable(&m_pContents);
  return m_pContents.get();
}

Table* CMAPIFolder::GetHierarchy() {
  if (!m_pHierarchy && GetFolder() != nullptr) (void)GetFolder()->GetHierarchyTable(&m_pHierarchy);
  return m_pHierarchy.get();
}

}  // namespace kv::internet
