// KVListBoxes: the suite's shared choosers. The system uses one of them, the folder
// chooser (ordinal 52 of the library on Windows), which asks the platform's UI backend
// for a folder: a folder dialog under a desktop backend, a typed path on the console (an
// empty line keeps the current folder), a queued answer under the scripted backend.
#pragma once

#define KVLISTBOXES_EXPORT __attribute__((visibility("default")))

namespace kv {
class CWnd;
}

// The size of the path buffer, in characters with the terminator (MAX_PATH).
inline constexpr int kFolderPathSize = 260;

// Option: only a folder that exists may be chosen.
inline constexpr unsigned kFolderMustExist = 2048;

extern "C" {

// Lets the user choose a folder. `path` is a writable buffer of kFolderPathSize
// characters holding the current folder (read up to its terminator or the buffer's
// end). `root` is the folder the browsing starts from: 0, the whole machine, is the
// only one offered. With kFolderMustExist in `options` a folder that does not exist is
// refused with a message and the user chooses again; so is a folder whose path does not
// fit the buffer. True with the chosen folder in `path` (terminated); false when the
// user cancelled, with `path` unchanged. `owner` owns the chooser (may be null).
KVLISTBOXES_EXPORT bool kv_BrowseForFolder(wchar_t* path, int root, unsigned options,
                                           kv::CWnd* owner);

}  // extern "C"
