// The folder chooser: the desktop's own folder dialog. The system speaks Windows paths
// (C:\Jobs); the dialog opens on the host folder the path maps to (or the nearest one
// that exists) and the folder picked maps back to a drive or share where it lies in
// one.
#include <wx/dirdlg.h>

#include <filesystem>
#include <system_error>

#include "gui_session.h"
#include "kvhost/host_path.h"

namespace kv::gui {
namespace {

// The host folder to open on: the folder of `path`, or its nearest existing parent.
wxString StartFolder(std::wstring_view path) {
  std::filesystem::path host;
  if (path.empty() || !host::ResolvePath(path, &host).ok()) return wxString();
  std::error_code error;
  while (!host.empty() && !std::filesystem::is_directory(host, error)) {
    if (host == host.parent_path()) return wxString();
    host = host.parent_path();
  }
  return wxString(host.string());
}

}  // namespace

bool ChooseFolderWindow(std::wstring_view title, std::wstring* folder) {
  const wxString prompt = title.empty() ? wxString("Choose a folder") : Label(title);
  wxDirDialog chooser(OwnerWindow(), prompt, StartFolder(folder != nullptr ? *folder : L""),
                      wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  OpenWindow open(&chooser);
  HookWhenShown(WindowKind::kFolderChooser, &chooser);
  if (chooser.ShowModal() != wxID_OK) return false;
  const std::string chosen = std::string(chooser.GetPath().utf8_str());
  if (chosen.empty()) return false;
  if (folder != nullptr) *folder = host::HostToWindowsPath(std::filesystem::path(chosen));
  return true;
}

}  // namespace kv::gui
