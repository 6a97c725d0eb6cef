// Default variables: named values in sections of the suite's INI file, the data path
// (GetDataPath) followed by "kvcfg/kestrel.ini". Values read or written are kept in a
// cache for the library's life, with section and key names matched as the INI file
// matches them (without regard to case, blanks around them ignored); the cache is thrown
// away whenever the file changed behind its back (its modification time to the
// nanosecond, size and identity on the volume differ from the version last seen).
//
// Section and key names and the values of the plain functions are 8-bit text (UTF-8);
// the T functions take and give wide values. None of these functions creates the INI
// file: without a data path or without the file every call returns 0 and writes nothing.
#pragma once

#include "KVPlatform/export.h"

extern "C" {

// Copies the value of section/key into `value`, a buffer of valueSize bytes: at most
// valueSize - 1 bytes (never half a character) and a terminator whenever valueSize > 0.
// 1 when found; 0 when the key is missing or its value empty (the buffer then holds an
// empty string) or there is no file.
//   [Options] Units=mm, ("OPTIONS", "units", buffer, 3) => 1, "mm"
//   the same with a buffer of 2 bytes                    => 1, "m"
KV_EXPORT int GetDefaultVar(const char* section, const char* key, char* value, int valueSize);

// Sets section/key to `value` (null reads as empty). A value equal to the cached one
// (with regard to case) leaves the file untouched. 1 done; 0 when there is no file or
// the file could not be written (read-only, or a value with a line break).
KV_EXPORT int SetDefaultVar(const char* section, const char* key, const char* value);

// Removes section/key from the file. 1 done (also when it was not there); 0 when there
// is no file or it could not be written.
KV_EXPORT int DeleteDefaultVar(const char* section, const char* key);

// GetDefaultVar with a wide buffer of valueSize characters (at most valueSize - 1
// copied, terminated whenever valueSize > 0).
KV_EXPORT int GetDefaultVarT(const char* section, const char* key, wchar_t* value,
                             unsigned valueSize);

// SetDefaultVar with a wide value; the file holds it as UTF-8.
KV_EXPORT int SetDefaultVarT(const char* section, const char* key, const wchar_t* value);

}  // extern "C"

// Removes a whole section from the file. 1 done (also when it was not there); 0 when
// there is no file or it could not be written.
KV_EXPORT int DeleteDefaultVarSection(const char* section);
