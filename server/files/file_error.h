// The failure type used inside the file layer. Every reader and writer throws
// FileError with a description a person can act on; LoadWorkbook and
// SaveWorkbook catch it (and anything else) and turn it into a FileStatus, so
// no exception ever leaves the file layer.
#pragma once

#include <stdexcept>
#include <string>

namespace sheetwright::files {

class FileError : public std::runtime_error {
 public:
  explicit FileError(const std::string& utf8Description) : std::runtime_error(utf8Description) {}
};

}  // namespace sheetwright::files
