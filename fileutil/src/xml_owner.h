// The machinery under the XML wrappers: the owner of a libxml2 document and of its nodes
// that are in no tree, counted references to nodes, node lists, XPath queries, text
// conversions and the tree edits that never free a node a wrapper may hold.
#pragma once

#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "KVFileUtilities/xml.h"

namespace kv::fileutil {

// Owns a document and the nodes made for it or taken out of its tree: all are freed
// together when the last reference goes. Nodes are never freed before, so every node a
// wrapper holds stays valid.
class XmlDocumentOwner {
 public:
  explicit XmlDocumentOwner(xmlDocPtr document) : document_(document) {}
  ~XmlDocumentOwner();
  XmlDocumentOwner(const XmlDocumentOwner&) = delete;
  XmlDocumentOwner& operator=(const XmlDocumentOwner&) = delete;

  xmlDocPtr document() const { return document_; }
  // A new node that is in no tree.
  void Adopt(xmlNodePtr node) { detached_.insert(node); }
  // Takes a node (or attribute) out of its tree; it stays owned here.
  void Detach(xmlNodePtr node);
  // A node that was in no tree has joined one.
  void Attached(xmlNodePtr node) { detached_.erase(node); }

 private:
  xmlDocPtr document_;
  std::unordered_set<xmlNodePtr> detached_;
};

// A node list: the nodes and the document they belong to, held as a list of their own
// or as the node set of an XPath result (which the list then owns).
struct XmlNodeSet {
  XmlNodeSet() = default;
  XmlNodeSet(const XmlNodeSet&) = delete;
  XmlNodeSet& operator=(const XmlNodeSet&) = delete;
  ~XmlNodeSet();

  size_t size() const;
  xmlNodePtr at(size_t index) const;

  XmlDocumentPtr owner;
  std::vector<xmlNodePtr> nodes;
  xmlXPathObjectPtr result = nullptr;
};

// Access to the insides of XmlNodePtr.
struct XmlAccess {
  static XmlNodePtr Make(XmlDocumentPtr owner, xmlNodePtr node) {
    XmlNodePtr pointer;
    if (owner != nullptr && node != nullptr) {
      pointer.owner_ = std::move(owner);
      pointer.node_ = node;
    }
    return pointer;
  }
  static const XmlDocumentPtr& Owner(const XmlNodePtr& pointer) { return pointer.owner_; }
  static xmlNodePtr Node(const XmlNodePtr& pointer) { return pointer.node_; }
};

// A new document owner; null for a null document.
XmlDocumentPtr OwnDocument(xmlDocPtr document);

// libxml2's UTF-8 and wide text.
std::wstring FromXml(const xmlChar* text);
std::string ToXml(std::wstring_view text);
// A string libxml2 gives to be freed, as wide text.
std::wstring TakeXml(xmlChar* text);

// "prefix:name" of an element or attribute, as libxml2 text.
std::string QualifiedName(xmlNodePtr node);

// The nodes an XPath 1.0 query selects from `context`, in document order; null for a
// query that is not valid or does not select nodes.
XmlNodeListPtr Select(const XmlDocumentPtr& owner, xmlNodePtr context, std::wstring_view query);
// The children of a node, as they are now.
XmlNodeListPtr ChildrenOf(const XmlDocumentPtr& owner, xmlNodePtr node);

// Replaces the children of an element or attribute with one text node (none for empty
// text); the old children are taken out of the tree, not freed.
void ReplaceChildrenWithText(XmlDocumentOwner& owner, xmlNodePtr node, std::string_view text);

// True for a valid XML name (the names of elements, attributes, processing instructions).
bool IsXmlName(const std::string& name);

}  // namespace kv::fileutil
