// Message boxes whose texts come from the suite's message catalogue, messages.xml in
// the install folder, and that the user can suppress with a check box: for good
// (remembered as "Messages"/<identifier> = 1 among the default variables) or, in session
// mode, for the rest of the process.
#pragma once

#include "KVPlatform/dialog.h"
#include "KVPlatform/export.h"

// Shows the catalogue's message `messageId` (identifiers match with regard to case; an
// identifier the catalogue lacks is shown as the text) in a modal dialog owned by
// `parent` (may be null), unless the user suppressed it: in this process (either mode)
// or, when not `sessionOnly`, in the default variables. The catalogue is read on the
// process's first call, from "Install Path" of HKEY_LOCAL_MACHINE\registryKey (an
// absolute path; without one every box shows its identifier); later calls ignore their
// key. OK with the check box checked suppresses the message;
// closing the dialog otherwise does not.
KV_EXPORT void KVMessageBox(const wchar_t* registryKey, const wchar_t* messageId, bool sessionOnly,
                            kv::CWnd* parent);
