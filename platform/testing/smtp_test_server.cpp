// Test support: the aiosmtpd server and the reader over Python's email package.
#include "smtp_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "run_program.h"
#include "temp_root.h"

namespace kv::testing {

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// The server: accepts on 127.0.0.1 (port given by the system, printed first), writes
// each message to NNN.eml with its envelope in NNN.env, and stops on SIGTERM, when its
// standard input closes, or after its lifetime.
constexpr const char* kServerScript = R"PY(
import asyncio, logging, os, signal, sys, warnings
warnings.simplefilter('ignore')
logging.getLogger('mail.log').setLevel(logging.CRITICAL)
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
folder, refuse, login, password, lifetime = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], int(sys.argv[5])

class Handler:
    count = 0
    async def handle_RCPT(self, server, session, envelope, address, options):
        if refuse and address.lower().endswith('@' + refuse):
            return '550 5.1.1 no such user'
        envelope.rcpt_tos.append(address)
        return '250 OK'
    async def handle_DATA(self, server, session, envelope):
        Handler.count += 1
        base = os.path.join(folder, '%03d' % Handler.count)
        who = session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else ''
        with open(base + '.env', 'w') as f:
            f.write('\n'.join([envelope.mail_from, who] + envelope.rcpt_tos) + '\n')
        with open(base + '.tmp', 'wb') as f:
            f.write(envelope.original_content)
        os.rename(base + '.tmp', base + '.eml')
        return '250 OK queued'

def authenticate(server, session, envelope, mechanism, data):
    if isinstance(data, LoginPassword) and data.login.decode() == login and data.password.decode() == password:
        return AuthResult(success=True, auth_data=data)
    return AuthResult(success=False, handled=False)

def factory():
    return SMTP(Handler(), data_size_limit=256 << 20, enable_SMTPUTF8=True, hostname='kvtest',
                auth_required=bool(login), auth_require_tls=False,
                authenticator=authenticate if login else None)

loop = asyncio.new_event_loop()
server = loop.run_until_complete(loop.create_server(factory, '127.0.0.1', 0))
print(server.sockets[0].getsockname()[1], flush=True)
loop.add_signal_handler(signal.SIGTERM, loop.stop)
loop.add_reader(sys.stdin.fileno(), lambda: loop.stop() if not os.read(sys.stdin.fileno(), 1) else None)
loop.call_later(lifetime, loop.stop)
loop.run_forever()
)PY";

// The reader: one "key=hex(UTF-8 value)" line per field; the body with LF line ends.
constexpr const char* kReaderScript = R"PY(
import email, email.policy, sys
data = open(sys.argv[1], 'rb').read()
originals = [open(p, 'rb').read() for p in sys.argv[2:]]
msg = email.message_from_bytes(data, policy=email.policy.default)
def out(key, value):
    print(key + '=' + str(value if value is not None else '').encode('utf-8').hex())
for key in ('From', 'Sender', 'To', 'Cc', 'Bcc', 'Subject', 'Date', 'Message-ID'):
    out(key.lower(), msg[key])
body = msg.get_body(preferencelist=('plain',))
out('body', body.get_content().replace('\r\n', '\n') if body is not None else '')
out('headers', ','.join(msg.keys()))
defects = [str(d) for d in msg.defects]
for part in msg.walk():
    defects += [str(d) for d in part.defects]
for key in msg.keys():
    defects += [key + ': ' + str(d) for d in getattr(msg[key], 'defects', ())]
out('defects', '; '.join(defects))
for part in msg.iter_attachments():
    payload = part.get_payload(decode=True) or b''
    match = next((i for i, o in enumerate(originals) if o == payload), -1)
    out('attachment', '\t'.join([part.get_filename() or '', part.get_content_type(),
                                 part.get_content_disposition() or '', str(len(payload)), str(match)]))
)PY";

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

