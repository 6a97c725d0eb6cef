// The product path table: every configured path and file of a release's products in one
// list of CDataPath entries (registry values, keys of the default-variables INI file,
// variables of the post-processors' variable files, add-in servers, module files,
// SolidWorks command-manager tabs), each read and tested for usability.
#pragma once

#include <string>

#include "KVPlatform/export.h"
#include "KVPlatform/object_array.h"

namespace kv {
class CWnd;
}

// One entry of the table. Created with new and appended to the caller's array, which
// owns it: the caller deletes the entries.
//
// Kinds (where the value lives; m_source and m_itemName say where exactly):
//   0 a variable of a post's variable file (source: the post folder; item: the name)
//   1 a string under HKEY_CURRENT_USER (source: the key; item: the value name)
//   2 a folder in "kvcfg/kestrel.ini" (source: the INI file; section: the group)
//   3 a post file (source and value: its path; item: "Post File")
//   4 a string under HKEY_LOCAL_MACHINE (source: the product key)
//   5 a module file (value: its path; version: its product version)
//   6 an add-in's COM server (item: its CLSID; value: the server file)
//   7 a file in "kvcfg/kestrel.ini", section "kvdesign"
//   8 a SolidWorks command-manager tab key (value: the key; source: the tab's sub-key)
class CDataPath : public kv::CObject {
 public:
  int m_kind = 0;
  std::wstring m_group;     // "KVDesign", "PIECEbank", "KVPunch", "Versions", ...
  std::wstring m_postName;  // post entries: the post folder's name
  std::wstring m_version;   // posts: the Acad version; modules: the product version
  std::wstring m_postVersion;
  std::wstring m_manufacturer;
  std::wstring m_model;
  std::wstring m_controller;
  std::wstring m_compiledDateTime;
  std::wstring m_value;  // the path now (folders terminated)
  std::wstring m_source;
  std::wstring m_varFileType;  // kind 0: "PSM" or "PSC"
  std::wstring m_varFileName;  // kind 0: "MPOST.bin" or "CPOST.bin"
  std::wstring m_itemName;
  std::wstring m_label;  // what the user is shown
  bool m_valid = false;  // set by the permission test
  bool m_mayCreate = false;
  bool m_mayRead = false;
  bool m_mayWrite = false;
  bool m_mayDelete = false;
  bool m_modified = false;         // changed in the paths dialog, not yet stored
  bool m_hasPlaceholders = false;  // the value may hold %MAINPATH%, %PRODUCTPATH%, %POSTPATH%
  int m_mirrorsLinked = 0;         // non-zero: the value is the linked entry's
  bool m_checked = true;           // tested, shown and counted as bad when not valid
  std::wstring m_linkedEntryName;  // item name of the mirrored entry
  std::wstring m_originalValue;    // mirrored entries: the value copied at retrieval
  std::wstring m_requiredFile;     // relative to the value; must exist for validity
  int m_requiredFileFound = 0;
};

extern "C" {

// Reads "Install Path" under HKEY_LOCAL_MACHINE `productKey` (a product or release key
// such as "SOFTWARE\Kestrel\KVDNC") and appends the table of that key's release to
// `entries`, under the "Kestrel Permission Test" progress window. `productFilter` (null
// for all) keeps the post entries of one product ("KVPunch" and "KVProf" compared
// without regard to case, "KVWire" exactly); `postFilter` (null for all) those of one
// post folder. False, with nothing appended, without an install path; false, after the
// module entries, when the key has no data path.
KV_EXPORT bool CreateKestrelDataPathArray(const wchar_t* productKey, kv::CObArray& entries,
                                          const wchar_t* productFilter, const wchar_t* postFilter);

// Shows the paths dialog for the installed releases, with the install path read from
// HKEY_LOCAL_MACHINE `productKey`: the table of the chosen release as a tree, each path
// marked usable or not, edited by double-click and stored on OK or Apply. `parent` is
// not used. True when the dialog ended with OK.
KV_EXPORT bool DisplayPathDialog(const wchar_t* productKey, kv::CWnd* parent);

}  // extern "C"
