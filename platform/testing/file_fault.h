// Test support: makes one step of the platform's file writes fail, to show that a failed
// write leaves the old file as it was and reports the failure.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "kvhost/fault_injection.h"

namespace kv::testing {

// For the object's life, the `nth` step (counted from 1) of kind `step` that the
// platform's file writes take fails with the Win32 `code`; every other step happens.
class FileFault {
 public:
  FileFault(host::FileStep step, int nth, uint32_t code);
  ~FileFault();
  FileFault(const FileFault&) = delete;
  FileFault& operator=(const FileFault&) = delete;

  // Whether the step was reached and failed.
  bool fired() const { return counter_->load() >= nth_; }

 private:
  int nth_;
  std::shared_ptr<std::atomic<int>> counter_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace kv::testing
