// libFuzzer target for the markup parser: any text must load or fail cleanly, and every
// cursor operation on the result must stay inside the text. The bytes are taken as
// characters one to one (Latin-1), which reaches every delimiter and quote.
#include <cstddef>
#include <cstdint>
#include <string>

#include "markup.h"

using kv::datamanager::CMarkup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::wstring text(data, data + size);
  CMarkup xml;
  xml.LoadDocument(text.c_str());
  (void)xml.LastError();

  // Walk the tree: the next element at each level, its attributes, then one level down.
  const wchar_t* names[] = {L"", L"a", L"CustSection", L"FileVersion", L"UserVersion", L"x y"};
  for (int step = 0; step < 64; ++step) {
    if (!xml.FindChild(names[step % 6])) {
      if (!xml.FindChild(L"") && !xml.EnterElement()) break;
    }
    for (const wchar_t* name : names) (void)xml.AttributeValue(name);
    if (step % 3 == 2) (void)xml.EnterElement();
  }

  // Loading again over the same object resets it.
  xml.LoadDocument(L"<CustSection><FileVersion UserVersion=\"1\"/></CustSection>");
  if (!xml.FindChild(L"CustSection") || !xml.EnterElement() || !xml.FindChild(L"FileVersion") ||
      xml.AttributeValue(L"UserVersion") != L"1") {
    __builtin_trap();
  }
  return 0;
}
