#include "server/files/formula_shift.h"

#include <cctype>

#include "server/engine/sheet.h"
#include "server/files/cell_reference.h"

namespace sheetwright::files {

namespace {
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '\\' ||
         static_cast<unsigned char>(c) >= 0x80;
}
}  // namespace

std::string ShiftFormula(std::string_view f, int32_t rowOffset, int32_t colOffset) {
  std::string out;
  out.reserve(f.size() + 8);
  size_t i = 0;
  while (i < f.size()) {
    char c = f[i];
    if (c == '"' || c == '\'') {
      // A quoted text or sheet name; a doubled quote is an escaped one.
      size_t j = i + 1;
      while (j < f.size()) {
        if (f[j] == c) {
          if (j + 1 < f.size() && f[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      size_t stop = j < f.size() ? j + 1 : f.size();
      out.append(f.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (c == '[') {
      // Structured references and external workbook indexes are copied.
      size_t close = f.find(']', i);
      size_t stop = close == std::string_view::npos ? f.size() : close + 1;
      out.append(f.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (i > 0 && IsNameChar(f[i - 1])) {
      out.push_back(c);
      ++i;
      continue;
    }
    // Try [$]LETTERS[$]DIGITS at a token start.
    size_t j = i;
    bool colAbs = false, rowAbs = false;
    if (j < f.size() && f[j] == '$') {
      colAbs = true;
      ++j;
    }
    size_t lettersStart = j;
    while (j < f.size() && std::isalpha(static_cast<unsigned char>(f[j])) && j - lettersStart < 4) ++j;
    size_t lettersEnd = j;
    if (j < f.size() && f[j] == '$') {
      rowAbs = true;
      ++j;
    }
    size_t digitsStart = j;
    while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && j - digitsStart < 8) ++j;
    bool isRef = lettersEnd > lettersStart && j > digitsStart &&
                 (j >= f.size() || (!IsNameChar(f[j]) && f[j] != '(' && f[j] != '!'));
    if (isRef) {
      std::string plain(f.substr(lettersStart, lettersEnd - lettersStart));
      plain.append(f.substr(digitsStart, j - digitsStart));
      if (auto pos = ParseCellRef(plain)) {
        int32_t row = rowAbs ? pos->row : pos->row + rowOffset;
        int32_t col = colAbs ? pos->col : pos->col + colOffset;
        if (row < 1 || row > engine::kMaxRows || col < 1 || col > engine::kMaxColumns) {
          out += "#REF!";
        } else {
          if (colAbs) out.push_back('$');
          AppendColumnLetters(col, out);
          if (rowAbs) out.push_back('$');
          out += std::to_string(row);
        }
        i = j;
        continue;
      }
    }
    // Not a reference: copy the whole word so its tail is not mistaken for one.
    size_t k = i;
    if (IsNameChar(f[k]) || f[k] == '$') {
      ++k;
      while (k < f.size() && (IsNameChar(f[k]) || f[k] == '$')) ++k;
    } else {
      ++k;
    }
    out.append(f.substr(i, k - i));
    i = k;
  }
  return out;
}

}  // namespace sheetwright::files
