// The contract every UI backend keeps, as one test suite run against each backend
// through a driver: the driver plays the person in front of the backend (queued
// answers for the scripted backend, typed lines for the console, simulated keys and
// clicks for the desktop) and reports what was shown.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KVPlatform/ui.h"

namespace kv::testing {

// What the person does with a message box.
struct BoxInput {
  enum Kind { kButton, kEnter, kEscape } kind;
  int button = 0;  // kButton: the answer's button (kIdYes, ...)
};

// One thing the person does in a dialog. kAnswerBox answers the message box that the
// step before it opens (a refused value, say).
struct DialogStep {
  enum Kind { kType, kClick, kEscape, kAnswerBox } kind;
  int id = 0;            // the control typed into or clicked
  std::wstring text;     // kType
  unsigned boxType = 0;  // kAnswerBox: the box's type
  BoxInput box{BoxInput::kEnter};
};

// Plays the person for one backend, which it installs as the process's backend for
// its life. The windows are scripted in the order they will open.
class UiDriver {
 public:
  virtual ~UiDriver() = default;
  virtual void Box(unsigned type, BoxInput input) = 0;
  virtual void Dialog(std::vector<DialogStep> steps) = 0;
  // The folder the person picks (a Windows path), or none: cancelled.
  virtual void Folder(std::optional<std::wstring> folder) = 0;
  // Everything shown so far as text (captions, texts, buttons, progress lines), and
  // for a progress window still open what it shows now, its bar as "<n>%".
  virtual std::wstring Shown() = 0;
  virtual bool ProgressOpen() = 0;
  // The windows scripted that never came.
  virtual size_t Unused() = 0;
};

struct Backend {
  std::string name;
  std::function<std::unique_ptr<UiDriver>()> make;
  // Whether the backend can run here (a desktop needs a display); none: always.
  std::function<bool()> available;
};

class UiContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    if (GetParam().available && !GetParam().available()) GTEST_SKIP() << "not available here";
  }
};

// Drivers for the backends of the ui library.
std::unique_ptr<UiDriver> MakeScriptedDriver();
// The console on a pseudo-terminal, as a person at a terminal uses it.
std::unique_ptr<UiDriver> MakeConsoleDriver();

}  // namespace kv::testing
