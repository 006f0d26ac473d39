// The CSV reader and writer: any text loads or is refused with a
// description; what was loaded saves, and the saved text loads into cells
// that save to the very same text again.
#include <cstdint>
#include <string>
#include <string_view>

#include "server/files/csv_file.h"
#include "server/files/file_error.h"
#include "tests/fuzz/fuzz_support.h"

using namespace sheetwright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"fuzz");
  try {
    files::ParseCsvInto(text, book, sheet, "fuzz.csv");
  } catch (const files::FileError&) {
    return 0;
  }
  const std::string first = files::CsvText(book, sheet);
  engine::Workbook again;
  engine::Sheet& sheet2 = again.AddWorksheet(L"fuzz");
  try {
    files::ParseCsvInto(first, again, sheet2, "fuzz.csv");
  } catch (const files::FileError& e) {
    fuzz::Finding(std::string("saved CSV text does not load: ") + e.what());
  }
  const std::string second = files::CsvText(again, sheet2);
  if (second != first) fuzz::Finding("saving the reloaded CSV text changed it:\n" + first + "\n---\n" + second);
  std::string why;
  if (!fuzz::SameCells(book, again, why)) {
    // The first load may turn typed text into values; from the first save on
    // the cells must stay as they are.
    engine::Workbook third;
    engine::Sheet& sheet3 = third.AddWorksheet(L"fuzz");
    files::ParseCsvInto(second, third, sheet3, "fuzz.csv");
    if (!fuzz::SameCells(again, third, why)) fuzz::Finding("CSV cells changed on a second round: " + why);
  }
  return 0;
}
