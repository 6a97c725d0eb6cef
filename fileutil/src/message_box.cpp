// KVMessageBox: the catalogue read once, suppression for the session or for good.
#include "KVFileUtilities/message_box.h"

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "KVFileUtilities/default_vars.h"
#include "KVPlatform/text.h"
#include "KVPlatform/ui.h"
#include "ktl_msg_dlg.h"
#include "message_catalogue.h"

namespace kv::fileutil {
namespace {

constexpr char kMessagesSection[] = "Messages";

// One message the user suppressed for the session.
struct MessagesDisplayed {
  bool suppressed = true;
  std::wstring id;
};

struct MessageBoxState {
  std::mutex mutex;
  bool loaded = false;
  std::vector<CatalogueMessage> catalogue;
  std::vector<MessagesDisplayed> session;

  bool SuppressedForSession(const std::wstring& id) const {
    for (const MessagesDisplayed& entry : session) {
      if (entry.suppressed && entry.id == id) return true;
    }
    return false;
  }

  std::wstring TextOf(const std::wstring& id) const {
    for (const CatalogueMessage& message : catalogue) {
      if (message.id == id) {
        std::wstring text = MessageText(message);
        return text.empty() ? id : text;
      }
    }
    return id;
  }
};

MessageBoxState& State() {
  static MessageBoxState state;
  return state;
}

// The stored suppression, read as a decimal number.
bool SuppressedForGood(const std::string& id) {
  char value[12] = "";
  if (GetDefaultVar(kMessagesSection, id.c_str(), value, sizeof value) == 0) return false;
  return std::strtol(value, nullptr, 10) == 1;
}

}  // namespace
}  // namespace kv::fileutil

void KVMessageBox(const wchar_t* registryKey, const wchar_t* messageId, bool sessionOnly,
                  kv::CWnd* parent) {
  if (messageId == nullptr) return;
  kv::fileutil::MessageBoxState& state = kv::fileutil::State();
  const std::wstring id = messageId;
  std::wstring text;
  {
    std::lock_guard lock(state.mutex);
    if (!state.loaded) {
      state.catalogue = kv::fileutil::LoadCatalogue(registryKey);
      state.loaded = true;
    }
    if (state.SuppressedForSession(id)) return;
    text = state.TextOf(id);
  }
  const std::string ansiId = kv::WideToAnsi(id);
  if (!sessionOnly && kv::fileutil::SuppressedForGood(ansiId)) return;

  kv::fileutil::CKtlMsgDlg dialog(text, sessionOnly, parent);
  if (dialog.DoModal() != kv::kIdOk || dialog.m_bDoNotShow == 0) return;
  if (sessionOnly) {
    std::lock_guard lock(state.mutex);
    state.session.push_back({true, id});
  } else {
    (void)SetDefaultVar(kv::fileutil::kMessagesSection, ansiId.c_str(), "1");
  }
}
