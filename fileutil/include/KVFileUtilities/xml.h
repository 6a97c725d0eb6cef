// XML document wrapper classes: six small value types over a document object model,
// here libxml2's. Each holds one counted reference to what it wraps and turns every
// call into a boolean, a count, a string or another wrapper; nothing throws on an XML
// failure, and a wrapper that holds nothing answers every query with an empty result
// (false, 0, an empty string, an empty wrapper) without doing anything.
//
// What stands in for the design's COM interfaces: a document is a libxml2 document
// (xmlDoc) and a node, attribute, CDATA section or attribute collection is one of its
// nodes (xmlNode; an attribute collection is its element). The document class and
// interface identifiers of the design have no counterpart: every document is a libxml2
// document. The counted references are XmlDocumentPtr, XmlNodePtr and XmlNodeListPtr;
// a document lives while any reference to it or to one of its nodes lives, so a copy of
// a wrapper outlives the original and nodes outlive their document wrapper. Nodes taken
// out of the tree (RemoveChild, replaced text and attributes) stay valid for the
// wrappers that hold them until the document goes.
//
// Strings are wide (the design's CStringW is std::wstring). Queries are XPath 1.0.
// Documents are read with no network access and no entity substitution, and white
// space between elements is dropped, as the document object model the system was
// written against does by default (see KVPlatform/xml_file.h). A wrapper and its
// document are used on one thread at a time.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "KVPlatform/export.h"

struct _xmlNode;

namespace kv::fileutil {
class XmlDocumentOwner;
struct XmlNodeSet;
struct XmlAccess;
}  // namespace kv::fileutil

// Node types, with the DOM numbers.
enum DOMNodeType {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12,
};

// The design's VARIANT arguments: text or a number.
using XmlVariant = std::variant<std::wstring, long long, double>;

// A counted reference to a document.
using XmlDocumentPtr = std::shared_ptr<kv::fileutil::XmlDocumentOwner>;
// A counted reference to a list of nodes (a query's result, a node's children when it
// was asked for).
using XmlNodeListPtr = std::shared_ptr<const kv::fileutil::XmlNodeSet>;

// A counted reference to one node of a document.
class XmlNodePtr {
 public:
  XmlNodePtr() = default;
  // The libxml2 node, for code that goes on with libxml2 itself; valid while this
  // reference lives.
  _xmlNode* get() const { return node_; }
  explicit operator bool() const { return node_ != nullptr; }
  friend bool operator==(const XmlNodePtr& a, const XmlNodePtr& b) { return a.node_ == b.node_; }

 private:
  friend struct kv::fileutil::XmlAccess;
  XmlDocumentPtr owner_;
  _xmlNode* node_ = nullptr;
};

class CXmlNode;
class CXmlNodeList;
class CXmlAttribute;
class CXmlAttributes;
class CCDATASection;

class KV_EXPORT CXmlDocument {
 public:
  CXmlDocument();
  CXmlDocument(const CXmlDocument& other);
  CXmlDocument& operator=(const CXmlDocument& other);
  ~CXmlDocument();
  bool IsValid() const;

  // Replaces the document with one read from a file (a Windows path). False when the
  // file cannot be read or is not well-formed; the wrapper then holds an empty document.
  bool Load(const std::wstring& path);
  // The same from text (a byte-order mark before it is ignored).
  bool LoadXml(const std::wstring& xml);
  // Writes the document to a file: a temporary file beside it renamed over it, so that
  // a failed save leaves the old file as it was. False without a document or a document
  // element.
  bool Save(const std::wstring& path);
  // The document as XML text (empty for an empty document).
  std::wstring GetXml() const;

  CXmlNode GetDocumentElement() const;
  CXmlNodeList GetChildNodes() const;
  // A new node of the document, not yet in its tree. The type is a node type number or
  // its name ("element", "attribute", "text", "cdatasection", "entityreference",
  // "processinginstruction", "comment", "documentfragment"); the name must be a valid
  // XML name where the type has one.
  CXmlNode CreateNode(const XmlVariant& type, const std::wstring& name) const;
  // A new attribute with its value (numbers as decimal text), not yet on an element.
  CXmlAttribute CreateAttribute(const std::wstring& name, const XmlVariant& value) const;
  CCDATASection CreateCDATASection(const std::wstring& text) const;
  CXmlNodeList SelectNodes(const std::wstring& query) const;
  CXmlNode SelectSingleNode(const std::wstring& query) const;
  XmlDocumentPtr GetDocument() const;

 private:
  XmlDocumentPtr document_;
};

