#include "tests/fuzz/fuzz_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "server/engine/sheet.h"

namespace sheetwright::fuzz {

namespace {
std::string scratch_dir;

// Runs when the target exits normally (the end of a timed run, a replay);
// after a finding the folder stays, with what the input left in it.
void RemoveScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(scratch_dir, ignored);
}
}  // namespace

const std::string& ScratchDir() {
  static const bool made = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "sheetwright-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) Finding("cannot make a scratch folder");
    std::filesystem::current_path(pattern);
    scratch_dir = pattern;
    std::atexit(RemoveScratchDir);
    return true;
  }();
  (void)made;
  return scratch_dir;
}

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) Finding("cannot write " + path);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::wstring DecodeAnyWide(std::string_view bytes) {
  std::wstring out;
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    int length = lead < 0x80 ? 1 : lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : lead < 0xFC ? 5 : 6;
    if (length <= 1 || i + size_t(length) > bytes.size()) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    uint32_t cp = lead & (0x7Fu >> length);
    bool ok = true;
    for (int k = 1; k < length; ++k) {
      const unsigned char c = static_cast<unsigned char>(bytes[i + size_t(k)]);
      if ((c & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (c & 0x3F);
    }
    if (!ok) {
      out.push_back(static_cast<wchar_t>(lead));
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp & 0x7FFFFFFF));
    i += size_t(length);
  }
  return out;
}

namespace {

std::string Where(const engine::Sheet& sheet, int32_t row, int32_t col) {
  std::ostringstream s;
  s << "sheet " << sheet.name.size() << " chars, row " << row << ", column " << col;
  return s.str();
}

bool SameCell(const engine::Workbook& a, const engine::Cell& x, const engine::Workbook& b, const engine::Cell& y) {
  auto kind = [](engine::CellType t) { return t == engine::CellType::Date ? engine::CellType::Number : t; };
  if (kind(x.type) != kind(y.type)) return false;
  if ((x.formula != 0) != (y.formula != 0)) return false;
  if (x.formula && a.FormulaText(x.formula) != b.FormulaText(y.formula)) return false;
  switch (kind(x.type)) {
    case engine::CellType::Number:
      return x.number == y.number || (std::isnan(x.number) && std::isnan(y.number));
    case engine::CellType::Text:
      return a.strings.Text(x.text) == b.strings.Text(y.text);
    case engine::CellType::Boolean:
      return x.boolean == y.boolean;
    case engine::CellType::Error:
      return x.error == y.error;
    default:
      return true;
  }
}

}  // namespace

bool SameCells(const engine::Workbook& a, const engine::Workbook& b, std::string& why) {
  if (a.sheets.size() != b.sheets.size()) {
    why = "sheet count " + std::to_string(a.sheets.size()) + " became " + std::to_string(b.sheets.size());
    return false;
  }
  for (size_t i = 0; i < a.sheets.size(); ++i) {
    const engine::Sheet& x = *a.sheets[i];
    const engine::Sheet& y = *b.sheets[i];
    if (x.name != y.name) {
      why = "sheet " + std::to_string(i) + " was renamed";
      return false;
    }
    bool same = true;
    auto compare = [&](const engine::Sheet& from, const engine::Workbook& fromBook, const engine::Sheet& to,
                       const engine::Workbook& toBook) {
      from.ForEachRow([&](int32_t row) {
        from.ForEachCellInRow(row, [&](int32_t col, const engine::Cell& cell) {
          if (!same || !cell.HasContent()) return;
          const engine::Cell* other = to.Find(row, col);
          const engine::Cell empty;
          if (!SameCell(fromBook, cell, toBook, other ? *other : empty)) {
            same = false;
            why = "cell differs: " + Where(from, row, col);
          }
        });
      });
    };
    compare(x, a, y, b);
    if (same) compare(y, b, x, a);
    if (!same) return false;
  }
  return true;
}

void Finding(const std::string& what) {
  std::fprintf(stderr, "FINDING: %s\n", what.c_str());
  std::abort();
}

}  // namespace sheetwright::fuzz
