// The message catalogue, read through the XML wrappers.
#include "message_catalogue.h"

#include "KVFileUtilities/xml.h"
#include "KVPlatform/file_system.h"
#include "KVPlatform/file_tasks.h"
#include "KVPlatform/text.h"
#include "registry_value.h"

namespace kv::fileutil {
namespace {

// Text as the runtime's text mode reads it: CR LF becomes LF.
std::wstring TextLines(std::wstring text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
    out += text[i];
  }
  return out;
}

void Fill(const std::wstring& text, std::vector<CatalogueMessage>* catalogue) {
  CXmlDocument document;
  if (!document.LoadXml(text)) return;
  const CXmlNode root = document.SelectSingleNode(L"KtlMessages");
  if (!root.IsValid()) return;
  const CXmlNodeList messages = root.SelectNodes(L"KtlMessage");
  for (long i = 0; i < messages.GetNodeCount(); ++i) {
    const CXmlNode message = messages[i];
    CatalogueMessage entry;
    entry.id = message.SelectSingleNode(L"msgid").GetText();
    const CXmlNodeList lines = message.SelectNodes(L"KtlMessageString");
    for (long j = 0; j < lines.GetNodeCount(); ++j) {
      entry.lines.push_back(lines[j].GetAttributes()[L"msg"].GetValue());
    }
    catalogue->push_back(std::move(entry));
  }
}

void ReplaceAll(std::wstring* text, std::wstring_view from, wchar_t to) {
  for (size_t at = text->find(from); at != std::wstring::npos; at = text->find(from, at + 1)) {
    text->replace(at, from.size(), 1, to);
  }
}

}  // namespace

std::vector<CatalogueMessage> LoadCatalogue(const wchar_t* registryKey) {
  std::vector<CatalogueMessage> catalogue;
  std::wstring path;
  if (registryKey == nullptr ||
      !kv::ReadRegistryPath(kv::Hive::kLocalMachine, registryKey, L"Install Path", &path).ok()) {
    return catalogue;
  }
  if (path.back() != L'\\') path += L'\\';
  path += L"/kvdesign/messages.xml";
  kv::FileStatus status;
  std::string bytes;
  if (!kv::GetFileStatus(path, &status).ok() || !kv::ReadFile(path, &bytes).ok()) return catalogue;
  // Attempt 1: 8-bit text. Attempt 2: UTF-16 text (its byte-order mark skipped).
  Fill(TextLines(kv::AnsiToWide(bytes)), &catalogue);
  if (catalogue.empty()) {
    std::string_view units = bytes;
    if (units.substr(0, 2) == "\xFF\xFE") units.remove_prefix(2);
    Fill(TextLines(kv::Utf16LeToWide(reinterpret_cast<const uint8_t*>(units.data()), units.size())),
         &catalogue);
  }
  return catalogue;
}

std::wstring MessageText(const CatalogueMessage& message) {
  std::wstring text;
  for (size_t i = 0; i < message.lines.size(); ++i) {
    if (i > 0) text += L'\n';
    text += message.lines[i];
  }
  ReplaceAll(&text, L"\\n", L'\n');
  ReplaceAll(&text, L"\\t", L'\t');
  return text;
}

}  // namespace kv::fileutil
