// The owner of a document and its detached nodes, XPath queries and safe tree edits.
#include "xml_owner.h"

#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include "KVPlatform/text.h"

namespace kv::fileutil {
namespace {

// XPath errors are results (an empty wrapper), not messages on standard error.
void IgnoreXPathError(void*, xmlErrorPtr) {}

}  // namespace

XmlDocumentOwner::~XmlDocumentOwner() {
  // Nodes before the document: their names may live in its dictionary.
  for (xmlNodePtr node : detached_) {
    if (node->parent != nullptr) continue;  // joined a tree after all
    if (node->type == XML_ATTRIBUTE_NODE) {
      xmlFreeProp(reinterpret_cast<xmlAttrPtr>(node));
    } else {
      xmlFreeNode(node);
    }
  }
  xmlFreeDoc(document_);
}

void XmlDocumentOwner::Detach(xmlNodePtr node) {
  xmlUnlinkNode(node);
  detached_.insert(node);
}

XmlNodeSet::~XmlNodeSet() { xmlXPathFreeObject(result); }

size_t XmlNodeSet::size() const {
  if (result == nullptr) return nodes.size();
  return result->nodesetval != nullptr ? static_cast<size_t>(result->nodesetval->nodeNr) : 0;
}

xmlNodePtr XmlNodeSet::at(size_t index) const {
  return result == nullptr ? nodes[index] : result->nodesetval->nodeTab[index];
}

XmlDocumentPtr OwnDocument(xmlDocPtr document) {
  if (document == nullptr) return nullptr;
  return std::make_shared<XmlDocumentOwner>(document);
}

std::wstring FromXml(const xmlChar* text) {
  return text != nullptr ? kv::AnsiToWide(reinterpret_cast<const char*>(text)) : std::wstring();
}

std::string ToXml(std::wstring_view text) { return kv::WideToAnsi(text); }

std::wstring TakeXml(xmlChar* text) {
  std::wstring result = FromXml(text);
  xmlFree(text);
  return result;
}

std::string QualifiedName(xmlNodePtr node) {
  std::string name;
  if (node->ns != nullptr && node->ns->prefix != nullptr) {
    name = reinterpret_cast<const char*>(node->ns->prefix);
    name += ':';
  }
  if (node->name != nullptr) name += reinterpret_cast<const char*>(node->name);
  return name;
}

XmlNodeListPtr Select(const XmlDocumentPtr& owner, xmlNodePtr context, std::wstring_view query) {
  const std::string expression = ToXml(query);
  if (owner == nullptr || context == nullptr || expression.find('\0') != std::string::npos) {
    return nullptr;
  }
  xmlXPathContextPtr xpath = xmlXPathNewContext(owner->document());
  if (xpath == nullptr) return nullptr;
  xpath->node = context;
  xpath->error = IgnoreXPathError;
  xmlXPathObjectPtr result =
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.c_str()), xpath);
  xmlXPathFreeContext(xpath);
  if (result == nullptr || result->type != XPATH_NODESET) {
    xmlXPathFreeObject(result);
    return nullptr;
  }
  auto list = std::make_shared<XmlNodeSet>();
  list->owner = owner;
  // Only the namespace axis gives namespace nodes, copies that die with the result and
  // are never handed out: such a result is copied without them. Any other result is
  // kept as it is (its nodes are not even looked at, which on large documents costs more
  // than the query).
  if (expression.find("namespace") == std::string::npos) {
    list->result = result;
    return list;
  }
  if (const xmlNodeSet* nodes = result->nodesetval) {
    for (int i = 0; i < nodes->nodeNr; ++i) {
      if (nodes->nodeTab[i]->type != XML_NAMESPACE_DECL) list->nodes.push_back(nodes->nodeTab[i]);
    }
  }
  xmlXPathFreeObject(result);
  return list;
}

XmlNodeListPtr ChildrenOf(const XmlDocumentPtr& owner, xmlNodePtr node) {
  if (owner == nullptr || node == nullptr) return nullptr;
  auto list = std::make_shared<XmlNodeSet>();
  list->owner = owner;
  // Text, CDATA and the like hold content, not children.
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
      for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
        list->nodes.push_back(child);
      }
      break;
    default: break;
  }
  return list;
}

void ReplaceChildrenWithText(XmlDocumentOwner& owner, xmlNodePtr node, std::string_view text) {
  for (xmlNodePtr child = node->children; child != nullptr;) {
    xmlNodePtr next = child->next;
    owner.Detach(child);
    child = next;
  }
  if (text.empty()) return;
  xmlNodePtr textNode =
      xmlNewDocTextLen(owner.document(), reinterpret_cast<const xmlChar*>(text.data()),
                       static_cast<int>(text.size()));
  if (textNode == nullptr) return;
  textNode->parent = node;
  node->children = node->last = textNode;
}

bool IsXmlName(const std::string& name) {
  return !name.empty() && name.find('\0') == std::string::npos &&
         xmlValidateName(reinterpret_cast<const xmlChar*>(name.c_str()), 0) == 0;
}

}  // namespace kv::fileutil
