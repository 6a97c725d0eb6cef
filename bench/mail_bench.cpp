// kvSendEMail with a large attachment against curl sending the same message file to the
// same SMTP server, rounds interleaved. bench/mail_bench.sh starts the server and runs it.
//
//   mail_bench SMTP_URL ATTACHMENT_MB ROUNDS
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "kvinternet/email.h"
#include "temp_root.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::filesystem::path Newest(const std::filesystem::path& folder) {
  std::filesystem::path newest;
  auto time = std::filesystem::file_time_type::min();
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.last_write_time() >= time) {
      time = entry.last_write_time();
      newest = entry.path();
    }
  }
  return newest;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: mail_bench SMTP_URL ATTACHMENT_MB ROUNDS\n");
    return 2;
  }
  const std::string url = argv[1];
  const size_t megabytes = std::stoul(argv[2]);
  const int rounds = std::stoi(argv[3]);

  const kv::testing::TempRoot temp;
  const std::filesystem::path& root = temp.path();
  kv::SetUiBackend(kv::MakeUiBackend("scripted"));
  const std::wstring key = L"Software\\Kestrel\\Mail\\Profiles\\Bench";
  std::ofstream(root / "netrc").close();
  if (!kv::WriteRegistryText(kv::Hive::kCurrentUser, key, L"SMTP URL", kv::AnsiToWide(url)).ok() ||
      !kv::WriteRegistryText(kv::Hive::kCurrentUser, key, L"Email Address", L"ann@example.com")
           .ok() ||
      !kv::WriteRegistryText(kv::Hive::kCurrentUser, key, L"Netrc File",
                             kv::AnsiToWide((root / "netrc").string()))
           .ok()) {
    std::fprintf(stderr, "cannot write the profile under %s\n", root.c_str());
    return 1;
  }

  const std::filesystem::path attachment = root / "drawing.bin";
  {
    std::string data(megabytes << 20, '\0');
    uint32_t x = 2463534242u;
    for (char& c : data) {
      x ^= x << 13, x ^= x >> 17, x ^= x << 5;
      c = static_cast<char>(x);
    }
    std::ofstream(attachment, std::ios::binary)
        .write(data.data(), static_cast<std::streamsize>(data.size()));
  }

  std::vector<double> ours, curl;
  for (int round = 0; round < rounds; ++round) {
    std::wstring to = L"support@kestrel.example", subject = L"benchmark", body = L"A drawing.\r\n";
    std::wstring path = kv::AnsiToWide(attachment.string());
    auto start = std::chrono::steady_clock::now();
    if (!kvSendEMail(to, subject, body, path)) return 1;
    ours.push_back(Seconds(start));
    const std::filesystem::path sent = Newest(root / "mail/Bench/Sent Items/cur");
    if (sent.empty()) {
      std::fprintf(stderr, "the message was not sent (see %s)\n",
                   (root / "mail/Bench/transport.log").c_str());
      return 1;
    }
    const std::string command = "curl -sS --url '" + url +
                                "' --mail-from ann@example.com --mail-rcpt " +
                                "support@kestrel.example -T '" + sent.string() + "'";
    start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return 1;
    curl.push_back(Seconds(start));
    std::printf("round %d: kvSendEMail %.3f s, curl %.3f s (%ju bytes)\n", round + 1, ours.back(),
                curl.back(), static_cast<uintmax_t>(std::filesystem::file_size(sent)));
    std::filesystem::remove(sent);
  }
  std::printf("median: kvSendEMail %.3f s, curl %.3f s, ratio %.3f\n", Median(ours), Median(curl),
              Median(ours) / Median(curl));
  return 0;
}
