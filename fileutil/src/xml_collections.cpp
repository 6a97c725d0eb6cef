// CXmlNodeList, CXmlAttribute, CXmlAttributes and CCDATASection.
#include <libxml/tree.h>

#include "KVFileUtilities/xml.h"
#include "KVPlatform/text.h"
#include "xml_owner.h"

using kv::fileutil::TakeXml;
using kv::fileutil::ToXml;
using kv::fileutil::XmlAccess;

namespace {

xmlNodePtr OfType(const XmlNodePtr& pointer, xmlElementType type) {
  xmlNodePtr node = pointer.get();
  return node != nullptr && node->type == type ? node : nullptr;
}

CXmlAttribute AttributeWrapper(const XmlNodePtr& element, xmlAttrPtr attribute) {
  CXmlAttribute wrapper;
  wrapper.SetNode(
      XmlAccess::Make(XmlAccess::Owner(element), reinterpret_cast<xmlNodePtr>(attribute)));
  return wrapper;
}

}  // namespace

// --- CXmlNodeList ------------------------------------------------------------------

CXmlNodeList::CXmlNodeList() = default;
CXmlNodeList::CXmlNodeList(const CXmlNodeList& other) = default;
CXmlNodeList& CXmlNodeList::operator=(const CXmlNodeList& other) = default;
CXmlNodeList::~CXmlNodeList() = default;

bool CXmlNodeList::IsValid() const { return list_ != nullptr; }

long CXmlNodeList::GetNodeCount() const {
  return list_ != nullptr ? static_cast<long>(list_->size()) : 0;
}

CXmlNode CXmlNodeList::operator[](long index) const {
  if (list_ == nullptr || index < 0 || static_cast<size_t>(index) >= list_->size()) {
    return CXmlNode();
  }
  return CXmlNode(XmlAccess::Make(list_->owner, list_->at(static_cast<size_t>(index))));
}

XmlNodeListPtr CXmlNodeList::GetNodeList() const { return list_; }

void CXmlNodeList::SetNodeList(XmlNodeListPtr list) { list_ = std::move(list); }

// --- CXmlAttribute -----------------------------------------------------------------

CXmlAttribute::CXmlAttribute() = default;
CXmlAttribute::CXmlAttribute(const CXmlAttribute& other) = default;
CXmlAttribute& CXmlAttribute::operator=(const CXmlAttribute& other) = default;
CXmlAttribute::~CXmlAttribute() = default;

bool CXmlAttribute::IsValid() const { return static_cast<bool>(node_); }

std::wstring CXmlAttribute::GetName() const {
  xmlNodePtr node = node_.get();
  return node != nullptr ? kv::AnsiToWide(kv::fileutil::QualifiedName(node)) : std::wstring();
}

std::wstring CXmlAttribute::GetValue() const {
  xmlNodePtr node = node_.get();
  return node != nullptr ? TakeXml(xmlNodeGetContent(node)) : std::wstring();
}

XmlNodePtr CXmlAttribute::GetNode() const { return node_; }

void CXmlAttribute::SetNode(XmlNodePtr node) {
  node_ = OfType(node, XML_ATTRIBUTE_NODE) != nullptr ? std::move(node) : XmlNodePtr();
}

// --- CXmlAttributes ----------------------------------------------------------------

CXmlAttributes::CXmlAttributes() = default;
CXmlAttributes::CXmlAttributes(const CXmlAttributes& other) = default;
CXmlAttributes& CXmlAttributes::operator=(const CXmlAttributes& other) = default;
CXmlAttributes::~CXmlAttributes() = default;

bool CXmlAttributes::IsValid() const { return static_cast<bool>(element_); }

long CXmlAttributes::GetAttributeCount() const {
  xmlNodePtr element = element_.get();
  if (element == nullptr) return 0;
  long count = 0;
  for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next) ++count;
  return count;
}

CXmlAttribute CXmlAttributes::operator[](long index) const {
  xmlNodePtr element = element_.get();
  if (element == nullptr || index < 0) return CXmlAttribute();
  xmlAttrPtr a = element->properties;
  for (long i = 0; a != nullptr && i < index; ++i) a = a->next;
  return a != nullptr ? AttributeWrapper(element_, a) : CXmlAttribute();
}

CXmlAttribute CXmlAttributes::operator[](const std::wstring& name) const {
  xmlNodePtr element = element_.get();
  if (element == nullptr) return CXmlAttribute();
  const std::string wanted = ToXml(name);
  for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next) {
    if (kv::fileutil::QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == wanted) {
      return AttributeWrapper(element_, a);
    }
  }
  return CXmlAttribute();
}

bool CXmlAttributes::Add(CXmlAttribute& attribute) {
  xmlNodePtr element = element_.get();
  if (element == nullptr) return false;
  const XmlNodePtr added = attribute.GetNode();
  xmlNodePtr node = added.get();
  if (node == nullptr || node->parent != nullptr ||
      XmlAccess::Owner(added) != XmlAccess::Owner(element_)) {
    return true;
  }
  kv::fileutil::XmlDocumentOwner& owner = *XmlAccess::Owner(element_);
  const std::string name = kv::fileutil::QualifiedName(node);
  xmlAttrPtr last = nullptr;
  for (xmlAttrPtr a = element->properties; a != nullptr;) {
    xmlAttrPtr next = a->next;
    if (kv::fileutil::QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == name) {
      owner.Detach(reinterpret_cast<xmlNodePtr>(a));  // replaced, not freed
    } else {
      last = a;
    }
    a = next;
  }
  xmlAttrPtr linked = reinterpret_cast<xmlAttrPtr>(node);
  linked->parent = element;
  linked->next = nullptr;
  linked->prev = last;
  if (last != nullptr) {
    last->next = linked;
  } else {
    element->properties = linked;
  }
  owner.Attached(node);
  return true;
}

XmlNodePtr CXmlAttributes::GetAttributes() const { return element_; }

void CXmlAttributes::SetAttributes(XmlNodePtr element) {
  element_ = OfType(element, XML_ELEMENT_NODE) != nullptr ? std::move(element) : XmlNodePtr();
}

// --- CCDATASection -----------------------------------------------------------------

CCDATASection::CCDATASection() = default;
CCDATASection::CCDATASection(const CCDATASection& other) = default;
CCDATASection& CCDATASection::operator=(const CCDATASection& other) = default;
CCDATASection::~CCDATASection() = default;

bool CCDATASection::IsValid() const { return static_cast<bool>(node_); }

void CCDATASection::Attach(XmlNodePtr node) {
  node_ = OfType(node, XML_CDATA_SECTION_NODE) != nullptr ? std::move(node) : XmlNodePtr();
}

CCDATASection::operator CXmlNode() const { return CXmlNode(node_); }

_xmlNode* CCDATASection::operator&() const { return node_.get(); }
