// XML documents from and to Windows paths, through the platform's whole-file tasks.
#include <libxml/tree.h>

#include "KVPlatform/file_tasks.h"
#include "KVPlatform/xml_file.h"

namespace kv {

Status LoadXmlFile(std::wstring_view path, _xmlDoc** document) {
  *document = nullptr;
  std::string text;
  if (Status s = ReadFile(path, &text); !s.ok()) return s;
  *document = ParseXml(text);
  return *document != nullptr ? Status::Ok() : Status(kErrorInvalidData);
}

Status SaveXmlFile(_xmlDoc* document, std::wstring_view path) {
  if (document == nullptr || xmlDocGetRootElement(document) == nullptr) {
    return Status(kErrorInvalidData);
  }
  const std::string text = SerializeXml(document);
  if (text.empty()) return Status(kErrorInvalidData);
  return WriteFileAtomically(path, text);
}

}  // namespace kv
