#include "server/files/xml_dom.h"

#include <cstring>
#include <sstream>

#include "server/files/file_error.h"

namespace sheetwright::files {

void LoadXmlDom(pugi::xml_document& doc, std::string_view xml, const std::string& partName) {
  const unsigned options =
      pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_pi | pugi::parse_comments;
  pugi::xml_parse_result result = doc.load_buffer(xml.data(), xml.size(), options, pugi::encoding_auto);
  if (!result) {
    throw FileError("The part " + partName + " is not well-formed XML: " + result.description() + " at byte " +
                    std::to_string(result.offset) + ".");
  }
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_doctype) {
      throw FileError("The part " + partName +
                      " declares a document type. Workbook parts never do; it is refused so that no entity is "
                      "expanded and nothing outside the file is read.");
    }
  }
  if (!doc.document_element()) throw FileError("The part " + partName + " has no root element.");
}

std::string_view LocalName(const char* qname) {
  std::string_view s(qname);
  size_t colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

pugi::xml_node Child(pugi::xml_node parent, std::string_view name) {
  for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element && LocalName(n.name()) == name) return n;
  }
  return {};
}

pugi::xml_attribute Attr(pugi::xml_node node, std::string_view name) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
    if (LocalName(a.name()) == name && std::strncmp(a.name(), "xmlns", 5) != 0) return a;
  }
  return {};
}

std::string PrefixOf(pugi::xml_node node) {
  std::string_view s(node.name());
  size_t colon = s.find(':');
  return colon == std::string_view::npos ? std::string() : std::string(s.substr(0, colon + 1));
}

namespace {
struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};
}  // namespace

std::string SaveXmlDom(const pugi::xml_document& doc) {
  StringWriter writer;
  bool hasDeclaration = doc.first_child().type() == pugi::node_declaration;
  unsigned flags = pugi::format_raw;
  if (!hasDeclaration) flags |= pugi::format_no_declaration;
  doc.save(writer, "", flags, pugi::encoding_utf8);
  if (!hasDeclaration) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + writer.out;
  }
  return writer.out;
}

}  // namespace sheetwright::files
