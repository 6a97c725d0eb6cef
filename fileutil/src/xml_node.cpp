// CXmlNode: names, values and text of a node, its children and attributes, and the tree
// edits (append, remove, clone, set text or attributes), none of which frees a node.
#include <libxml/tree.h>

#include "KVFileUtilities/xml.h"
#include "KVPlatform/text.h"
#include "xml_owner.h"

using kv::fileutil::FromXml;
using kv::fileutil::TakeXml;
using kv::fileutil::ToXml;
using kv::fileutil::XmlAccess;

namespace {

constexpr std::wstring_view kCDataOpen = L"<![CDATA[";

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

std::wstring Trim(const std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && IsXmlSpace(text[end - 1])) --end;
  size_t start = 0;
  while (start < end && IsXmlSpace(text[start])) ++start;
  return text.substr(start, end - start);
}

// Whether a node of this kind holds a value of its own (DOM nodeValue).
bool HasValue(xmlElementType type) {
  switch (type) {
    case XML_ATTRIBUTE_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE: return true;
    default: return false;
  }
}

// Whether a node of this kind may go below another (attributes, documents and
// declarations may not).
bool CanBeChild(xmlElementType type) {
  switch (type) {
    case XML_ELEMENT_NODE:
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_ENTITY_REF_NODE:
    case XML_PI_NODE:
    case XML_COMMENT_NODE: return true;
    default: return false;
  }
}

// Links `child` as the last child of `parent` by hand: libxml2's own call merges
// adjacent text nodes and frees one of them, which a wrapper may hold.
void LinkLast(xmlNodePtr parent, xmlNodePtr child) {
  child->parent = parent;
  child->next = nullptr;
  child->prev = parent->last;
  if (parent->last != nullptr) {
    parent->last->next = child;
  } else {
    parent->children = child;
  }
  parent->last = child;
}

}  // namespace

CXmlNode::CXmlNode() = default;
CXmlNode::CXmlNode(XmlNodePtr node) : node_(std::move(node)) {}
CXmlNode::CXmlNode(const CXmlNode& other) = default;
CXmlNode& CXmlNode::operator=(const CXmlNode& other) = default;
CXmlNode::~CXmlNode() = default;

bool CXmlNode::IsValid() const { return static_cast<bool>(node_); }

void CXmlNode::Attach(XmlNodePtr node) { node_ = std::move(node); }

std::wstring CXmlNode::GetName() const {
  xmlNodePtr node = node_.get();
  if (node == nullptr) return {};
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE: return kv::AnsiToWide(kv::fileutil::QualifiedName(node));
    case XML_TEXT_NODE: return L"#text";
    case XML_CDATA_SECTION_NODE: return L"#cdata-section";
    case XML_COMMENT_NODE: return L"#comment";
    case XML_DOCUMENT_NODE:
    case XML_HTML_DOCUMENT_NODE: return L"#document";
    case XML_DOCUMENT_FRAG_NODE: return L"#document-fragment";
    default: return FromXml(node->name);
  }
}

std::wstring CXmlNode::GetValue() const {
  xmlNodePtr node = node_.get();
  if (node == nullptr || !HasValue(node->type)) return {};
  return TakeXml(xmlNodeGetContent(node));
}

std::wstring CXmlNode::GetText() const {
  xmlNodePtr node = node_.get();
  if (node == nullptr) return {};
  std::wstring text = TakeXml(xmlNodeGetContent(node));
  if (!HasValue(node->type)) text = Trim(text);
  if (text.compare(0, kCDataOpen.size(), kCDataOpen) == 0) {
    text = text.size() >= kCDataOpen.size() + 3
               ? text.substr(kCDataOpen.size(), text.size() - kCDataOpen.size() - 3)
               : std::wstring();
  }
  return text;
}

std::wstring CXmlNode::GetCDATAValue() const {
  xmlNodePtr node = node_.get();
  if (node == nullptr) return {};
  return TakeXml(xmlNodeGetContent(node));
}

bool CXmlNode::SetText(const std::wstring& text) {
  xmlNodePtr node = node_.get();
  if (node == nullptr) return false;
  const std::string content = ToXml(text);
  switch (node->type) {
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
      kv::fileutil::ReplaceChildrenWithText(*XmlAccess::Owner(node_), node, content);
      return true;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      xmlNodeSetContentLen(node, reinterpret_cast<const xmlChar*>(content.data()),
                           static_cast<int>(content.size()));
      return true;
    default: return false;
  }
}

int CXmlNode::GetNodeType() const {
  xmlNodePtr node = node_.get();
  if (node == nullptr) return NODE_INVALID;
  switch (node->type) {
    case XML_HTML_DOCUMENT_NODE: return NODE_DOCUMENT;
    case XML_DTD_NODE: return NODE_DOCUMENT_TYPE;
    case XML_ENTITY_DECL: return NODE_ENTITY;
    default: return node->type <= XML_NOTATION_NODE ? static_cast<int>(node->type) : NODE_INVALID;
  }
}

