// Registry values: the typed value and its bytes as the 8-bit calls return them.
#include "KVPlatform/registry.h"
#include "KVPlatform/text.h"

namespace kv {

std::wstring_view HiveName(Hive hive) {
  switch (hive) {
    case Hive::kClassesRoot: return L"HKEY_CLASSES_ROOT";
    case Hive::kCurrentUser: return L"HKEY_CURRENT_USER";
    case Hive::kLocalMachine: return L"HKEY_LOCAL_MACHINE";
    case Hive::kUsers: return L"HKEY_USERS";
  }
  return L"";
}

RegValue RegValue::String(std::wstring text, uint32_t type) {
  RegValue value;
  value.type = type;
  value.text = std::move(text);
  return value;
}

RegValue RegValue::MultiString(std::vector<std::wstring> strings) {
  RegValue value;
  value.type = kRegMultiSz;
  value.strings = std::move(strings);
  return value;
}

RegValue RegValue::Dword(uint32_t number) {
  RegValue value;
  value.type = kRegDword;
  value.number = number;
  return value;
}

RegValue RegValue::Qword(uint64_t number) {
  RegValue value;
  value.type = kRegQword;
  value.number = number;
  return value;
}

RegValue RegValue::Binary(std::vector<uint8_t> bytes, uint32_t type) {
  RegValue value;
  value.type = type;
  value.data = std::move(bytes);
  return value;
}

std::vector<uint8_t> RegValue::AnsiBytes() const {
  auto append = [](std::vector<uint8_t>* out, std::wstring_view s) {
    std::string ansi = WideToAnsi(s);
    out->insert(out->end(), ansi.begin(), ansi.end());
    out->push_back(0);
  };
  auto littleEndian = [](uint64_t n, int count) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
      bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
    return bytes;
  };
  std::vector<uint8_t> out;
  if (!data.empty()) return data;
  switch (type) {
    case kRegSz:
    case kRegExpandSz: append(&out, text); return out;
    case kRegMultiSz:
      for (const auto& one : strings) append(&out, one);
      if (strings.empty()) out.push_back(0);
      out.push_back(0);
      return out;
    case kRegDword: return littleEndian(number, 4);
    case kRegQword: return littleEndian(number, 8);
    default: return out;
  }
}

}  // namespace kv
