// Test support for kvinternet: real servers started on 127.0.0.1 for one test and
// stopped with it, and a fixture with a fresh root, a scripted UI and the library's
// configuration pointing at those servers.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "KVPlatform/registry.h"
#include "temp_root.h"

namespace kv::internet::testing {

// A server script of this folder run by Debian's Python (/usr/bin/python3, where
// pyftpdlib lives). The constructor waits (at most 20 s) for its "PORT <n>" line; the
// destructor ends it and waits for it. The scripts end themselves after five minutes,
// and die with the test program.
class TestServer {
 public:
  TestServer(const std::string& script, const std::vector<std::string>& arguments);
  ~TestServer();
  TestServer(const TestServer&) = delete;
  TestServer& operator=(const TestServer&) = delete;

  int port() const { return port_; }
  // "127.0.0.1:<port>".
  std::wstring Address() const;
  // The lines the server printed since the last call (after its port line), waiting up
  // to `waitMs` for the first one.
  std::vector<std::string> Lines(int waitMs = 1000);

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  int port_ = 0;
  std::string pending_;
};

class InternetTest : public kv::testing::RootTest {
 protected:
  InternetTest();
  // A value of the library's key under HKCU.
  void SetConfig(const std::wstring& name, const std::wstring& text);
  void SetConfig(const std::wstring& name, uint32_t number);
  // A host folder of the root (created) and its file contents.
  std::filesystem::path Folder(const std::string& name);
};

inline bool EndsWith(std::wstring_view text, std::wstring_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// `size` bytes that differ from block to block, so that a block written twice or
// skipped shows.
std::string Pattern(size_t size);

}  // namespace kv::internet::testing
