// MFC's CObject and CObArray: objects handed around through base pointers, kept in an
// array that owns nothing (its owner deletes the elements, as the framework's does).
#pragma once

#include "KVPlatform/export.h"

#include <cstddef>
#include <vector>

namespace kv {

class KV_EXPORT CObject {
 public:
  virtual ~CObject();
};

class CObArray {
 public:
  int GetSize() const { return static_cast<int>(items_.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return items_.empty(); }
  // Indexes out of range are a program error (std::out_of_range), as MFC asserts.
  CObject* GetAt(int index) const { return items_.at(static_cast<size_t>(index)); }
  CObject* operator[](int index) const { return GetAt(index); }
  void SetAt(int index, CObject* object) { items_.at(static_cast<size_t>(index)) = object; }
  // Appends; returns the new element's index.
  int Add(CObject* object) {
    items_.push_back(object);
    return GetSize() - 1;
  }
  // Removes pointers without deleting what they point to.
  void RemoveAt(int index, int count = 1) {
    if (index < 0 || count < 0 || index + count > GetSize()) return;
    items_.erase(items_.begin() + index, items_.begin() + index + count);
  }
  void RemoveAll() { items_.clear(); }

 private:
  std::vector<CObject*> items_;
};

}  // namespace kv
