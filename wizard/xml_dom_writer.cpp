#include "xml_dom_writer.h"

#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <cstring>

namespace {

const xmlChar* Xml(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }

}  // namespace

CXmlDomWriter::CXmlDomWriter() : m_document(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0"))) {}

CXmlDomWriter::~CXmlDomWriter() { xmlFreeDoc(m_document); }

int CXmlDomWriter::Fail(const char* text) {
  m_lastError = text;
  return 0;
}

int CXmlDomWriter::GoToDocument() {
  m_current = nullptr;
  m_atDocument = true;
  return m_document ? 1 : Fail("no document");
}

int CXmlDomWriter::SelectNthChild(const std::string& name, int n) {
  if (!m_document || (!m_atDocument && !m_current)) return Fail("pCurrentNode가 NULL입니다.");
  xmlNode* first = m_atDocument ? m_document->children : m_current->children;
  int seen = 0;
  for (xmlNode* node = first; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || name != reinterpret_cast<const char*>(node->name)) continue;
    if (++seen == n) {
      m_current = node;
      m_atDocument = false;
      return 1;
    }
  }
  return Fail("해당되는 sub 태그를 찾지 못했습니다.");
}

int CXmlDomWriter::SelectChild(const std::string& name) { return SelectNthChild(name, 1); }

int CXmlDomWriter::SelectOrAddChild(const std::string& name, bool create) {
  if (SelectChild(name)) return 1;
  if (!create || !AddChild(name)) return 0;
  return SelectChild(name);
}

int CXmlDomWriter::AddChild(const std::string& name) {
  if (!m_document || (!m_atDocument && !m_current)) return Fail("pCurrentNode가 NULL입니다.");
  if (name.empty()) return Fail("no element name");
  xmlNode* node = xmlNewNode(nullptr, Xml(name));
  if (m_atDocument) {
    // The document holds one root element.
    if (xmlDocGetRootElement(m_document)) {
      xmlFreeNode(node);
      return Fail("the document has its root already");
    }
    xmlDocSetRootElement(m_document, node);
  } else {
    xmlAddChild(m_current, node);
  }
  return 1;
}

int CXmlDomWriter::SetAttribute(const std::string& name, const std::string& value) {
  if (name.empty()) return Fail("속성이름을 입력하지 않았음");
  if (value.empty()) return Fail("속성값을 입력하지 않았음");
  if (m_atDocument || !m_current) return Fail("속성값을 읽어오지 못했습니다");
  return xmlSetProp(m_current, Xml(name), Xml(value)) ? 1 : Fail("속성값을 읽어오지 못했습니다");
}

int CXmlDomWriter::SetText(const std::string& text) {
  if (text.empty()) return Fail("태그text값이 넘어오지 않았음");
  if (m_atDocument || !m_current) return Fail("pCurrentNode가 NULL입니다.");
  xmlChar* escaped = xmlEncodeSpecialChars(m_document, Xml(text));
  xmlNodeSetContent(m_current, escaped);
  xmlFree(escaped);
  return 1;
}

int CXmlDomWriter::Save(const std::string& path) {
  const std::string target = path.empty() ? m_savedPath : path;
  if (target.empty() || !m_document) return Fail("저장에 실패했습니다");
  xmlSaveCtxt* save = xmlSaveToFilename(target.c_str(), "UTF-8", XML_SAVE_NO_DECL);
  if (!save) return Fail("저장에 실패했습니다");
  const long written = xmlSaveDoc(save, m_document);
  if (xmlSaveClose(save) < 0 || written < 0) return Fail("저장에 실패했습니다");
  m_savedPath = target;
  return 1;
}
