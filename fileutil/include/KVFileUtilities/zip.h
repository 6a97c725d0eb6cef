// Zip archives through a handle: CreateZipZ opens an archive for writing (to a file
// descriptor, a new file or memory), ZipAdd packs one entry (a file, a descriptor's
// contents, a memory block or a folder entry), CloseZipZ writes the central directory
// and frees the handle. The archives are plain PKWARE zip files without zip64: at most
// 65,535 entries, every size and offset below 4 GiB; an addition that would pass a
// limit is refused with HZ_WRITE and the archive stays readable.
//
// The reading half of the interface (FindZipItemA/W, GetZipItemA/W, UnzipItem) exists
// for callers linked against the whole interface. No function of this library opens an
// archive for reading, so these only check their handle: HZ_ARGUMENTS for a null one,
// HZ_WRONG_MODE for one being written; their outputs are never touched.
//
//   HZIP zip = CreateZipZ(const_cast<wchar_t*>(L"C:/out/job.zip"), 0, ZIP_FILENAME);
//   ZipAdd(zip, L"docs\\readme.txt", const_cast<wchar_t*>(L"C:/job/readme.txt"), 0,
//          ZIP_FILENAME);                                   // stored as docs/readme.txt
//   ZipAdd(zip, L"images", nullptr, 0, ZIP_FOLDER);         // stored as images/
//   CloseZipZ(zip);
#pragma once

#include <cstdint>

#include "KVPlatform/export.h"

// An archive handle (opaque).
struct HZIP__;
typedef HZIP__* HZIP;

#ifndef _DWORD_DEFINED
#define _DWORD_DEFINED
typedef uint32_t DWORD;
#endif
#ifndef _FILETIME_
#define _FILETIME_
// 100-nanosecond intervals since 1601-01-01 UTC, as two 32-bit halves.
typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;
#endif

// Result codes.
inline constexpr unsigned long HZ_OK = 0x00000000;
inline constexpr unsigned long HZ_DUPLICATE_HANDLE =
    0x00000100;  // duplicating the output descriptor failed
inline constexpr unsigned long HZ_OPEN_FILE =
    0x00000200;  // creating the output or opening/examining a source failed
inline constexpr unsigned long HZ_ALLOCATE = 0x00000300;  // the memory block could not be mapped
inline constexpr unsigned long HZ_WRITE =
    0x00000400;  // writing, compressing or copying failed; or a format limit
inline constexpr unsigned long HZ_ARGUMENTS =
    0x00010000;  // null handle, unknown kind, bad name or source
inline constexpr unsigned long HZ_MEMORY_SIZE = 0x00030000;  // memory output of size 0
inline constexpr unsigned long HZ_WRONG_MODE =
    0x00080000;  // the handle is not of the kind the call needs
inline constexpr unsigned long HZ_STORAGE_CHANGED =
    0x04000000;  // a stored source's size changed (output without seeking)

// Output kinds of CreateZipZ (its third argument).
inline constexpr unsigned long ZIP_HANDLE = 1;    // an open writable descriptor, duplicated
inline constexpr unsigned long ZIP_FILENAME = 2;  // a file created or replaced
inline constexpr unsigned long ZIP_MEMORY = 3;    // a memory block
// Source kinds of ZipAdd (its last argument): ZIP_HANDLE, ZIP_FILENAME, ZIP_MEMORY and
inline constexpr unsigned long ZIP_FOLDER = 4;  // a folder entry without data

// Descriptors travel in the `void*` arguments as their numbers:
//   CreateZipZ(reinterpret_cast<void*>(static_cast<intptr_t>(fd)), 0, ZIP_HANDLE)

