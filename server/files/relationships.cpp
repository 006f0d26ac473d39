#include "server/files/relationships.h"

#include "server/files/xml_dom.h"
#include "server/files/zip_reader.h"

namespace sheetwright::files {

std::string RelsPartFor(std::string_view partName) {
  size_t slash = partName.rfind('/');
  std::string folder = slash == std::string_view::npos ? "" : std::string(partName.substr(0, slash + 1));
  std::string file = slash == std::string_view::npos ? std::string(partName) : std::string(partName.substr(slash + 1));
  return folder + "_rels/" + file + ".rels";
}

std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
  std::string path;
  if (!target.empty() && target.front() == '/') {
    path = std::string(target.substr(1));
  } else {
    size_t slash = sourcePart.rfind('/');
    path = (slash == std::string_view::npos ? "" : std::string(sourcePart.substr(0, slash + 1))) + std::string(target);
  }
  // Normalise "." and ".." segments.
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    std::string seg = path.substr(start, slash - start);
    if (seg == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    start = slash + 1;
  }
  std::string out;
  for (const std::string& p : parts) {
    if (!out.empty()) out.push_back('/');
    out += p;
  }
  return out;
}

std::vector<Relationship> ReadRelationships(const ZipReader& zip, std::string_view sourcePart) {
  std::vector<Relationship> out;
  std::string relsPart = RelsPartFor(sourcePart);
  auto index = zip.Find(relsPart);
  if (!index) return out;
  pugi::xml_document doc;
  LoadXmlDom(doc, zip.ReadAll(*index), relsPart);
  for (pugi::xml_node n = doc.document_element().first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || LocalName(n.name()) != "Relationship") continue;
    Relationship r;
    r.id = Attr(n, "Id").value();
    r.type = Attr(n, "Type").value();
    r.external = std::string_view(Attr(n, "TargetMode").value()) == "External";
    r.target = r.external ? Attr(n, "Target").value() : ResolveTarget(sourcePart, Attr(n, "Target").value());
    out.push_back(std::move(r));
  }
  return out;
}

bool IsRelType(std::string_view type, std::string_view kind) {
  return type.size() > kind.size() && type.substr(type.size() - kind.size()) == kind &&
         type[type.size() - kind.size() - 1] == '/';
}

}  // namespace sheetwright::files
