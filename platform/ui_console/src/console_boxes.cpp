// Message boxes on the console.
#include <string>
#include <vector>

#include "console_terminal.h"

namespace kv::console {
namespace {

struct ButtonName {
  int id;
  const wchar_t* word;  // the answer typed in full; its first letter answers too
};

constexpr ButtonName kButtonNames[] = {
    {kIdOk, L"OK"},         {kIdCancel, L"Cancel"}, {kIdAbort, L"Abort"}, {kIdRetry, L"Retry"},
    {kIdIgnore, L"Ignore"}, {kIdYes, L"Yes"},       {kIdNo, L"No"},
};

const wchar_t* WordOf(int id) {
  for (const ButtonName& name : kButtonNames) {
    if (name.id == id) return name.word;
  }
  return L"?";
}

std::vector<int> ButtonsOf(unsigned type) {
  std::vector<int> buttons;
  for (int id : {kIdOk, kIdYes, kIdNo, kIdAbort, kIdRetry, kIdIgnore, kIdCancel}) {
    if (IsValidAnswer(type, id)) buttons.push_back(id);
  }
  // Shown in the order the box shows them: Cancel last, Yes before No, and so on.
  return buttons;
}

const wchar_t* IconWord(unsigned type) {
  switch (type & kMbIconMask) {
    case kMbIconError: return L"Error";
    case kMbIconQuestion: return L"Question";
    case kMbIconExclamation: return L"Warning";
    case kMbIconInformation: return L"Information";
    default: return nullptr;
  }
}

// "[Y]es / [N]o"
std::wstring ButtonLine(const std::vector<int>& buttons) {
  std::wstring line;
  for (int id : buttons) {
    if (!line.empty()) line += L" / ";
    std::wstring word = WordOf(id);
    line += L"[";
    line += word[0];
    line += L"]";
    line += word.substr(1);
  }
  return line;
}

// The button an answer names (its first letter or the whole word, any case), 0 for none.
int ButtonNamed(const std::vector<int>& buttons, std::wstring_view answer) {
  for (int id : buttons) {
    std::wstring_view word = WordOf(id);
    bool letter = answer.size() == 1 && FoldCase(answer[0]) == FoldCase(word[0]);
    if (letter || EqualsNoCase(answer, word)) return id;
  }
  return 0;
}

// --- Progress windows --------------------------------------------------------------

}  // namespace

int ShowConsoleBox(Terminal& terminal, std::wstring_view text, std::wstring_view caption,
                   unsigned type) {
  std::vector<int> buttons = ButtonsOf(type);
  std::wstring head = L"[" + (caption.empty() ? ProgramName() : std::wstring(caption)) + L"]";
  if (const wchar_t* icon = IconWord(type)) head += L" " + std::wstring(icon);
  std::wstring box = L"\n" + head + L"\n" + std::wstring(text) + L"\n";
  int escape = EscapeAnswer(type);
  if (!terminal.Interactive()) {
    terminal.Print(box + ButtonLine(buttons) + L"\n(no terminal: answered " + WordOf(escape) +
                   L")\n");
    return escape;
  }
  int fallback = DefaultAnswer(type);
  std::wstring prompt = ButtonLine(buttons);
  if (buttons.size() > 1) prompt += L" (Enter: " + std::wstring(WordOf(fallback)) + L")";
  prompt += L": ";
  terminal.Print(box);
  for (;;) {
    terminal.Print(prompt);
    std::wstring line;
    if (!terminal.ReadLine(&line)) {
      terminal.Print(L"\n(end of input: answered " + std::wstring(WordOf(escape)) + L")\n");
      return escape;
    }
    line = Trim(line);
    if (line.empty()) return fallback;
    if (int answer = ButtonNamed(buttons, line)) return answer;
    terminal.Print(L"Please answer " + ButtonLine(buttons) + L".\n");
  }
}

}  // namespace kv::console
