// Parsing and serializing XML text with libxml2, with the options every document of the
// system is read with.
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <mutex>

#include "KVPlatform/xml_file.h"

namespace kv {
namespace {

// No network, no entity substitution (XML_PARSE_NOENT stays off), no DTD loading
// (XML_PARSE_DTDLOAD stays off), blanks between elements dropped, errors not printed.
constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

}  // namespace

_xmlDoc* ParseXml(std::string_view text, const char* encoding) {
  if (text.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  InitOnce();
  return xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, encoding,
                       kParseOptions);
}

std::string SerializeXml(_xmlDoc* document, const char* encoding) {
  if (document == nullptr) return {};
  if (encoding == nullptr) {
    encoding =
        document->encoding != nullptr ? reinterpret_cast<const char*>(document->encoding) : "UTF-8";
  }
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(document, &text, &size, encoding, 1);
  std::string result;
  if (text != nullptr)
    result.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
  xmlFree(text);
  return result;
}

}  // namespace kv
