// The console UI backend: message boxes, progress windows, dialogs and folder choosers
// on a terminal. Everything is written to one output (standard error by default);
// answers are read only when the input is a terminal, so a program without one never
// waits: it takes the escape answer or cancels, and says so.
#include <memory>

#include "console_terminal.h"

namespace kv {
namespace {

class ConsoleUi : public UiBackend {
 public:
  explicit ConsoleUi(const ConsoleUiOptions& options)
      : terminal_(std::make_shared<console::Terminal>(options)) {}

  int MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) override {
    return console::ShowConsoleBox(*terminal_, text, caption, type);
  }
  std::unique_ptr<ProgressView> OpenProgress(std::wstring_view title) override {
    return console::OpenConsoleProgress(terminal_, title);
  }
  int RunModal(CDialog& dialog) override { return console::RunConsoleDialog(*terminal_, dialog); }
  bool ChooseFolder(std::wstring_view title, std::wstring* folder) override {
    return console::ChooseConsoleFolder(*terminal_, title, folder);
  }

 private:
  std::shared_ptr<console::Terminal> terminal_;
};

}  // namespace

std::unique_ptr<UiBackend> MakeConsoleUi(const ConsoleUiOptions& options) {
  return std::make_unique<ConsoleUi>(options);
}

}  // namespace kv
