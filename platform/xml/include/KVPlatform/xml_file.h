// XML documents (libxml2) read from and written to Windows paths, so that the library
// that wraps the document object model does no file work of its own.
//
// Every document is parsed the same safe way: no network access, entities left as
// references (never substituted), no external DTD loaded, so a hostile document can
// neither read local files through an entity nor fetch anything. Text that is only
// white space between elements is dropped, as the document object model the system was
// written against drops it by default. Parse errors are not printed.
#pragma once

#include <string>
#include <string_view>

#include "KVPlatform/export.h"
#include "KVPlatform/status.h"

struct _xmlDoc;

namespace kv {

// Parses XML text. `encoding` null follows the text's own declaration (or UTF-8);
// otherwise the text is read in that encoding whatever it declares ("UTF-8" for text
// converted from wide strings). Null for malformed text; the caller frees the document
// with xmlFreeDoc.
KV_EXPORT _xmlDoc* ParseXml(std::string_view text, const char* encoding = nullptr);

// Reads and parses a file. 2/3/5 as ReadFile fails; 13 (invalid data) when it is not
// well-formed XML. On failure *document is null.
KV_EXPORT Status LoadXmlFile(std::wstring_view path, _xmlDoc** document);

// The document as text in `encoding` (its own when null, UTF-8 when it has none), with
// an XML declaration; elements without text content are indented.
KV_EXPORT std::string SerializeXml(_xmlDoc* document, const char* encoding = nullptr);

// Writes the document to a file atomically: a temporary file beside it, renamed over
// it, so that a failed save leaves the old file as it was. 13 for a document without a
// document element (nothing is written), else as WriteFileAtomically fails.
KV_EXPORT Status SaveXmlFile(_xmlDoc* document, std::wstring_view path);

}  // namespace kv
