#include "file_fault.h"

namespace kv::testing {

FileFault::FileFault(host::FileStep step, int nth, uint32_t code) : nth_(nth) {
  host::SetFaultHook(
      [step, nth, code, counter = counter_](host::FileStep taken, const std::filesystem::path&) {
        return taken == step && ++*counter == nth ? code : 0u;
      });
}

FileFault::~FileFault() { host::SetFaultHook({}); }

}  // namespace kv::testing
