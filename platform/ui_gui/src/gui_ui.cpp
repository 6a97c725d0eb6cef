// The desktop backend: each call hands over to the part that shows it.
#include "KVPlatform/gui_ui.h"

#include "gui_session.h"

namespace kv::gui {
namespace {

class GuiUi : public UiBackend {
 public:
  int MessageBox(std::wstring_view text, std::wstring_view caption, unsigned type) override {
    return ShowMessageBoxWindow(text, caption, type);
  }
  std::unique_ptr<ProgressView> OpenProgress(std::wstring_view title) override {
    return OpenProgressWindow(title);
  }
  int RunModal(CDialog& dialog) override { return RunDialogWindow(dialog); }
  std::unique_ptr<DialogView> OpenModeless(CDialog& dialog) override {
    return OpenModelessWindow(dialog);
  }
  bool ChooseFolder(std::wstring_view title, std::wstring* folder) override {
    return ChooseFolderWindow(title, folder);
  }
};

}  // namespace
}  // namespace kv::gui

kv::UiBackend* KVPlatformMakeGuiUi() {
  if (!kv::gui::StartSession()) return nullptr;
  return new kv::gui::GuiUi;
}
