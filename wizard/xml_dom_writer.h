// CXmlDomWriter: a cursor over an XML document being built (libxml2): select or add children,
// set attributes and text, save. Each operation answers 1, or 0 with the reason in LastError.
#pragma once

#include <map>
#include <string>

struct _xmlDoc;
struct _xmlNode;

class CXmlDomWriter {
 public:
  CXmlDomWriter();
  ~CXmlDomWriter();
  CXmlDomWriter(const CXmlDomWriter&) = delete;
  CXmlDomWriter& operator=(const CXmlDomWriter&) = delete;

  int GoToDocument();
  int SelectChild(const std::string& name);
  int SelectNthChild(const std::string& name, int n);
  int SelectOrAddChild(const std::string& name, bool create);
  int AddChild(const std::string& name);
  int SetAttribute(const std::string& name, const std::string& value);
  int SetText(const std::string& text);
  // Writes the document without an XML declaration; an empty path reuses the last one.
  int Save(const std::string& path);
  const std::string& LastError() const { return m_lastError; }

 private:
  int Fail(const char* text);

  _xmlDoc* m_document = nullptr;
  _xmlNode* m_current = nullptr;  // null: the document itself
  bool m_atDocument = true;
  std::string m_savedPath;
  std::string m_lastError;
};