// Creates an archive for writing. By kind:
//   ZIP_HANDLE:   `target` is an open, writable descriptor; the library writes to a
//                 duplicate of it. On a disk file the archive starts at the descriptor's
//                 current position (offsets in the archive count from the file's start)
//                 and local headers are completed in place; on a pipe or socket every
//                 entry is followed by a data descriptor (general-purpose flag 8).
//   ZIP_FILENAME: `target` is the file name (const wchar_t*), created or emptied.
//   ZIP_MEMORY:   `target` is the caller's block of `size` bytes, or null for a block the
//                 library maps; when the archive outgrows its block it moves to a new
//                 mapping of twice the size (the caller's block gets nothing more). The
//                 memory is released at close.
// Returns null on failure (a bad descriptor, a file that cannot be created, a size of
// 0, a mapping that cannot be made, an unknown kind).
KV_EXPORT HZIP CreateZipZ(void* target, unsigned int size, unsigned long kind);

// Adds one entry. `name` is the entry's name; `\` becomes `/`, a folder entry gets a
// trailing `/`. Names go to the archive in the OEM code page (CP437); a name with a
// character that CP437 lacks is stored in UTF-8 with general-purpose flag 11 set.
// Names ending in .Z .zip .zoo .arc .lzh .arj .gz .tgz (any case) and folder entries are
// stored, everything else deflated (level 8).
// By kind:
//   ZIP_HANDLE:   `source` is an open readable descriptor, never closed; a disk file is
//                 read from its start; for a pipe `length` is its length, 0 if unknown.
//   ZIP_FILENAME: `source` is the file name (const wchar_t*).
//   ZIP_MEMORY:   `source` is the block (not null), `length` its size (not 0).
//   ZIP_FOLDER:   a folder entry; `source` and `length` are ignored.
// Returns HZ_OK, or: HZ_ARGUMENTS (null handle, unknown kind, null or empty name, a name
// that is not valid Unicode or longer than 65,535 bytes, null or empty source),
// HZ_WRONG_MODE, HZ_OPEN_FILE (source cannot be opened or examined; nothing is written),
// HZ_WRITE (writing, reading or compressing failed, or the archive would pass 65,535
// entries or 4 GiB), HZ_STORAGE_CHANGED (on an output without seeking, a stored source
// delivered another number of bytes than announced). A failed addition leaves no entry
// in the central directory; bytes already written for it stay in the output.
KV_EXPORT unsigned long ZipAdd(HZIP archive, const wchar_t* name, void* source, unsigned int length,
                               unsigned long kind);

// Writes the central directory and the end record, releases the output and frees the
// handle (invalid afterwards). HZ_ARGUMENTS for a null handle and HZ_WRONG_MODE for a
// handle not being written (both free nothing); HZ_WRITE when writing or closing the
// output failed.
KV_EXPORT unsigned long CloseZipZ(HZIP archive);

// One entry of an archive being read.
struct ZIPENTRY {
  int index;                     // position in the archive
  char name[260];                // zero-terminated
  DWORD attr;                    // Windows file attributes
  FILETIME atime, ctime, mtime;  // last access, creation, last write
  long comp_size;                // bytes
  long unc_size;                 // bytes
};

struct ZIPENTRYW {
  int index;
  wchar_t name[260];
  DWORD attr;
  FILETIME atime, ctime, mtime;
  long comp_size;
  long unc_size;
};

// The reading entry points: HZ_ARGUMENTS for a null handle, else HZ_WRONG_MODE (every
// handle this library hands out is being written). Outputs are left untouched.
KV_EXPORT unsigned long FindZipItemA(HZIP archive, const wchar_t* name, bool ignoreCase, int* index,
                                     ZIPENTRY* entry);
KV_EXPORT unsigned long FindZipItemW(HZIP archive, const wchar_t* name, bool ignoreCase, int* index,
                                     ZIPENTRYW* entry);
KV_EXPORT unsigned long GetZipItemA(HZIP archive, int index, ZIPENTRY* entry);
KV_EXPORT unsigned long GetZipItemW(HZIP archive, int index, ZIPENTRYW* entry);
KV_EXPORT unsigned long UnzipItem(HZIP archive, int index, void* target, unsigned int length,
                                  unsigned long kind);
