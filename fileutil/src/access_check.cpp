// kv_AccessCheck: existence and permission tests, with messages on request.
#include "KVFileUtilities/path_utilities.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "resources.h"

using kv::fileutil::FileUtilityStrings;
using kv::fileutil::IDS_DOES_NOT_EXIST;
using kv::fileutil::IDS_INVALID_ACCESS_MODE;
using kv::fileutil::IDS_NO_READ_PERMISSION;
using kv::fileutil::IDS_NO_READ_WRITE_PERMISSION;
using kv::fileutil::IDS_NO_WRITE_PERMISSION;

bool kv_AccessCheck(const wchar_t* path, int mode, bool showMessage) {
  uint32_t messageId = 0;
  switch (mode) {
    case 0: messageId = IDS_DOES_NOT_EXIST; break;
    case 2: messageId = IDS_NO_WRITE_PERMISSION; break;
    case 4: messageId = IDS_NO_READ_PERMISSION; break;
    case 6: messageId = IDS_NO_READ_WRITE_PERMISSION; break;
    default:
      kv::ShowMessageBox(FileUtilityStrings().Load(IDS_INVALID_ACCESS_MODE),
                         kv::kMbOk | kv::kMbIconError);
      return false;
  }
  const std::wstring_view text = path != nullptr ? std::wstring_view(path) : std::wstring_view();
  if (!text.empty() && kv::Access(text, mode).ok()) return true;
  if (showMessage) {
    kv::ShowMessageBox(kv::FormatMessageText(FileUtilityStrings().Load(messageId), {text}),
                       kv::kMbOk | kv::kMbIconError);
  }
  return false;
}
