// The streaming XML scanner against a conforming parser (pugixml): over every
// XML part of every package in the fuzz seed corpus and the file fixtures,
// both see the same elements, the same attribute values (normalised) and the
// same texts (line ends normalised, references decoded); a part pugixml
// refuses the scanner refuses too, and the scanner refuses only one thing
// more: text outside the root element, which XML forbids and pugixml lets
// pass.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <filesystem>
#include <sstream>

#include "server/files/file_error.h"
#include "server/files/xml_scanner.h"
#include "server/files/zip_reader.h"
#include "tests/files/file_test_support.h"

namespace sheetwright::files {
namespace {

using namespace testing;

// One event per line: "<qname", " name=value" for each attribute, "text",
// ">" for an end tag. Adjacent texts (CDATA included) are joined.
std::string ScannerEvents(const std::string& xml) {
  std::ostringstream out;
  std::string text;
  auto flush = [&] {
    if (!text.empty()) out << "text " << text << "\n";
    text.clear();
  };
  XmlScanner scanner(xml, "part");
  for (const XmlToken* t = &scanner.Next(); t->kind != XmlTokenKind::End; t = &scanner.Next()) {
    switch (t->kind) {
      case XmlTokenKind::StartTag:
        flush();
        out << "<" << t->raw.substr(1, t->raw.find_first_of(" \t\r\n/>", 1) - 1) << "\n";
        for (const XmlAttribute& a : t->attributes) out << " " << a.qname << "=" << XmlScanner::Decode(a) << "\n";
        if (t->selfClosing) out << ">\n";
        break;
      case XmlTokenKind::EndTag:
        flush();
        out << ">\n";
        break;
      case XmlTokenKind::Text:
        if (scanner.depth() > 0) scanner.AppendText(text);
        break;
      default:
        break;
    }
  }
  flush();
  return out.str();
}

void PugiEvents(const pugi::xml_node& node, std::ostringstream& out, std::string& text) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      text += child.value();
    } else if (child.type() == pugi::node_element) {
      if (!text.empty()) out << "text " << text << "\n";
      text.clear();
      out << "<" << child.name() << "\n";
      for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute()) {
        out << " " << a.name() << "=" << a.value() << "\n";
      }
      PugiEvents(child, out, text);
      if (!text.empty()) out << "text " << text << "\n";
      text.clear();
      out << ">\n";
    }
  }
}

// The parts of a package in the fuzz target's forms (a zip file, or parts
// joined by NUL bytes), or of a plain .xlsx file.
std::vector<std::pair<std::string, std::string>> PartsOf(const std::filesystem::path& file, const std::string& dir) {
  std::string bytes = ReadFile(file.string());
  std::vector<std::pair<std::string, std::string>> parts;
  if (file.extension() != ".xlsx") {
    if (bytes.empty()) return parts;
    const char form = bytes[0];
    bytes.erase(0, 1);
    if (form & 1) {
      std::string_view rest = bytes;
      while (!rest.empty()) {
        const size_t nameEnd = rest.find('\0');
        std::string name(rest.substr(0, nameEnd));
        rest.remove_prefix(nameEnd == std::string_view::npos ? rest.size() : nameEnd + 1);
        const size_t end = rest.find('\0');
        parts.emplace_back(name, std::string(rest.substr(0, end)));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
      }
      return parts;
    }
  }
  const std::string path = dir + "/package.zip";
  WriteFile(path, bytes);
  try {
    ZipReader zip(path, "package");
    for (size_t i = 0; i < zip.entries().size(); ++i) parts.emplace_back(zip.entries()[i].name, zip.ReadAll(i));
  } catch (const FileError&) {
  }
  return parts;
}

TEST(XmlConformance, ScannerReadsWhatAConformingParserReads) {
  SKIP_WITHOUT_OPENPYXL();
  const std::string dir = ScratchDir();
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(SW_PACKAGE_CORPUS)) files.push_back(entry.path());
  for (const auto& entry : std::filesystem::directory_iterator(FixtureDir())) files.push_back(entry.path());
  int compared = 0;
  for (const auto& file : files) {
    for (const auto& [name, xml] : PartsOf(file, dir)) {
      if (name.size() < 4 || (name.substr(name.size() - 4) != ".xml" && name.substr(name.size() - 5) != ".rels")) {
        continue;
      }
      SCOPED_TRACE(file.filename().string() + " " + name);
      pugi::xml_document doc;
      // The options the package writer reads kept parts with, keeping
      // white-space text so texts compare whole.
      const pugi::xml_parse_result parsed =
          doc.load_buffer(xml.data(), xml.size(),
                          pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype | pugi::parse_pi |
                              pugi::parse_comments | pugi::parse_ws_pcdata);
      std::string scanned;
      std::string refusal;
      try {
        scanned = ScannerEvents(xml);
      } catch (const FileError& e) {
        refusal = e.what();
      }
      if (!parsed || xml.find("<!DOCTYPE") != std::string::npos) {
        // The scanner also refuses every document type declaration, which
        // pugixml reads without expanding.
        EXPECT_FALSE(refusal.empty()) << "pugixml refuses (" << parsed.description() << "), the scanner reads it";
        continue;
      }
      // pugixml lets stray text outside the root element pass; XML forbids
      // it, and the scanner refuses it.
      if (refusal.find("outside the root element") != std::string::npos) continue;
      ASSERT_TRUE(refusal.empty()) << refusal;
      std::ostringstream expected;
      std::string text;
      PugiEvents(doc, expected, text);
      EXPECT_EQ(scanned, expected.str());
      ++compared;
    }
  }
  EXPECT_GT(compared, 50);
  RecordProperty("parts_compared", compared);
}

}  // namespace
}  // namespace sheetwright::files
