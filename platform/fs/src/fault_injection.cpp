// The process-wide fault hook that tests install (see kvhost/fault_injection.h).
#include "kvhost/fault_injection.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace kv::host {
namespace {

std::mutex g_mutex;
std::atomic<bool> g_hooked{false};

FaultHook& Hook() {
  static auto* hook = new FaultHook();
  return *hook;
}

}  // namespace

void SetFaultHook(FaultHook hook) {
  std::lock_guard lock(g_mutex);
  Hook() = std::move(hook);
  g_hooked.store(static_cast<bool>(Hook()));
}

uint32_t InjectedFault(FileStep step, const std::filesystem::path& file) {
  if (!g_hooked.load(std::memory_order_relaxed)) return 0;
  FaultHook hook;
  {
    std::lock_guard lock(g_mutex);
    hook = Hook();
  }
  return hook ? hook(step, file) : 0;
}

}  // namespace kv::host
