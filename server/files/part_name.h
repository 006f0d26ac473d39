// Part names of a package compare without regard to ASCII case: a
// relationship may name "xl/worksheets/sheet1.xml" for the entry stored as
// "xl/worksheets/Sheet1.xml", and both name one part. Maps and sets keyed by
// part name use PartNameLess so that a part is found, replaced or removed
// under any spelling, and a new part never takes a name that differs from an
// existing one only in case.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace sheetwright::files {

inline char PartNameFold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string FoldPartName(std::string_view name) {
  std::string out(name);
  std::transform(out.begin(), out.end(), out.begin(), PartNameFold);
  return out;
}

struct PartNameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return static_cast<unsigned char>(PartNameFold(x)) < static_cast<unsigned char>(PartNameFold(y));
    });
  }
};

// Part name -> content, and sets of part names, under that equivalence.
using PartContents = std::map<std::string, std::string, PartNameLess>;
using PartNameSet = std::set<std::string, PartNameLess>;

}  // namespace sheetwright::files
