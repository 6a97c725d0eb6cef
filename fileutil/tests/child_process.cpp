#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

namespace kv::fileutil::testing {
namespace {

std::string HelperPath() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "KVFileUtilities_child")
      .string();
}

[[noreturn]] void Exec(const std::vector<std::string>& arguments) {
  const std::string helper = HelperPath();
  std::vector<char*> argv{const_cast<char*>(helper.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  execv(helper.c_str(), argv.data());
  _exit(127);
}

int StatusOf(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1; }

}  // namespace

ChildResult RunChild(const std::vector<std::string>& arguments) {
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    dup2(out[1], 1);
    Exec(arguments);
  }
  close(out[1]);
  ChildResult result;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  char buffer[4096];
  for (;;) {
    struct pollfd ready = {out[0], POLLIN, 0};
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t got = read(out[0], buffer, sizeof buffer);
    if (got <= 0) break;
    result.output.append(buffer, static_cast<size_t>(got));
  }
  close(out[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  result.status = StatusOf(raw);
  return result;
}

ChildGate::ChildGate() {
  if (pipe2(gate_, O_CLOEXEC) != 0 || pipe2(ready_, O_CLOEXEC) != 0) {
    throw std::runtime_error("pipe failed");
  }
}

ChildGate::~ChildGate() {
  for (int fd : {gate_[0], gate_[1], ready_[0], ready_[1]}) {
    if (fd >= 0) close(fd);
  }
  for (pid_t child : children_) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
}

void ChildGate::Start(const std::vector<std::string>& arguments) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Fds 3 and 4 are inherited (dup2 onto itself would keep close-on-exec, so the ends
    // go to free numbers first); the other ends close on exec.
    const int gate = fcntl(gate_[0], F_DUPFD, 10);
    const int ready = fcntl(ready_[1], F_DUPFD, 10);
    if (gate < 0 || ready < 0 || dup2(gate, 3) != 3 || dup2(ready, 4) != 4) _exit(126);
    std::vector<std::string> all;
    bool gated = false;
    for (const std::string& argument : arguments) {
      if (argument == "GATE") {
        all.insert(all.end(), {"ready", "4", "wait", "3"});
        gated = true;
      } else {
        all.push_back(argument);
      }
    }
    if (!gated) all.insert(all.begin(), {"ready", "4", "wait", "3"});
    Exec(all);
  }
  children_.push_back(pid);
}

void ChildGate::WaitUntilReady() {
  if (ready_[1] < 0) return;
  close(ready_[1]);
  ready_[1] = -1;
  char byte;
  for (size_t ready = 0; ready < children_.size() && read(ready_[0], &byte, 1) == 1;) ++ready;
}

std::vector<int> ChildGate::OpenAndWait() {
  // Every child has started and sits at the gate before it opens.
  WaitUntilReady();
  close(gate_[1]);
  gate_[1] = -1;
  std::vector<int> statuses;
  for (pid_t child : children_) {
    int raw = 0;
    waitpid(child, &raw, 0);
    statuses.push_back(StatusOf(raw));
  }
  children_.clear();
  return statuses;
}

}  // namespace kv::fileutil::testing
