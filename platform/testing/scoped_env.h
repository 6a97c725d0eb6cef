// Test support: an environment variable set (or cleared) for one scope.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace kv::testing {

class ScopedEnv {
 public:
  // Sets `name` to `value`, or clears it when `value` is null; the old state comes back
  // at the end of the scope.
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

}  // namespace kv::testing
