// Starting programs without a shell. The program runs as the grandchild of this process:
// an intermediate child starts it, optionally waits for it, reports back through a pipe
// and exits, so that a program that outlives the wait belongs to init and never becomes
// a zombie of the caller (a library may not reap children behind its host's back).
#include "KVPlatform/process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "KVPlatform/text.h"
#include "kvhost/host_path.h"

extern char** environ;

namespace kv {
namespace {

// What the intermediate reports: whether exec failed (its errno), and how the program
// ended if it did within the wait.
struct Report {
  int execError = 0;
  int exited = 0;
  int status = 0;
};

bool HasPathSyntax(std::wstring_view name) {
  if (name.find_first_of(L"/\\") != std::wstring_view::npos) return true;
  return name.size() >= 2 && name[1] == L':';
}

// The host file of the program: a path resolved through the root, or the first
// executable regular file of that name in a PATH folder.
Status FindProgram(std::wstring_view name, std::string* file) {
  if (HasPathSyntax(name)) {
    std::filesystem::path host;
    if (Status s = host::ResolvePath(name, &host); !s.ok()) return s;
    struct stat info;
    if (stat(host.c_str(), &info) != 0) return Status(Win32CodeFromErrno(errno));
    if (!S_ISREG(info.st_mode) || access(host.c_str(), X_OK) != 0) {
      return Status(kErrorAccessDenied);
    }
    *file = host.string();
    return Status::Ok();
  }
  const std::string program = WideToAnsi(name);
  const char* path = std::getenv("PATH");
  const std::string folders =
      path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
  bool seenUnrunnable = false;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    // An empty entry (the current folder, to a shell) is passed over: a library never
    // runs whatever lies in the caller's working folder.
    if (end == start) {
      start = end + 1;
      continue;
    }
    std::string candidate = folders.substr(start, end - start) + "/" + program;
    start = end + 1;
    struct stat info;
    if (stat(candidate.c_str(), &info) != 0) continue;
    if (S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0) {
      *file = std::move(candidate);
      return Status::Ok();
    }
    seenUnrunnable = true;
  }
  return Status(seenUnrunnable ? kErrorAccessDenied : kErrorFileNotFound);
}

int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = write(fd, p, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// Reads exactly `size` bytes; false at an early end.
bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = read(fd, p, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

// The grandchild: a clean signal state, /dev/null as input, then the program. Only
// async-signal-safe calls from here on.
[[noreturn]] void RunProgram(const char* file, char* const* argv, int errorPipe) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigaction(SIGPIPE, &dfl, nullptr);
  // Descriptors of the caller (sockets, files) are no business of the program.
  close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) {
    dup2(devNull, 0);
    if (devNull != 0) close(devNull);
  }
  execve(file, argv, environ);
  const int error = errno;
  WriteAll(errorPipe, &error, sizeof error);
  _exit(127);
}

// The intermediate: starts the program, waits for it up to `waitMs`, reports, exits.
[[noreturn]] void RunIntermediate(const char* file, char* const* argv, int waitMs, int reportPipe) {
  Report report;
  // A host that ignores SIGCHLD would have the program reaped unseen.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigaction(SIGCHLD, &dfl, nullptr);
  int execPipe[2];
  if (pipe2(execPipe, O_CLOEXEC) != 0) {
    report.execError = errno;
    WriteAll(reportPipe, &report, sizeof report);
    _exit(1);
  }
  const pid_t program = fork();
  if (program < 0) {
    report.execError = errno;
    WriteAll(reportPipe, &report, sizeof report);
    _exit(1);
  }
  if (program == 0) {
    close(execPipe[0]);
    close(reportPipe);
    RunProgram(file, argv, execPipe[1]);
  }
  close(execPipe[1]);
  // The exec pipe closes without data when exec succeeded.
  int error = 0;
  ssize_t got;
  do {
    got = read(execPipe[0], &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  close(execPipe[0]);
  if (got == static_cast<ssize_t>(sizeof error)) {
    report.execError = error;
    waitpid(program, nullptr, 0);
  } else if (waitMs > 0) {
    const int64_t deadline = NowMs() + waitMs;
    for (;;) {
      int status = 0;
      const pid_t done = waitpid(program, &status, WNOHANG);
      if (done == program) {
        report.exited = 1;
        report.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      const int64_t left = deadline - NowMs();
      if (left <= 0) break;
      poll(nullptr, 0, static_cast<int>(left < 5 ? left : 5));
    }
  }
  WriteAll(reportPipe, &report, sizeof report);
  _exit(0);
}

}  // namespace

Status StartProgram(const std::vector<std::wstring>& arguments, int waitMs, ProgramExit* exit) {
  if (exit != nullptr) *exit = ProgramExit{};
  if (arguments.empty() || arguments[0].empty()) return Status(kErrorInvalidParameter);
  for (const std::wstring& argument : arguments) {
    if (argument.find(L'\0') != std::wstring::npos) return Status(kErrorInvalidParameter);
  }
  std::string file;
  if (Status s = FindProgram(arguments[0], &file); !s.ok()) return s;

  // Everything the children need is built before the fork: after it, no allocation.
  std::vector<std::string> texts;
  texts.reserve(arguments.size());
  for (const std::wstring& argument : arguments) texts.push_back(WideToAnsi(argument));
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  int reportPipe[2];
  if (pipe2(reportPipe, O_CLOEXEC) != 0) return Status(kErrorNotEnoughMemory);
  const pid_t intermediate = fork();
  if (intermediate < 0) {
    close(reportPipe[0]);
    close(reportPipe[1]);
    return Status(kErrorNotEnoughMemory);
  }
  if (intermediate == 0) {
    close(reportPipe[0]);
    RunIntermediate(file.c_str(), argv.data(), waitMs < 0 ? 0 : waitMs, reportPipe[1]);
  }
  close(reportPipe[1]);
  Report report;
  const bool reported = ReadAll(reportPipe[0], &report, sizeof report);
  close(reportPipe[0]);
  while (waitpid(intermediate, nullptr, 0) < 0 && errno == EINTR) {
  }
  if (!reported) return Status(kErrorNotEnoughMemory);
  if (report.execError != 0) {
    switch (report.execError) {
      case ENOENT: return Status(kErrorFileNotFound);
      case ENOEXEC: return Status(kErrorBadFormat);
      case EAGAIN:
      case ENOMEM: return Status(kErrorNotEnoughMemory);
      default: return Status(kErrorAccessDenied);
    }
  }
  if (exit != nullptr) {
    exit->exited = report.exited != 0;
    exit->exitCode = report.status;
  }
  return Status::Ok();
}

}  // namespace kv
