// The small parts of a package (workbook, relationships, styles, content
// types) are read as a pugixml DOM. pugixml expands only the five predefined
// entities and character references and never reads anything outside the
// buffer; a document type declaration is refused outright all the same.
// Element and attribute names are compared by local name, so parts written
// with a namespace prefix ("x:sheet") read like the usual ones.
#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace sheetwright::files {

// Parses `xml` into `doc`; throws FileError naming `partName` on malformed
// XML or a document type declaration.
void LoadXmlDom(pugi::xml_document& doc, std::string_view xml, const std::string& partName);

// Local part of a qualified name.
std::string_view LocalName(const char* qname);
// First child element of `parent` with local name `name`.
pugi::xml_node Child(pugi::xml_node parent, std::string_view name);
// Attribute by local name (r:id matches "id"); empty attribute when absent.
pugi::xml_attribute Attr(pugi::xml_node node, std::string_view name);
// The namespace prefix of `node` ("x:" or "").
std::string PrefixOf(pugi::xml_node node);

// The document as text, keeping its declaration, without reindenting.
std::string SaveXmlDom(const pugi::xml_document& doc);

}  // namespace sheetwright::files
