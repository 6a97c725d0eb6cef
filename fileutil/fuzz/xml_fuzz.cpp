// libFuzzer target for the XML wrappers: any text must load or fail cleanly, and the
// queries, reads and edits that the message catalogue and the suite's callers make on
// the result must neither crash nor touch freed nodes (AddressSanitizer watches). The
// bytes are read as UTF-8, as LoadXml reads wide text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "KVFileUtilities/xml.h"
#include "KVPlatform/text.h"
#include "KVPlatform/xml_file.h"

// File access is not fuzzed: the target is built without the file system library.
namespace kv {
Status LoadXmlFile(std::wstring_view, _xmlDoc** document) {
  *document = nullptr;
  return Status(kErrorFileNotFound);
}
Status SaveXmlFile(_xmlDoc*, std::wstring_view) { return Status(kErrorAccessDenied); }
}  // namespace kv

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CXmlDocument document;
  if (!document.LoadXml(kv::AnsiToWide(std::string(reinterpret_cast<const char*>(data), size)))) {
    return 0;
  }
  size_t total = 0;
  // The catalogue's walk, then every element and attribute (a bounded number).
  const CXmlNodeList messages = document.SelectNodes(L"KtlMessages/KtlMessage");
  for (long i = 0; i < messages.GetNodeCount() && i < 64; ++i) {
    total += messages[i].SelectSingleNode(L"msgid").GetText().size();
    const CXmlNodeList lines = messages[i].SelectNodes(L"KtlMessageString");
    for (long j = 0; j < lines.GetNodeCount() && j < 64; ++j) {
      total += lines[j].GetAttributes()[L"msg"].GetValue().size();
    }
  }
  const CXmlNodeList nodes = document.SelectNodes(L"//node() | //@*");
  for (long i = 0; i < nodes.GetNodeCount() && i < 256; ++i) {
    const CXmlNode node = nodes[i];
    total += node.GetName().size() + node.GetValue().size() + node.GetText().size() +
             node.GetCDATAValue().size() + static_cast<size_t>(node.GetNodeType());
    const CXmlAttributes attributes = node.GetAttributes();
    for (long a = 0; a < attributes.GetAttributeCount() && a < 16; ++a) {
      total += attributes[a].GetName().size() + attributes[a].GetValue().size();
    }
    total += static_cast<size_t>(node.GetChildNodes().GetNodeCount());
  }
  total += document.GetXml().size();

  // Edits that keep nodes held by other wrappers alive: remove, replace text, move.
  CXmlNode root = document.GetDocumentElement();
  CXmlNode first = root.SelectSingleNode(L"*");
  CXmlNode clone = root.CloneNode(1);
  (void)root.SetText(L"x");
  (void)root.AppendChild(first);
  (void)root.RemoveChild(L"*");
  (void)root.SetAttribute(L"a", 1);
  (void)clone.AppendChild(root.CloneNode(0));
  total += first.GetText().size() + clone.GetText().size() + document.GetXml().size();
  for (long i = 0; i < nodes.GetNodeCount() && i < 256; ++i) total += nodes[i].GetText().size();
  return total == SIZE_MAX ? 1 : 0;
}
