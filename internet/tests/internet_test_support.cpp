#include "internet_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "inet_config.h"

namespace kv::internet::testing {

TestServer::TestServer(const std::string& script, const std::vector<std::string>& arguments) {
  const std::string path = std::string(KV_INTERNET_TEST_DIR) + "/" + script;
  std::vector<std::string> texts = {"python3", path};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  pid_ = fork();
  if (pid_ == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    dup2(pipeFds[1], 1);
    execv("/usr/bin/python3", argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  output_ = pipeFds[0];
  std::vector<std::string> first = Lines(20000);
  if (first.empty() || first[0].rfind("PORT ", 0) != 0) {
    throw std::runtime_error("the test server " + script + " did not start");
  }
  port_ = std::atoi(first[0].c_str() + 5);
  for (size_t i = 1; i < first.size(); ++i) pending_ += first[i] + "\n";
}

TestServer::~TestServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    // Bounded: a server that ignores the request is killed after two seconds.
    for (int i = 0; i < 200; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      usleep(10000);
    }
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  if (output_ >= 0) close(output_);
}

std::wstring TestServer::Address() const { return L"127.0.0.1:" + std::to_wstring(port_); }

std::vector<std::string> TestServer::Lines(int waitMs) {
  std::string text = pending_;
  pending_.clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    const bool haveLine = text.find('\n') != std::string::npos;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd ready{output_, POLLIN, 0};
    const int waitFor = haveLine ? 20 : static_cast<int>(std::max<long>(left.count(), 0));
    if (poll(&ready, 1, waitFor) <= 0) break;
    char buffer[4096];
    const ssize_t got = read(output_, buffer, sizeof buffer);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  pending_ = text.substr(start);
  return lines;
}

InternetTest::InternetTest() {
  // Loopback servers only: no proxy of the machine's environment in between.
  for (const char* name : {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY",
                           "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY"}) {
    unsetenv(name);
  }
  SetConfig(L"Connect Timeout", 5u);
  SetConfig(L"Transfer Timeout", 10u);
}

void InternetTest::SetConfig(const std::wstring& name, const std::wstring& text) {
  ASSERT_TRUE(WriteRegistryText(Hive::kCurrentUser, kConfigKey, name, text).ok());
}

void InternetTest::SetConfig(const std::wstring& name, uint32_t number) {
  RegKey key;
  ASSERT_TRUE(RegKey::Create(Hive::kCurrentUser, kConfigKey, kKeyAllAccess, &key).ok());
  ASSERT_TRUE(key.SetValue(name, RegValue::Dword(number)).ok());
}

std::filesystem::path InternetTest::Folder(const std::string& name) {
  std::filesystem::path folder = root_.path() / name;
  std::filesystem::create_directories(folder);
  return folder;
}

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 7 + i / 1024 * 13 + 1) & 0xFF);
  }
  return bytes;
}

}  // namespace kv::internet::testing
