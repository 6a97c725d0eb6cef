// Path and folder utilities: create folders, split and shorten paths for display, copy
// and delete folder trees, test access and byte-order marks, and find the suite's data
// path in the registry. Paths are Windows path strings; both separators are accepted
// unless a function says otherwise.
#pragma once

#include <string>

#include "KVPlatform/export.h"

// Folder-tree flags of kv_copy_directory and kvc_delete_directory; other bits are ignored.
enum : unsigned {
  DIR_REMOVE_SELF = 1,    // delete: remove the folder itself after its contents
  DIR_RECURSE = 2,        // both: descend into subfolders
  DIR_NO_PROMPT = 4,      // delete: do not ask the user
  DIR_KEEP_EXISTING = 8,  // copy: never overwrite an existing destination file
};

extern "C" {

// Creates a folder and up to 15 missing parents; only `\` separates levels. True when
// the folder (or a file of that name) exists at the end. A path of 260 characters or
// more gives false.
//   C:\a\b\c with only C:\a present => creates b and c, true
KV_EXPORT bool CreateFolder(const wchar_t* path);

// Splits a path into folder, name and extension after turning `/` into `\`; the
// extension is what follows the last dot of the whole path.
//   C:/data/jobs/part.dwg => C:\data\jobs, part, dwg
//   C:\dir.v2\file        => C:, dir, v2\file
// An empty path leaves the outputs untouched.
KV_EXPORT void ParsePathedFileName(std::wstring path, std::wstring& folder, std::wstring& name,
                                   std::wstring& extension);

// Turns every `\` into `/`, in place.
KV_EXPORT void kv_change_backslashes(wchar_t* path);

// Shortens a drive path for a field of maxLength characters: head "X:/..." and the
// tail from a separator. Returns 0 (output untouched) for a path that does not start
// with a letter and a colon, 1 otherwise. The output must hold max(length, maxLength)
// characters plus the terminator. A path of 512 characters or more gives 0.
//   C:\Users\Public\Documents\Kestrel\Data\material\steel, 30 => C:/...\Data\material\steel
KV_EXPORT int kv_trunc_path(const wchar_t* path, wchar_t* out, unsigned maxLength);

// Deletes the contents of a folder (see the flags); asks first unless DIR_NO_PROMPT.
// Returns 0 when the user declined, and for a folder that is a root (an empty name, a
// drive or share root, the host's root), of which nothing is deleted. Names beginning
// with '.' are never deleted.
KV_EXPORT int kvc_delete_directory(const wchar_t* folder, int flags);

// Copies the entries of sourceFolder that match pattern (which begins with '/', as
// "/*.*") into destinationFolder, descending with DIR_RECURSE, never overwriting with
// DIR_KEEP_EXISTING. Returns 0 when a file could not be copied after 100 retries.
// Names beginning with '.' are never copied.
KV_EXPORT int kv_copy_directory(const wchar_t* sourceFolder, const wchar_t* pattern,
                                const wchar_t* destinationFolder, unsigned flags);

}  // extern "C"

// The access test: mode 0 existence, 2 write, 4 read, 6 both. Another mode shows the
// invalid-mode message and gives false; a denied test shows its message when asked.
KV_EXPORT bool kv_AccessCheck(const wchar_t* path, int mode, bool showMessage);

// True when the file begins with a Unicode byte-order mark (UTF-8, UTF-16, UTF-32).
KV_EXPORT bool IsFileUnicode(const wchar_t* const fileName);

// The suite's data path ("Data Path" under Software\Kestrel\PIECEbank\2024, the
// current user's first), cached for the life of the library. 1 found, 0 not found
// (output untouched).
KV_EXPORT int GetDataPath(std::wstring& dataPath);
