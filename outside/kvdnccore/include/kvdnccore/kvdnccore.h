// kvdnccore: the DNC (direct numerical control) application that KVDNC starts. This is
// the least that stands for it: each entry point says which mode it runs and with what,
// records the call, and returns at once (the real application returns when the user
// closes it).
//
// Record: when the environment variable KVDNCCORE_RECORD names a file, each call
// appends one line to it, the argument in brackets so that blanks show:
//   1 /z [C:\jobs\part.nc]
//   3 normal [] 0 1
//   4 /t [job 12]
#pragma once

#include <string>

#define KVDNCCORE_EXPORT __attribute__((visibility("default")))

extern "C" {

// Entry 1: runs the application on the text that followed "/z" (a job file). Returns 1.
KVDNCCORE_EXPORT int DncStartWithFile(const char* argument);

// Entry 3: runs the application in its normal mode. `buffer` (256 bytes) holds the job
// file to open first, empty for none; `startMode` 0 is the ordinary start; `interactive`
// true shows the application's own windows. Returns 1.
KVDNCCORE_EXPORT int DncStart(char* buffer, int startMode, bool interactive);

}  // extern "C"

// Entry 4: runs the application on the text that followed "/t". Returns 1.
KVDNCCORE_EXPORT int DncStartWithText(std::string& argument);

// The size of entry 3's buffer.
inline constexpr int kDncBufferSize = 256;
