// CObject's destructor: the one place its virtual table lives.
#include "KVPlatform/object_array.h"

namespace kv {

CObject::~CObject() = default;

}  // namespace kv
