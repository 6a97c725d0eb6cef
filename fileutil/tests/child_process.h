// Starting KVFileUtilities_child, the helper program built beside the tests, for what
// needs a process of its own. The child inherits the environment (the test's root).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace kv::fileutil::testing {

struct ChildResult {
  int status = -1;     // the exit status, -1 when it did not exit normally
  std::string output;  // what it wrote to standard output
};

// Runs the helper with `arguments` and waits for it (at most 60 seconds).
ChildResult RunChild(const std::vector<std::string>& arguments);

// Processes that start their work at the same moment: each runs "ready 4 wait 3" where
// its arguments say GATE (else before them), says it is ready and blocks until the
// gate opens.
class ChildGate {
 public:
  ChildGate();
  ~ChildGate();
  void Start(const std::vector<std::string>& arguments);
  // Returns when every child sits at the gate.
  void WaitUntilReady();
  // Lets every child go and waits for them; the exit statuses in start order.
  std::vector<int> OpenAndWait();

 private:
  int gate_[2] = {-1, -1};
  int ready_[2] = {-1, -1};
  std::vector<pid_t> children_;
};

}  // namespace kv::fileutil::testing
