// Helpers shared by the fuzz targets: a private scratch folder, files written
// from fuzz input, lenient decoding of bytes into any wide character, and the
// comparison of two workbooks cell by cell.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/engine/workbook.h"

namespace sheetwright::fuzz {

// A folder made once per process under the temporary folder; the process
// works inside it (it is also the working folder, so relative file names
// the input may hold land there).
const std::string& ScratchDir();

void WriteBytes(const std::string& path, std::string_view bytes);
std::string ReadBytes(const std::string& path);

// Decodes UTF-8 without refusing anything: well-formed sequences give their
// code points, and the five- and six-byte forms and encoded surrogates of the
// old definition give whatever value they carry (lone surrogates, values
// past U+10FFFF), so a fuzzer can put any wchar_t into a request. A byte
// that starts no sequence stands for itself.
std::wstring DecodeAnyWide(std::string_view bytes);

// Whether both workbooks hold the same sheets (by name) with the same cells:
// type, number (a date and a number of the same value compare equal), text,
// Boolean, error value and formula text. On a difference `why` says where.
bool SameCells(const engine::Workbook& a, const engine::Workbook& b, std::string& why);

// Aborts with `what`, so the fuzzer records the input as a finding.
[[noreturn]] void Finding(const std::string& what);

}  // namespace sheetwright::fuzz
