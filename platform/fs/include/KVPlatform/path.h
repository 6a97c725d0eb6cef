// Windows path strings: their parts, as pure string work.
//
// The system keeps Windows path strings as its currency: `\` and `/` both separate, and
// drive letters and UNC names are allowed. Every file call of the platform takes them
// and resolves them to host paths itself (the platform's own business):
//
//   C:\data\post        => <root>/drives/c/data/post
//   c:/data\post        => <root>/drives/c/data/post
//   \\srv\share\jobs    => <root>/unc/srv/share/jobs
//   /home/ann/data\post => /home/ann/data/post        (a host path)
#pragma once

#include "KVPlatform/export.h"

#include <string>
#include <string_view>
#include <vector>

#include "KVPlatform/status.h"

namespace kv {

enum class PathKind {
  kDrive,  // X:\rest or X:/rest (also the bare X: and X:rest, read as X:\rest)
  kUnc,    // \\server\share\rest
  kHost,   // anything else: a host path with either separator
};

struct KV_EXPORT WindowsPath {
  PathKind kind = PathKind::kHost;
  wchar_t drive = 0;                     // lower-case drive letter for kDrive
  std::wstring server, share;            // for kUnc
  bool absolute = false;                 // kHost: begins with a separator
  std::vector<std::wstring> components;  // the rest, without empty components or "."
};

// Splits a path; ".." components are kept as they stand. Never fails.
KV_EXPORT WindowsPath ParseWindowsPath(std::wstring_view path);

// True when a path does not depend on the working folder: it has a drive letter, a
// server and share, or a leading separator. An empty path is not absolute.
//   true:  L"C:\\data", L"\\\\srv\\share\\x", L"/srv"
//   false: L"data\\x", L"\\\\srv", L""
KV_EXPORT bool IsAbsolutePath(std::wstring_view path);

// True when a path names no folder below a root: an empty path (or one of only "." and
// separators), a drive root ("C:", "C:\\", "C:\\.."), a share root ("\\\\srv\\share") or the
// host's root ("/", "\\"). ".." components are applied as resolution applies them:
// never above a drive or a share. Pure string work.
//   NamesRoot(L"")  NamesRoot(L"c:/")  NamesRoot(L"\\\\srv\\share\\")  => true
//   NamesRoot(L"C:\\data")  NamesRoot(L"data")                   => false
KV_EXPORT bool NamesRoot(std::wstring_view path);

// True for `\` and `/`.
constexpr bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace kv
