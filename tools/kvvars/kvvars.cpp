// kvvars: the variables of a post-processor's variable files ("MPOST.bin" of type PSM,
// "CPOST.bin" of type PSC), for people and for the demo.
//
//   kvvars list POSTFOLDER [FILE...]                    every variable of the files
//   kvvars set POSTFOLDER FILE NAME VALUE [--int] [--section S] [--type T]
//
// A value is stored as the paths dialog stores paths (binary data holding the text and
// its terminating zero), or as an integer with --int. The section is "1" unless told;
// the file type follows from the file name (MPOST.bin: PSM, CPOST.bin: PSC) unless told.
// "set" makes a missing file. Exit 0 on success, 1 when a file could not be read or
// written, 2 for a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KVPlatform/text.h"
#include "KVVariableLibrary/kv_varlib.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: kvvars list POSTFOLDER [FILE...]\n"
               "       kvvars set POSTFOLDER FILE NAME VALUE [--int] [--section S] [--type T]\n");
  return 2;
}

std::wstring TypeOf(const std::wstring& file) {
  if (kv::EqualsNoCase(file, L"MPOST.bin")) return L"PSM";
  if (kv::EqualsNoCase(file, L"CPOST.bin")) return L"PSC";
  return L"";
}

int List(const std::wstring& folder, std::vector<std::wstring> files) {
  if (files.empty()) files = {L"MPOST.bin", L"CPOST.bin"};
  int status = 0;
  for (const std::wstring& file : files) {
    const std::wstring type = TypeOf(file);
    kv_VarLib lib(folder.c_str(), file.c_str(), type.c_str(), true);
    if (!lib.IsOpen()) {
      std::fprintf(stderr, "kvvars: %s is missing or not a %s variable file\n",
                   kv::WideToAnsi(file).c_str(),
                   type.empty() ? "known" : kv::WideToAnsi(type).c_str());
      status = 1;
      continue;
    }
    std::printf("%s (%s)\n", kv::WideToAnsi(file).c_str(), kv::WideToAnsi(type).c_str());
    std::wstring section, name, kind;
    std::string value;
    for (int i = 0; lib.EnumVar(i, &section, &name, &kind, &value); ++i) {
      std::printf("  [%s] %-24s %-4s %s\n", kv::WideToAnsi(section).c_str(),
                  kv::WideToAnsi(name).c_str(), kv::WideToAnsi(kind).c_str(), value.c_str());
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "list") {
    std::vector<std::wstring> files;
    for (size_t i = 2; i < args.size(); ++i) files.push_back(kv::AnsiToWide(args[i]));
    return List(kv::AnsiToWide(args[1]), files);
  }
  if (args.size() < 5 || args[0] != "set") return Usage();
  const std::wstring folder = kv::AnsiToWide(args[1]);
  const std::wstring file = kv::AnsiToWide(args[2]);
  const std::wstring name = kv::AnsiToWide(args[3]);
  const std::string value = args[4];
  std::wstring section = L"1";
  std::wstring type = TypeOf(file);
  bool integer = false;
  for (size_t i = 5; i < args.size(); ++i) {
    if (args[i] == "--int") {
      integer = true;
    } else if (args[i] == "--section" && i + 1 < args.size()) {
      section = kv::AnsiToWide(args[++i]);
    } else if (args[i] == "--type" && i + 1 < args.size()) {
      type = kv::AnsiToWide(args[++i]);
    } else {
      return Usage();
    }
  }
  if (type.empty()) {
    std::fprintf(stderr, "kvvars: give the file type of %s with --type\n", args[2].c_str());
    return 2;
  }
  kv_VarLib lib(folder.c_str(), file.c_str(), type.c_str(), false);
  int written = 0;
  if (integer) {
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || number < -2147483647L - 1 || number > 2147483647L) {
      std::fprintf(stderr, "kvvars: %s is not an integer\n", value.c_str());
      return 2;
    }
    written = lib.SetVar(section.c_str(), name.c_str(), static_cast<int>(number));
  } else {
    written = lib.SetVarBin(section.c_str(), name.c_str(), value.c_str(),
                            static_cast<int>(value.size() + 1));
  }
  if (written == 0) {
    std::fprintf(stderr, "kvvars: could not write %s in %s\n", args[3].c_str(), args[2].c_str());
    return 1;
  }
  return 0;
}
