#include "server/files/styles_part.h"

#include <cctype>

#include "server/files/file_error.h"
#include "server/files/xml_dom.h"

namespace sheetwright::files {

bool IsDateFormatCode(std::string_view code) {
  for (size_t i = 0; i < code.size(); ++i) {
    char c = code[i];
    if (c == '"') {
      size_t close = code.find('"', i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
    } else if (c == '\\' || c == '_' || c == '*') {
      ++i;  // the next character is literal (or padding)
    } else if (c == '[') {
      size_t close = code.find(']', i + 1);
      if (close == std::string_view::npos) return false;
      std::string_view inside = code.substr(i + 1, close - i - 1);
      bool elapsed = !inside.empty();
      for (char k : inside) {
        char l = static_cast<char>(std::tolower(static_cast<unsigned char>(k)));
        if (l != 'h' && l != 'm' && l != 's') elapsed = false;
      }
      if (elapsed) return true;
      i = close;
    } else {
      char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (l == 'd' || l == 'm' || l == 'y' || l == 'h' || l == 's') return true;
    }
  }
  return false;
}

bool IsCurrencyFormatCode(std::string_view code) {
  if (IsDateFormatCode(code)) return false;
  for (size_t i = 0; i < code.size(); ++i) {
    if (code[i] != '$') continue;
    const bool localeTagWithoutSymbol = i > 0 && code[i - 1] == '[' && i + 1 < code.size() && code[i + 1] == '-';
    if (!localeTagWithoutSymbol) return true;
  }
  for (std::string_view symbol : {"\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA5"}) {  // UTF-8 of €, £, ¥
    if (code.find(symbol) != std::string_view::npos) return true;
  }
  return false;
}

uint32_t ReadStyles(std::string_view xml, const std::string& partName, engine::Workbook& workbook) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node root = doc.document_element();
  workbook.dateStyle.clear();
  workbook.currencyStyle.clear();
  if (pugi::xml_node numFmts = Child(root, "numFmts")) {
    for (pugi::xml_node n = numFmts.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element || LocalName(n.name()) != "numFmt") continue;
      unsigned id = Attr(n, "numFmtId").as_uint(0);
      if (id > 0xFFFF) continue;
      const char* code = Attr(n, "formatCode").value();
      if (IsDateFormatCode(code)) {
        if (workbook.dateStyle.size() <= id) workbook.dateStyle.resize(id + 1, 0);
        workbook.dateStyle[id] = 1;
      } else if (IsCurrencyFormatCode(code)) {
        if (workbook.currencyStyle.size() <= id) workbook.currencyStyle.resize(id + 1, 0);
        workbook.currencyStyle[id] = 1;
      }
    }
  }
  workbook.styleNumberFormat.clear();
  if (pugi::xml_node xfs = Child(root, "cellXfs")) {
    for (pugi::xml_node n = xfs.first_child(); n; n = n.next_sibling()) {
      if (n.type() != pugi::node_element || LocalName(n.name()) != "xf") continue;
      unsigned id = Attr(n, "numFmtId").as_uint(0);
      workbook.styleNumberFormat.push_back(static_cast<uint16_t>(id > 0xFFFF ? 0 : id));
    }
  }
  if (workbook.styleNumberFormat.empty()) workbook.styleNumberFormat.push_back(0);
  return static_cast<uint32_t>(workbook.styleNumberFormat.size());
}

std::string AppendDerivedStyles(std::string_view xml, const std::string& partName, const engine::Workbook& workbook,
                                size_t firstDerived) {
  pugi::xml_document doc;
  LoadXmlDom(doc, xml, partName);
  pugi::xml_node root = doc.document_element();
  std::string prefix = PrefixOf(root);
  pugi::xml_node xfs = Child(root, "cellXfs");
  if (!xfs) {
    // cellXfs follows numFmts, fonts, fills, borders and cellStyleXfs.
    pugi::xml_node after;
    for (const char* name : {"cellStyleXfs", "borders", "fills", "fonts", "numFmts"}) {
      if ((after = Child(root, name))) break;
    }
    xfs = after ? root.insert_child_after((prefix + "cellXfs").c_str(), after)
                : root.prepend_child((prefix + "cellXfs").c_str());
    xfs.append_child((prefix + "xf").c_str()).append_attribute("numFmtId") = 0;
  }
  std::vector<pugi::xml_node> existing;
  for (pugi::xml_node n = xfs.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_element && LocalName(n.name()) == "xf") existing.push_back(n);
  }
  for (size_t d = firstDerived; d < workbook.derivedStyles.size(); ++d) {
    const engine::DerivedStyle& derived = workbook.derivedStyles[d];
    // Derived indices are dense past the loaded xfs; a gap (styles part
    // shorter than the engine believed) is filled with defaults.
    while (existing.size() < derived.index) {
      pugi::xml_node filler = xfs.append_child((prefix + "xf").c_str());
      filler.append_attribute("numFmtId") = 0;
      existing.push_back(filler);
    }
    pugi::xml_node copy;
    if (derived.base < existing.size()) {
      copy = xfs.append_copy(existing[derived.base]);
    } else {
      copy = xfs.append_child((prefix + "xf").c_str());
    }
    pugi::xml_attribute fmt = Attr(copy, "numFmtId");
    if (!fmt) fmt = copy.prepend_attribute("numFmtId");
    fmt = derived.numFmtId;
    pugi::xml_attribute apply = Attr(copy, "applyNumberFormat");
    if (!apply) apply = copy.append_attribute("applyNumberFormat");
    apply = 1;
    existing.push_back(copy);
  }
  pugi::xml_attribute count = Attr(xfs, "count");
  if (!count) count = xfs.append_attribute("count");
  count = static_cast<unsigned>(existing.size());
  return SaveXmlDom(doc);
}

std::string MinimalStyles(const engine::Workbook& workbook) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
      "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/></cellXfs>"
      "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
      "</styleSheet>";
  if (workbook.derivedStyles.empty()) return xml;
  return AppendDerivedStyles(xml, "xl/styles.xml", workbook, 0);
}

}  // namespace sheetwright::files
