// A guard for tests that delete and copy folder trees: preloaded into a test program
// (LD_PRELOAD), it refuses every call that would create, change or delete something
// outside the folders the test owns, and says so on standard error, where CTest looks
// for it and fails the test. A regression can then never touch the machine.
//
//   KV_WRITE_GUARD=/tmp/kvroot-            allowed path prefixes, separated by ':'
//   KV_WRITE_GUARD_PROGRAMS=/x/build/bin/  guard only programs under these prefixes
//                                          (not the peer tools a test starts)
//
// Refused calls fail with EACCES. Paths are judged after resolving links in their
// folder (and in the path itself when it exists and is followed), so a link inside the
// test's folder that leads out of it is refused too.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

namespace {

struct Config {
  bool active = false;
  std::vector<std::string> allowed;
};

std::vector<std::string> Split(const char* text) {
  std::vector<std::string> parts;
  std::string current;
  for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
    if (*p == ':') {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += *p;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

// Made once and never destroyed: calls still come while the program exits (a library's
// unload deleting its files).
const Config& GetConfig() {
  static const Config* config = [] {
    auto* made = new Config();
    Config& c = *made;
    c.allowed = Split(getenv("KV_WRITE_GUARD"));
    if (c.allowed.empty()) return made;
    char exe[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    const std::string program = n > 0 ? std::string(exe, static_cast<size_t>(n)) : std::string();
    const std::vector<std::string> programs = Split(getenv("KV_WRITE_GUARD_PROGRAMS"));
    c.active = programs.empty();
    for (const std::string& prefix : programs) c.active |= program.rfind(prefix, 0) == 0;
    return made;
  }();
  return *config;
}

// The folder a *at call is relative to, as an absolute path.
std::string FolderOf(int dirfd) {
  char buffer[PATH_MAX] = {};
  if (dirfd == AT_FDCWD) return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
  const std::string link = "/proc/self/fd/" + std::to_string(dirfd);
  const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "/";
}

// The real path of what a call would touch: its folder with links resolved, then its
// name (resolved too when it exists and the call follows it).
std::string Target(int dirfd, const char* path, bool followLast) {
  std::string full = path[0] == '/' ? path : FolderOf(dirfd) + "/" + path;
  while (full.size() > 1 && full.back() == '/') full.pop_back();
  char real[PATH_MAX];
  if (followLast && realpath(full.c_str(), real) != nullptr) return real;
  const size_t slash = full.find_last_of('/');
  const std::string folder = slash == 0 ? "/" : full.substr(0, slash);
  const std::string name = full.substr(slash + 1);
  if (realpath(folder.c_str(), real) == nullptr) return full;  // a missing folder: as written
  std::string result = real;
  if (name == "..") {
    const size_t up = result.find_last_of('/');
    return up == 0 ? "/" : result.substr(0, up);
  }
  if (name == "." || name.empty()) return result;
  return (result == "/" ? "" : result) + "/" + name;
}

bool Allowed(int dirfd, const char* path, bool followLast, const char* call) {
  const Config& config = GetConfig();
  if (!config.active || path == nullptr) return true;
  const std::string target = Target(dirfd, path, followLast);
  for (const std::string& prefix : config.allowed) {
    if (target.rfind(prefix, 0) == 0) return true;
  }
  const std::string message =
      "kv-write-guard: refused " + std::string(call) + " of " + target + "\n";
  (void)!write(STDERR_FILENO, message.data(), message.size());
  errno = EACCES;
  return false;
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool Writes(int flags) { return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0; }

}  // namespace

extern "C" {

// The mode argument of a call that creates a file (it is read only then).
#define KV_GUARD_MODE(flags, mode)                 \
  mode_t mode = 0;                                 \
  if (((flags) & (O_CREAT | O_TMPFILE)) != 0) {    \
    va_list args;                                  \
    va_start(args, flags);                         \
    mode = static_cast<mode_t>(va_arg(args, int)); \
    va_end(args);                                  \
  }

int open(const char* path, int flags, ...) {
  KV_GUARD_MODE(flags, mode)
  if (Writes(flags) && !Allowed(AT_FDCWD, path, (flags & O_NOFOLLOW) == 0, "open")) return -1;
  static auto next = Next<int (*)(const char*, int, ...)>("open");
  return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  KV_GUARD_MODE(flags, mode)
  if (Writes(flags) && !Allowed(AT_FDCWD, path, (flags & O_NOFOLLOW) == 0, "open")) return -1;
  static auto next = Next<int (*)(const char*, int, ...)>("open64");
  return next(path, flags, mode);
}

int openat(int dirfd, const char* path, int flags, ...) {
  KV_GUARD_MODE(flags, mode)
  if (Writes(flags) && !Allowed(dirfd, path, (flags & O_NOFOLLOW) == 0, "openat")) return -1;
  static auto next = Next<int (*)(int, const char*, int, ...)>("openat");
  return next(dirfd, path, flags, mode);
}

int mkdir(const char* path, mode_t mode) {
  if (!Allowed(AT_FDCWD, path, false, "mkdir")) return -1;
  static auto next = Next<int (*)(const char*, mode_t)>("mkdir");
  return next(path, mode);
}

int mkdirat(int dirfd, const char* path, mode_t mode) {
  if (!Allowed(dirfd, path, false, "mkdirat")) return -1;
  static auto next = Next<int (*)(int, const char*, mode_t)>("mkdirat");
  return next(dirfd, path, mode);
}

int unlink(const char* path) {
  if (!Allowed(AT_FDCWD, path, false, "unlink")) return -1;
  static auto next = Next<int (*)(const char*)>("unlink");
  return next(path);
}

int unlinkat(int dirfd, const char* path, int flags) {
  if (!Allowed(dirfd, path, false, "unlinkat")) return -1;
  static auto next = Next<int (*)(int, const char*, int)>("unlinkat");
  return next(dirfd, path, flags);
}

int rmdir(const char* path) {
  if (!Allowed(AT_FDCWD, path, false, "rmdir")) return -1;
  static auto next = Next<int (*)(const char*)>("rmdir");
  return next(path);
}

int rename(const char* from, const char* to) {
  if (!Allowed(AT_FDCWD, from, false, "rename") || !Allowed(AT_FDCWD, to, false, "rename"))
    return -1;
  static auto next = Next<int (*)(const char*, const char*)>("rename");
  return next(from, to);
}

int renameat(int fromfd, const char* from, int tofd, const char* to) {
  if (!Allowed(fromfd, from, false, "renameat") || !Allowed(tofd, to, false, "renameat")) return -1;
  static auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return next(fromfd, from, tofd, to);
}

int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
  if (!Allowed(fromfd, from, false, "renameat2") || !Allowed(tofd, to, false, "renameat2"))
    return -1;
  static auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  return next(fromfd, from, tofd, to, flags);
}

int link(const char* from, const char* to) {
  if (!Allowed(AT_FDCWD, to, false, "link")) return -1;
  static auto next = Next<int (*)(const char*, const char*)>("link");
  return next(from, to);
}

int symlink(const char* target, const char* path) {
  if (!Allowed(AT_FDCWD, path, false, "symlink")) return -1;
  static auto next = Next<int (*)(const char*, const char*)>("symlink");
  return next(target, path);
}

int truncate(const char* path, off_t length) {
  if (!Allowed(AT_FDCWD, path, true, "truncate")) return -1;
  static auto next = Next<int (*)(const char*, off_t)>("truncate");
  return next(path, length);
}

int chmod(const char* path, mode_t mode) {
  if (!Allowed(AT_FDCWD, path, true, "chmod")) return -1;
  static auto next = Next<int (*)(const char*, mode_t)>("chmod");
  return next(path, mode);
}

}  // extern "C"
