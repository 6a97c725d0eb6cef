// CXmlDocument: loading, saving and the document's factory and query calls.
#include <libxml/tree.h>

#include <cmath>
#include <cwchar>
#include <iterator>

#include "KVFileUtilities/xml.h"
#include "KVPlatform/text.h"
#include "KVPlatform/xml_file.h"
#include "xml_owner.h"

using kv::fileutil::OwnDocument;
using kv::fileutil::ToXml;
using kv::fileutil::XmlAccess;

namespace {

// A node type from its number or its name; 0 when it is neither.
int NodeTypeOf(const XmlVariant& type) {
  if (const long long* number = std::get_if<long long>(&type)) {
    return *number >= 0 && *number <= NODE_NOTATION ? static_cast<int>(*number) : 0;
  }
  if (const double* number = std::get_if<double>(&type)) {
    return *number == std::floor(*number) && *number >= 0 &&
                   *number <= static_cast<double>(NODE_NOTATION)
               ? static_cast<int>(*number)
               : 0;
  }
  static constexpr std::pair<const wchar_t*, int> kNames[] = {
      {L"element", NODE_ELEMENT},
      {L"attribute", NODE_ATTRIBUTE},
      {L"text", NODE_TEXT},
      {L"cdatasection", NODE_CDATA_SECTION},
      {L"entityreference", NODE_ENTITY_REFERENCE},
      {L"processinginstruction", NODE_PROCESSING_INSTRUCTION},
      {L"comment", NODE_COMMENT},
      {L"documentfragment", NODE_DOCUMENT_FRAGMENT},
  };
  for (const auto& [name, number] : kNames) {
    if (std::get<std::wstring>(type) == name) return number;
  }
  return 0;
}

// A value as text: strings as they are, numbers in decimal.
std::string ValueText(const XmlVariant& value) {
  if (const std::wstring* text = std::get_if<std::wstring>(&value)) return ToXml(*text);
  if (const long long* number = std::get_if<long long>(&value)) return std::to_string(*number);
  wchar_t text[32];
  std::swprintf(text, std::size(text), L"%.15g", std::get<double>(value));
  return ToXml(text);
}

}  // namespace

CXmlDocument::CXmlDocument() = default;
CXmlDocument::CXmlDocument(const CXmlDocument& other) = default;
CXmlDocument& CXmlDocument::operator=(const CXmlDocument& other) = default;
CXmlDocument::~CXmlDocument() = default;

bool CXmlDocument::IsValid() const { return document_ != nullptr; }

bool CXmlDocument::Load(const std::wstring& path) {
  xmlDocPtr document = nullptr;
  const bool loaded = kv::LoadXmlFile(path, &document).ok();
  document_ = OwnDocument(loaded ? document : xmlNewDoc(BAD_CAST "1.0"));
  return loaded;
}

bool CXmlDocument::LoadXml(const std::wstring& xml) {
  // The text is wide already: whatever its declaration says, it is read as UTF-8, and a
  // byte-order mark it kept from its file is no part of it.
  std::wstring_view text = xml;
  if (!text.empty() && text.front() == L'\uFEFF') text.remove_prefix(1);
  xmlDocPtr document = kv::ParseXml(ToXml(text), "UTF-8");
  const bool loaded = document != nullptr;
  document_ = OwnDocument(loaded ? document : xmlNewDoc(BAD_CAST "1.0"));
  return loaded;
}

bool CXmlDocument::Save(const std::wstring& path) {
  if (document_ == nullptr) return false;
  return kv::SaveXmlFile(document_->document(), path).ok();
}

std::wstring CXmlDocument::GetXml() const {
  if (document_ == nullptr || document_->document()->children == nullptr) return {};
  return kv::AnsiToWide(kv::SerializeXml(document_->document(), "UTF-8"));
}

CXmlNode CXmlDocument::GetDocumentElement() const {
  if (document_ == nullptr) return CXmlNode();
  return CXmlNode(XmlAccess::Make(document_, xmlDocGetRootElement(document_->document())));
}