SmtpTestServer::SmtpTestServer(const SmtpServerOptions& options) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kvsmtp-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  folder_ = pattern;
  TempRoot::WriteFile(folder_ / "server.py", kServerScript);
  int toChild[2], fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) throw std::runtime_error("pipe failed");
  const std::string lifetime = std::to_string(options.lifetimeSeconds);
  const std::string script = (folder_ / "server.py").string(), received = folder_.string();
  pid_ = fork();
  if (pid_ == 0) {
    dup2(toChild[0], 0);
    dup2(fromChild[1], 1);
    close(toChild[1]);
    close(fromChild[0]);
    execl(kPython, kPython, script.c_str(), received.c_str(), options.refuseDomain.c_str(),
          options.login.c_str(), options.password.c_str(), lifetime.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toChild[0]);
  close(fromChild[1]);
  // Our end of its standard input stays open: closing it (or our death) stops it.
  fcntl(toChild[1], F_SETFD, FD_CLOEXEC);
  char line[32] = "";
  FILE* out = fdopen(fromChild[0], "r");
  if (out == nullptr || std::fgets(line, sizeof line, out) == nullptr) {
    if (out) std::fclose(out);
    Stop();
    throw std::runtime_error("the SMTP test server did not start (is python3-aiosmtpd installed?)");
  }
  std::fclose(out);
  port_ = std::atoi(line);
}

SmtpTestServer::~SmtpTestServer() {
  Stop();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void SmtpTestServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int waited = 0; waited < 100; ++waited) {  // up to 5 s, then no more patience
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    usleep(50 * 1000);
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::vector<std::filesystem::path> SmtpTestServer::Files() const {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
    if (entry.path().extension() == ".eml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

ReceivedMail SmtpTestServer::Read(const std::filesystem::path& file,
                                  const std::vector<std::filesystem::path>& originals) const {
  ReceivedMail mail = ReadWithPythonEmail(file, originals);
  std::ifstream envelope(std::filesystem::path(file).replace_extension(".env"));
  std::getline(envelope, mail.mailFrom);
  std::getline(envelope, mail.login);
  for (std::string rcpt; std::getline(envelope, rcpt);) mail.rcptTo.push_back(rcpt);
  return mail;
}

std::vector<ReceivedMail> SmtpTestServer::Received(
    const std::vector<std::filesystem::path>& originals) const {
  std::vector<ReceivedMail> mails;
  for (const auto& file : Files()) mails.push_back(Read(file, originals));
  return mails;
}

ReceivedMail SmtpTestServer::Last(const std::vector<std::filesystem::path>& originals) const {
  const auto files = Files();
  if (files.empty()) throw std::runtime_error("no message has arrived");
  return Read(files.back(), originals);
}

int SmtpTestServer::ClosedPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);  // bound, never listened on, now closed: connections are refused
  return ntohs(address.sin_port);
}

ReceivedMail ReadWithPythonEmail(const std::filesystem::path& file,
                                 const std::vector<std::filesystem::path>& originals) {
  const std::filesystem::path script =
      std::filesystem::temp_directory_path() / ("kvmailread-" + std::to_string(getpid()) + ".py");
  TempRoot::WriteFile(script, kReaderScript);
  std::string command =
      std::string(kPython) + " " + Quote(script.string()) + " " + Quote(file.string());
  for (const auto& original : originals) command += " " + Quote(original.string());
  ReceivedMail mail;
  mail.file = file;
  const ProgramRun run = RunProgram(command);
  std::filesystem::remove(script);
  if (run.status != 0)
    throw std::runtime_error("Python's email package could not read " + file.string() + ": " +
                             run.out);
  const std::string& output = run.out;
  for (const std::string& line : Split(output, '\n')) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals), value = FromHex(line.substr(equals + 1));
    if (key == "from")
      mail.from = value;
    else if (key == "sender")
      mail.sender = value;
    else if (key == "to")
      mail.to = value;
    else if (key == "cc")
      mail.cc = value;
    else if (key == "bcc")
      mail.bcc = value;
    else if (key == "subject")
      mail.subject = value;
    else if (key == "date")
      mail.date = value;
    else if (key == "message-id")
      mail.messageId = value;
    else if (key == "body")
      mail.body = value;
    else if (key == "defects")
      mail.defects = value;
    else if (key == "headers")
      mail.headerNames = Split(value, ',');
    else if (key == "attachment") {
      const std::vector<std::string> fields = Split(value, '\t');
      if (fields.size() == 5) {
        mail.attachments.push_back(
            {fields[0], fields[1], fields[2], std::stoul(fields[3]), std::stoi(fields[4])});
      }
    }
  }
  return mail;
}

}  // namespace kv::testing
