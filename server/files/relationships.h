// Package relationships (the _rels/*.rels parts) and part-name arithmetic.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sheetwright::files {

class ZipReader;

struct Relationship {
  std::string id;
  std::string type;    // full type URI
  std::string target;  // resolved part name, no leading '/'
  bool external = false;
};

// "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels"; "" -> "_rels/.rels".
std::string RelsPartFor(std::string_view partName);
// Resolves `target` relative to the folder of `sourcePart`.
std::string ResolveTarget(std::string_view sourcePart, std::string_view target);
// The relationships of `sourcePart` ("" for the package); empty when the
// package has no relationship part for it.
std::vector<Relationship> ReadRelationships(const ZipReader& zip, std::string_view sourcePart);
// Whether the type URI ends in "/<kind>" (e.g. "worksheet").
bool IsRelType(std::string_view type, std::string_view kind);

}  // namespace sheetwright::files