class KV_EXPORT CXmlNode {
 public:
  CXmlNode();
  CXmlNode(XmlNodePtr node);  // NOLINT: a wrapper converts from what it wraps
  CXmlNode(const CXmlNode& other);
  CXmlNode& operator=(const CXmlNode& other);
  ~CXmlNode();
  bool IsValid() const;
  void Attach(XmlNodePtr node);

  // The DOM node name: the tag or attribute name, "#text", "#cdata-section",
  // "#comment", "#document", "#document-fragment", a processing instruction's target.
  std::wstring GetName() const;
  // The DOM node value: the text of attributes, text, CDATA sections, comments and
  // processing instructions; empty for the others.
  std::wstring GetValue() const;
  // The text of the node and its descendants (text and CDATA, not comments), without
  // white space at either end for elements and documents; text that begins with
  // "<![CDATA[" loses that marker and its last three characters.
  std::wstring GetText() const;
  // The node's text exactly as stored (nothing trimmed).
  std::wstring GetCDATAValue() const;
  // Replaces an element's content with one text node, or sets the value of an
  // attribute, text, CDATA section, comment or processing instruction.
  bool SetText(const std::wstring& text);
  // The DOMNodeType number; 0 for an empty wrapper.
  int GetNodeType() const;
  CXmlAttributes GetAttributes() const;
  CXmlNodeList GetChildNodes() const;
  // Appends a node of the same document (moving it when it is in the tree already; a
  // document fragment gives its children). Fails for attributes, documents, a node's
  // own ancestors, a second document element and text at the document's level.
  bool AppendChild(const CXmlNode& child);
  // Removes the first node the query selects, which must be a direct child.
  bool RemoveChild(const std::wstring& query);
  CXmlNode CloneNode(short deep) const;
  // Sets an attribute of an element (false for other nodes or an invalid name).
  bool SetAttribute(const std::wstring& name, const std::wstring& value);
  bool SetAttribute(const std::wstring& name, int value);
  CXmlNodeList SelectNodes(const std::wstring& query) const;
  CXmlNode SelectSingleNode(const std::wstring& query) const;
  XmlNodePtr GetNode() const;
  void SetNode(XmlNodePtr node);

 private:
  XmlNodePtr node_;
};

class KV_EXPORT CXmlNodeList {
 public:
  CXmlNodeList();
  CXmlNodeList(const CXmlNodeList& other);
  CXmlNodeList& operator=(const CXmlNodeList& other);
  ~CXmlNodeList();
  bool IsValid() const;
  long GetNodeCount() const;
  // The node at `index`; an empty wrapper out of range.
  CXmlNode operator[](long index) const;
  XmlNodeListPtr GetNodeList() const;
  void SetNodeList(XmlNodeListPtr list);

 private:
  XmlNodeListPtr list_;
};

class KV_EXPORT CXmlAttribute {
 public:
  CXmlAttribute();
  CXmlAttribute(const CXmlAttribute& other);
  CXmlAttribute& operator=(const CXmlAttribute& other);
  ~CXmlAttribute();
  bool IsValid() const;
  std::wstring GetName() const;
  std::wstring GetValue() const;
  XmlNodePtr GetNode() const;
  // Holds `node` when it is an attribute, else nothing.
  void SetNode(XmlNodePtr node);

 private:
  XmlNodePtr node_;
};

// The attributes of an element, in document order (GetAttributes gives the element).
class KV_EXPORT CXmlAttributes {
 public:
  CXmlAttributes();
  CXmlAttributes(const CXmlAttributes& other);
  CXmlAttributes& operator=(const CXmlAttributes& other);
  ~CXmlAttributes();
  bool IsValid() const;
  long GetAttributeCount() const;
  CXmlAttribute operator[](long index) const;
  CXmlAttribute operator[](const std::wstring& name) const;
  // Puts an attribute made by CreateAttribute on the element, replacing one of the same
  // name. True whenever there is a collection (what the element did with it is not
  // looked at: an attribute of another document or already on an element is left out).
  bool Add(CXmlAttribute& attribute);
  XmlNodePtr GetAttributes() const;
  // Holds `element` when it is an element, else nothing.
  void SetAttributes(XmlNodePtr element);

 private:
  XmlNodePtr element_;
};

class KV_EXPORT CCDATASection {
 public:
  CCDATASection();
  CCDATASection(const CCDATASection& other);
  CCDATASection& operator=(const CCDATASection& other);
  ~CCDATASection();
  bool IsValid() const;
  // Holds `node` when it is a CDATA section, else nothing.
  void Attach(XmlNodePtr node);
  // A node wrapper on the same section.
  operator CXmlNode() const;
  // The libxml2 node itself (no reference taken); null when empty.
  _xmlNode* operator&() const;

 private:
  XmlNodePtr node_;
};
