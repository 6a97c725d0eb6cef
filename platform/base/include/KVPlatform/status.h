// Errors as values: a Win32 error code, 0 for success.
//
// The platform reports every failure with the Win32 code that the system's algorithms
// test (2 file not found, 3 path not found, 183 already exists, ...), so that code
// written against the Windows calls keeps its decisions unchanged.
#pragma once

#include "KVPlatform/export.h"

#include <cstdint>

namespace kv {

// Win32 error codes used by the platform and tested by its callers.
inline constexpr uint32_t kErrorSuccess = 0;
inline constexpr uint32_t kErrorInvalidFunction = 1;
inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorPathNotFound = 3;
inline constexpr uint32_t kErrorAccessDenied = 5;
inline constexpr uint32_t kErrorInvalidHandle = 6;
inline constexpr uint32_t kErrorNotEnoughMemory = 8;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kErrorNotReady = 21;
inline constexpr uint32_t kErrorWriteFault = 29;
inline constexpr uint32_t kErrorReadFault = 30;
inline constexpr uint32_t kErrorSharingViolation = 32;
inline constexpr uint32_t kErrorFileExists = 80;
inline constexpr uint32_t kErrorInvalidParameter = 87;
inline constexpr uint32_t kErrorDiskFull = 112;
inline constexpr uint32_t kErrorInsufficientBuffer = 122;
inline constexpr uint32_t kErrorInvalidName = 123;
inline constexpr uint32_t kErrorDirNotEmpty = 145;
inline constexpr uint32_t kErrorBadPathName = 161;
inline constexpr uint32_t kErrorAlreadyExists = 183;
inline constexpr uint32_t kErrorFilenameExcedRange = 206;
inline constexpr uint32_t kErrorMoreData = 234;
inline constexpr uint32_t kErrorNoMoreItems = 259;
inline constexpr uint32_t kErrorDirectory = 267;
inline constexpr uint32_t kErrorBadFormat = 11;
inline constexpr uint32_t kErrorCantOpenFile = 1011;
inline constexpr uint32_t kErrorKeyDeleted = 1018;
inline constexpr uint32_t kErrorNoMoreFiles = 18;
inline constexpr uint32_t kErrorCantAccessFile = 1920;

// The result of a platform operation: a Win32 error code, 0 when it succeeded.
class [[nodiscard]] Status {
 public:
  constexpr Status() = default;
  constexpr explicit Status(uint32_t code) : code_(code) {}
  static constexpr Status Ok() { return Status(); }

  constexpr bool ok() const { return code_ == kErrorSuccess; }
  constexpr uint32_t code() const { return code_; }
  constexpr explicit operator bool() const { return ok(); }
  friend constexpr bool operator==(Status a, Status b) { return a.code_ == b.code_; }

 private:
  uint32_t code_ = kErrorSuccess;
};

// Translates a POSIX errno value to the nearest Win32 error code.
KV_EXPORT uint32_t Win32CodeFromErrno(int error);

}  // namespace kv
