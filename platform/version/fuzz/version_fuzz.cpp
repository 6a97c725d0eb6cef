// libFuzzer target: any bytes as a Windows module, through the PE walk, the version tree
// and the queries the data manager makes. Run by scripts/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "version_parse.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::version::MemorySource source(data, size);
  std::vector<uint8_t> block;
  if (!kv::version::FindVersionResource(source, &block).ok()) return 0;
  kv::version::Node root;
  if (!kv::version::ParseVersionBlock(block, &root)) return 0;
  for (const wchar_t* path : {L"\\", L"\\VarFileInfo\\Translation",
                              L"\\StringFileInfo\\040904b0\\ProductVersion", L"\\\\x\\"}) {
    (void)kv::version::FindNode(root, path);
  }
  return 0;
}