CXmlNodeList CXmlDocument::GetChildNodes() const {
  CXmlNodeList list;
  if (document_ != nullptr) {
    list.SetNodeList(
        kv::fileutil::ChildrenOf(document_, reinterpret_cast<xmlNodePtr>(document_->document())));
  }
  return list;
}

CXmlNode CXmlDocument::CreateNode(const XmlVariant& type, const std::wstring& name) const {
  if (document_ == nullptr) return CXmlNode();
  xmlDocPtr document = document_->document();
  const std::string xmlName = ToXml(name);
  const auto* rawName = reinterpret_cast<const xmlChar*>(xmlName.c_str());
  xmlNodePtr node = nullptr;
  switch (NodeTypeOf(type)) {
    case NODE_ELEMENT:
      if (kv::fileutil::IsXmlName(xmlName))
        node = xmlNewDocNode(document, nullptr, rawName, nullptr);
      break;
    case NODE_ATTRIBUTE:
      if (kv::fileutil::IsXmlName(xmlName)) {
        node = reinterpret_cast<xmlNodePtr>(xmlNewDocProp(document, rawName, nullptr));
      }
      break;
    case NODE_TEXT: node = xmlNewDocText(document, BAD_CAST ""); break;
    case NODE_CDATA_SECTION: node = xmlNewCDataBlock(document, BAD_CAST "", 0); break;
    case NODE_ENTITY_REFERENCE:
      if (kv::fileutil::IsXmlName(xmlName)) node = xmlNewReference(document, rawName);
      break;
    case NODE_PROCESSING_INSTRUCTION:
      if (kv::fileutil::IsXmlName(xmlName)) node = xmlNewDocPI(document, rawName, nullptr);
      break;
    case NODE_COMMENT: node = xmlNewDocComment(document, BAD_CAST ""); break;
    case NODE_DOCUMENT_FRAGMENT: node = xmlNewDocFragment(document); break;
    default: break;
  }
  if (node == nullptr) return CXmlNode();
  document_->Adopt(node);
  return CXmlNode(XmlAccess::Make(document_, node));
}

CXmlAttribute CXmlDocument::CreateAttribute(const std::wstring& name,
                                            const XmlVariant& value) const {
  CXmlAttribute attribute;
  const std::string xmlName = ToXml(name);
  if (document_ == nullptr || !kv::fileutil::IsXmlName(xmlName)) return attribute;
  xmlAttrPtr created = xmlNewDocProp(document_->document(),
                                     reinterpret_cast<const xmlChar*>(xmlName.c_str()), nullptr);
  if (created == nullptr) return attribute;
  xmlNodePtr node = reinterpret_cast<xmlNodePtr>(created);
  document_->Adopt(node);
  kv::fileutil::ReplaceChildrenWithText(*document_, node, ValueText(value));
  attribute.SetNode(XmlAccess::Make(document_, node));
  return attribute;
}

CCDATASection CXmlDocument::CreateCDATASection(const std::wstring& text) const {
  CCDATASection section;
  if (document_ == nullptr) return section;
  const std::string content = ToXml(text);
  xmlNodePtr node =
      xmlNewCDataBlock(document_->document(), reinterpret_cast<const xmlChar*>(content.data()),
                       static_cast<int>(content.size()));
  if (node == nullptr) return section;
  document_->Adopt(node);
  section.Attach(XmlAccess::Make(document_, node));
  return section;
}

CXmlNodeList CXmlDocument::SelectNodes(const std::wstring& query) const {
  CXmlNodeList list;
  if (document_ != nullptr) {
    list.SetNodeList(kv::fileutil::Select(
        document_, reinterpret_cast<xmlNodePtr>(document_->document()), query));
  }
  return list;
}

CXmlNode CXmlDocument::SelectSingleNode(const std::wstring& query) const {
  return SelectNodes(query)[0];
}

XmlDocumentPtr CXmlDocument::GetDocument() const { return document_; }
