// Numbered file names: a template such as C:/jobs/NEST???.DAT holds a run of 1 to 10 `?`
// where a zero-padded decimal counter goes. These functions list the names in use for a
// template and find the lowest counter, from 1, whose name is free:
//   NEST001.DAT, NEST002.DAT, NEST004.DAT present: C:/jobs/NEST???.DAT => C:/jobs/NEST003.DAT
// The folder part ends at the template's last `/` (a template without `/` is refused).
#pragma once

#include "KVPlatform/export.h"

// One slot of a name list: a zero-terminated upper-case name.
inline constexpr int KVC_FLNAME_SLOT = 512;
typedef wchar_t KvcFileNameSlot[KVC_FLNAME_SLOT];

extern "C" {

// Adds to a name list the folder entries (files and folders) that match the template,
// whose name has a digit where the first `?` stands and is exactly as long as the
// template's file-name part. The list is a malloc'ed block of slots; slot 0 is unused
// and slots 1..*count hold the names, upper-cased. *list null starts a new list; the
// block grows with realloc; the caller frees it with free. A template without `?` shows
// "No ??? in the passed argument"; one without `/`, or whose file-name part does not
// fit a slot, lists nothing. Either way *list and *count stay as they were.
KV_EXPORT void kvc_build_flname_array(const wchar_t* fileTemplate, KvcFileNameSlot** list,
                                      int* count);

// Copies a file-name template to `out` (as long as the template) with `number` written
// over its `?`, left-padded with 0 to their count:
//   A??B, 7 => A07B
// Returns 1, or 0 when there are more than 10 `?` (after showing "Search for ? failed"),
// when there is none, or when the number is negative or has more digits than `?`.
KV_EXPORT int kvc_set_next_name(const wchar_t* fileNameTemplate, wchar_t* out, int number);

// Writes over the template's file-name part the name of the lowest counter, from 1,
// whose name is not in slots 1..count of the list (compared without regard to case).
// Returns 1, or 0 with the template unchanged when it has no `/`, when the name cannot
// be built (see kvc_set_next_name), or when every counter that fits is in use.
KV_EXPORT int kvc_find_next_flname(wchar_t* fileTemplate, KvcFileNameSlot* list, int count);

// Lists the names in use for the template and writes the lowest free one over it, as
// the two functions above do; keeps no names between calls. 1 found, 0 failed
// (template unchanged).
KV_EXPORT int kvc_next_aval_flname(wchar_t* fileTemplate);

}  // extern "C"
