#include "platform/dvd/author_xml.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>

namespace platform::dvd {

namespace {

const char* Text(const xmlChar* s) { return reinterpret_cast<const char*>(s); }
const xmlChar* Xml(const char* s) { return reinterpret_cast<const xmlChar*>(s); }

xmlNode* Child(xmlNode* parent, const char* name) {
  for (xmlNode* n = parent ? parent->children : nullptr; n; n = n->next)
    if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, Xml(name)) == 0) return n;
  return nullptr;
}

std::string Attribute(xmlNode* node, const char* name) {
  xmlChar* value = xmlGetProp(node, Xml(name));
  std::string out = value ? Text(value) : "";
  xmlFree(value);
  return out;
}

std::string Content(xmlNode* node) {
  xmlChar* value = xmlNodeGetContent(node);
  std::string out = value ? Text(value) : "";
  xmlFree(value);
  return out;
}

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

}  // namespace

bool ReadAuthorJob(const std::string& path, AuthorJob* job, std::string* error) {
  std::unique_ptr<xmlDoc, DocFree> doc(xmlReadFile(path.c_str(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR));
  xmlNode* root = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
  if (!root || xmlStrcmp(root->name, Xml("qndvdauthor")) != 0) {
    *error = "cannot read " + path;
    return false;
  }
  job->output = Attribute(root, "output");
  job->jumppad = Attribute(root, "jumppad");
  if (xmlNode* fppgc = Child(Child(root, "vmg"), "fppgc")) job->firstPlay = Content(fppgc);
  xmlNode* title = Child(Child(root, "vts"), "title");
  for (xmlNode* pgc = title ? title->children : nullptr; pgc; pgc = pgc->next) {
    if (pgc->type != XML_ELEMENT_NODE || xmlStrcmp(pgc->name, Xml("pgc")) != 0) continue;
    for (xmlNode* vob = pgc->children; vob; vob = vob->next)
      if (vob->type == XML_ELEMENT_NODE && xmlStrcmp(vob->name, Xml("vob")) == 0)
        job->vobs.push_back({Attribute(vob, "path"), Attribute(vob, "chapters")});
  }
  if (job->output.empty() || job->vobs.empty() || job->vobs.front().path.empty()) {
    *error = path + " names no output folder or video";
    return false;
  }
  return true;
}

std::string DvdauthorProject(const AuthorJob& job) {
  std::unique_ptr<xmlDoc, DocFree> doc(xmlNewDoc(Xml("1.0")));
  xmlNode* root = xmlNewNode(nullptr, Xml("dvdauthor"));
  xmlDocSetRootElement(doc.get(), root);
  xmlNewProp(root, Xml("dest"), Xml(job.output.c_str()));
  if (!job.jumppad.empty()) xmlNewProp(root, Xml("jumppad"), Xml(job.jumppad.c_str()));
  xmlNode* vmgm = xmlNewChild(root, nullptr, Xml("vmgm"), nullptr);
  if (!job.firstPlay.empty()) xmlNewTextChild(vmgm, nullptr, Xml("fpc"), Xml(job.firstPlay.c_str()));
  xmlNode* titles = xmlNewChild(xmlNewChild(root, nullptr, Xml("titleset"), nullptr), nullptr, Xml("titles"), nullptr);
  xmlNode* pgc = xmlNewChild(titles, nullptr, Xml("pgc"), nullptr);
  for (const AuthorJob::Vob& v : job.vobs) {
    xmlNode* vob = xmlNewChild(pgc, nullptr, Xml("vob"), nullptr);
    xmlNewProp(vob, Xml("file"), Xml(v.path.c_str()));
    if (!v.chapters.empty()) xmlNewProp(vob, Xml("chapters"), Xml(v.chapters.c_str()));
  }
  xmlChar* text = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc.get(), &text, &size, "UTF-8", 1);
  std::string out = text ? std::string(Text(text), static_cast<std::size_t>(size)) : "";
  xmlFree(text);
  return out;
}

}  // namespace platform::dvd
