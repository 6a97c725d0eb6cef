// The library's string table, kept as data as a resource script would keep it.
#include "resources.h"

const kv::StringTable& FileUtilityStrings() {
  static const kv::StringTable table{
      {IDS_DELETING_DIRECTORY, L"Deleting directory - %s"},
      {IDS_INVALID_ACCESS_MODE,
       L"Invalid mode passed to kv_AccessCheck function\nMode for checking access must be:\n"
       L"0 = Existance\n2 = Write Only\n4 = Read Only\n6 = Read and Write"},
      {IDS_DOES_NOT_EXIST, L"%s does not exist."},
      {IDS_NO_WRITE_PERMISSION, L"%s does not have write permission."},
      {IDS_NO_READ_PERMISSION, L"%s does not have read permission."},
      {IDS_NO_READ_WRITE_PERMISSION, L"%s does not have read and write permission."},
  };
  return table;
}
