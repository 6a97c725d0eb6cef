// Test support: a real SMTP server on 127.0.0.1 (aiosmtpd under /usr/bin/python3) that
// keeps every message it accepts, and Python's email package to read them back.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kv::testing {

struct SmtpServerOptions {
  std::string refuseDomain;   // RCPT TO addresses at this domain get "550 no such user"
  std::string login;          // when set, the server requires AUTH with this login...
  std::string password;       // ...and password (plain text allowed on the loopback)
  int lifetimeSeconds = 120;  // the server ends itself after this long whatever happens
};

// A message as the server received it and Python's email package (policy default)
// reads it.
struct ReceivedMail {
  std::filesystem::path file;       // the bytes received
  std::string mailFrom;             // MAIL FROM
  std::vector<std::string> rcptTo;  // RCPT TO, accepted ones
  std::string login;                // the AUTH login, if any
  std::string from, sender, to, cc, bcc, subject, date, messageId, body;
  std::vector<std::string> headerNames;  // every top-level header, in order
  std::string defects;                   // what the parser objected to (empty: nothing)
  struct Attachment {
    std::string name;
    std::string contentType;
    std::string disposition;
    size_t size = 0;
    int matches = -1;  // index of the original file with equal bytes
  };
  std::vector<Attachment> attachments;
};

class SmtpTestServer {
 public:
  explicit SmtpTestServer(const SmtpServerOptions& options = {});
  ~SmtpTestServer();  // stops the server
  SmtpTestServer(const SmtpTestServer&) = delete;
  SmtpTestServer& operator=(const SmtpTestServer&) = delete;

  int port() const { return port_; }
  std::string Url() const { return "smtp://127.0.0.1:" + std::to_string(port_); }
  // The messages received so far, oldest first, each read with Python's email package;
  // attachments are compared with `originals`.
  std::vector<ReceivedMail> Received(
      const std::vector<std::filesystem::path>& originals = {}) const;
  // How many messages arrived, and the last of them alone (cheaper than all).
  size_t Count() const { return Files().size(); }
  ReceivedMail Last(const std::vector<std::filesystem::path>& originals = {}) const;
  void Stop();

  // A port on 127.0.0.1 where nothing listens.
  static int ClosedPort();

 private:
  std::vector<std::filesystem::path> Files() const;
  ReceivedMail Read(const std::filesystem::path& file,
                    const std::vector<std::filesystem::path>& originals) const;

  std::filesystem::path folder_;
  int pid_ = -1;
  int port_ = 0;
};

// Reads one message file with Python's email package.
ReceivedMail ReadWithPythonEmail(const std::filesystem::path& file,
                                 const std::vector<std::filesystem::path>& originals = {});

}  // namespace kv::testing