CXmlAttributes CXmlNode::GetAttributes() const {
  CXmlAttributes attributes;
  attributes.SetAttributes(node_);
  return attributes;
}

CXmlNodeList CXmlNode::GetChildNodes() const {
  CXmlNodeList list;
  list.SetNodeList(kv::fileutil::ChildrenOf(XmlAccess::Owner(node_), node_.get()));
  return list;
}

bool CXmlNode::AppendChild(const CXmlNode& child) {
  xmlNodePtr parent = node_.get();
  xmlNodePtr node = child.node_.get();
  if (parent == nullptr || node == nullptr ||
      XmlAccess::Owner(node_) != XmlAccess::Owner(child.node_)) {
    return false;
  }
  const bool toDocument = parent->type == XML_DOCUMENT_NODE;
  if (!toDocument && parent->type != XML_ELEMENT_NODE && parent->type != XML_DOCUMENT_FRAG_NODE) {
    return false;
  }
  // A fragment gives its children.
  std::vector<xmlNodePtr> nodes;
  if (node->type == XML_DOCUMENT_FRAG_NODE) {
    for (xmlNodePtr c = node->children; c != nullptr; c = c->next) nodes.push_back(c);
  } else {
    nodes.push_back(node);
  }
  for (xmlNodePtr n : nodes) {
    if (!CanBeChild(n->type)) return false;
    for (xmlNodePtr up = parent; up != nullptr; up = up->parent) {
      if (up == n) return false;  // a node into itself or its own descendant
    }
    if (toDocument) {
      // A document holds one element and no text.
      if (n->type == XML_TEXT_NODE || n->type == XML_CDATA_SECTION_NODE ||
          n->type == XML_ENTITY_REF_NODE) {
        return false;
      }
      if (n->type == XML_ELEMENT_NODE) {
        xmlNodePtr root = xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(parent));
        if (root != nullptr && root != n) return false;
      }
    }
  }
  kv::fileutil::XmlDocumentOwner& owner = *XmlAccess::Owner(node_);
  for (xmlNodePtr n : nodes) {
    if (n->parent != nullptr) xmlUnlinkNode(n);
    LinkLast(parent, n);
    owner.Attached(n);
  }
  return true;
}

bool CXmlNode::RemoveChild(const std::wstring& query) {
  xmlNodePtr parent = node_.get();
  if (parent == nullptr) return false;
  xmlNodePtr found = SelectSingleNode(query).node_.get();
  if (found == nullptr || found->parent != parent || found->type == XML_ATTRIBUTE_NODE)
    return false;
  XmlAccess::Owner(node_)->Detach(found);
  return true;
}

CXmlNode CXmlNode::CloneNode(short deep) const {
  xmlNodePtr node = node_.get();
  if (node == nullptr || node->type == XML_DOCUMENT_NODE) return CXmlNode();
  const auto& owner = XmlAccess::Owner(node_);
  // Not deep: the node with its attributes, without its children.
  xmlNodePtr copy =
      node->type == XML_ATTRIBUTE_NODE
          ? reinterpret_cast<xmlNodePtr>(xmlCopyProp(nullptr, reinterpret_cast<xmlAttrPtr>(node)))
          : xmlDocCopyNode(node, owner->document(), deep != 0 ? 1 : 2);
  if (copy == nullptr) return CXmlNode();
  owner->Adopt(copy);
  return CXmlNode(XmlAccess::Make(owner, copy));
}

bool CXmlNode::SetAttribute(const std::wstring& name, const std::wstring& value) {
  xmlNodePtr element = node_.get();
  const std::string xmlName = ToXml(name);
  if (element == nullptr || element->type != XML_ELEMENT_NODE ||
      !kv::fileutil::IsXmlName(xmlName)) {
    return false;
  }
  xmlNodePtr attribute = nullptr;
  for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next) {
    if (kv::fileutil::QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == xmlName) {
      attribute = reinterpret_cast<xmlNodePtr>(a);
      break;
    }
  }
  if (attribute == nullptr) {
    attribute = reinterpret_cast<xmlNodePtr>(
        xmlNewProp(element, reinterpret_cast<const xmlChar*>(xmlName.c_str()), nullptr));
    if (attribute == nullptr) return false;
  }
  kv::fileutil::ReplaceChildrenWithText(*XmlAccess::Owner(node_), attribute, ToXml(value));
  return true;
}

bool CXmlNode::SetAttribute(const std::wstring& name, int value) {
  return SetAttribute(name, std::to_wstring(value));
}

CXmlNodeList CXmlNode::SelectNodes(const std::wstring& query) const {
  CXmlNodeList list;
  list.SetNodeList(kv::fileutil::Select(XmlAccess::Owner(node_), node_.get(), query));
  return list;
}

CXmlNode CXmlNode::SelectSingleNode(const std::wstring& query) const {
  return SelectNodes(query)[0];
}

XmlNodePtr CXmlNode::GetNode() const { return node_; }

void CXmlNode::SetNode(XmlNodePtr node) { node_ = std::move(node); }
