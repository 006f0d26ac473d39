// Calculation figures:
//   recalc_chain_100k_s             100,000 formulas each reading the one above (=A1+1, =A2+1, ...), the
//                                   first input changed once: the write and its recalculation
//   load_formulas_no_cache_100k_s   opening a 100,000-row workbook with one formula per row and no cached
//                                   values (all calculated at open); compare with xlsx_open_100k_x10_s
//   sumifs_10k_over_100k_s          10,000 SUMIFS over a 100,000-row table, calculated once
//   formula_bytes_per_cell          heap bytes per formula cell of 1,000,000 formulas (10 columns of
//                                   chains), value, node, program share and dependencies included
#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/bench_registry.h"
#include "bench/large_workbook.h"
#include "server/engine/address.h"
#include "server/engine/calculation.h"
#include "server/engine/typed_input.h"
#include "server/engine/workbook.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"

namespace {

using sheetwright::bench::NowSeconds;
using sheetwright::bench::Report;
namespace engine = sheetwright::engine;

void Type(engine::Workbook& book, engine::Sheet& sheet, int32_t row, int32_t col, const std::wstring& text) {
  engine::StoreTypedValue(book, sheet, row, col, engine::InterpretTypedText(text));
}

// Formulas put in as a file's loader puts them: text first, compiled and
// calculated together at the end.
void LoadFormula(engine::Workbook& book, engine::Sheet& sheet, int32_t row, int32_t col, const std::wstring& text) {
  engine::Cell& cell = sheet.Put(row, col);
  cell.formula = book.calculation->LoadFormula(sheet, row, col, text);
}

}  // namespace

SW_BENCHMARK(calculation_chain) {
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"Chain");
  Type(book, sheet, 1, 1, L"1");
  for (int32_t row = 2; row <= 100000; ++row) LoadFormula(book, sheet, row, 1, L"A" + std::to_wstring(row - 1) + L"+1");
  book.calculation->FinishLoading();
  const double t = NowSeconds();
  Type(book, sheet, 1, 1, L"2");
  const double seconds = NowSeconds() - t;
  const engine::Cell* last = sheet.Find(100000, 1);
  if (!last || last->number != 100001) report.Note("the chain's last value is wrong");
  report.Figure("recalc_chain_100k_s", seconds, "s");
}

SW_BENCHMARK(calculation_load_no_cache) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("sw-calc-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "formulas.xlsx").string();
  // Column A numbers, column B a formula per row reading its row and the
  // row above (a running total), written without <v>.
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
      "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
  for (int r = 1; r <= 100000; ++r) {
    const std::string row = std::to_string(r);
    xml += "<row r=\"" + row + "\"><c r=\"A" + row + "\"><v>" + std::to_string(r % 97) + "</v></c><c r=\"B" + row +
           "\"><f>" + (r == 1 ? std::string("A1*2") : "B" + std::to_string(r - 1) + "+A" + row + "*2") + "</f></c></row>";
  }
  xml += "</sheetData></worksheet>";
  sheetwright::bench::SharedStrings sst;
  sst.Index("unused");
  sheetwright::bench::WriteSheetPackage(path, xml, sst.Xml());
  {
    engine::Workbook book;
    const double t = NowSeconds();
    const auto status = sheetwright::files::LoadWorkbook(sheetwright::files::WideFromUtf8(path), book);
    const double seconds = NowSeconds() - t;
    if (!status.ok()) {
      report.Note("open failed");
    } else {
      const engine::Cell* last = book.sheets[0]->Find(100000, 2);
      if (!last || last->type != engine::CellType::Number) report.Note("the last formula was not calculated");
      report.Figure("load_formulas_no_cache_100k_s", seconds, "s");
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
}

SW_BENCHMARK(calculation_sumifs) {
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"Table");
  // A 100,000-row table: a key among 1,000 (text), a region among 4, an amount.
  const wchar_t* regions[4] = {L"north", L"south", L"east", L"west"};
  for (int32_t row = 1; row <= 100000; ++row) {
    engine::Cell& key = sheet.Put(row, 1);
    key.type = engine::CellType::Text;
    key.text = book.strings.Intern(L"K" + std::to_wstring(row % 1000));
    engine::Cell& region = sheet.Put(row, 2);
    region.type = engine::CellType::Text;
    region.text = book.strings.Intern(regions[row % 4]);
    engine::Cell& amount = sheet.Put(row, 3);
    amount.type = engine::CellType::Number;
    amount.number = row % 50;
  }
  // 10,000 SUMIFS, each for one key and one region.
  for (int32_t row = 1; row <= 10000; ++row) {
    engine::Cell& key = sheet.Put(row, 5);
    key.type = engine::CellType::Text;
    key.text = book.strings.Intern(L"K" + std::to_wstring(row % 1000));
    engine::Cell& region = sheet.Put(row, 6);
    region.type = engine::CellType::Text;
    region.text = book.strings.Intern(regions[row % 4]);
    LoadFormula(book, sheet, row, 7, L"SUMIFS($C$1:$C$100000,$A$1:$A$100000,E" + std::to_wstring(row) +
                                         L",$B$1:$B$100000,F" + std::to_wstring(row) + L")");
  }
  book.calculation->FinishLoading();
  const double t = NowSeconds();
  book.calculation->CalculateFull();
  report.Figure("sumifs_10k_over_100k_s", NowSeconds() - t, "s");
}

// Heap bytes are measured in a fresh process, so that what earlier
// benchmarks freed does not blur the figure.
SW_BENCHMARK(calculation_memory) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return;
  setenv("SW_FORMULA_MEMORY_PROBE", "1", 1);
  FILE* child = popen((std::string("'") + self + "' calculation_memory_probe").c_str(), "r");
  unsetenv("SW_FORMULA_MEMORY_PROBE");
  if (!child) return;
  char line[512];
  const std::string key = "formula_bytes_per_cell: ";
  while (std::fgets(line, sizeof line, child)) {
    const std::string text(line);
    if (text.rfind(key, 0) == 0) report.Figure("formula_bytes_per_cell", std::atof(text.c_str() + key.size()), "B");
  }
  pclose(child);
}

SW_BENCHMARK(calculation_memory_probe) {
  if (!std::getenv("SW_FORMULA_MEMORY_PROBE")) return;
  malloc_trim(0);
  const size_t before = mallinfo2().uordblks;
  {
    auto book = std::make_unique<engine::Workbook>();
    engine::Sheet& sheet = book->AddWorksheet(L"Formulas");
    constexpr int32_t kColumns = 10, kRowsOfFormulas = 100000;
    for (int32_t col = 1; col <= kColumns; ++col) Type(*book, sheet, 1, col, L"1");
    sheet.ReserveRows(kRowsOfFormulas + 1);
    for (int32_t row = 2; row <= kRowsOfFormulas + 1; ++row) {
      for (int32_t col = 1; col <= kColumns; ++col)
        LoadFormula(*book, sheet, row, col, engine::ColumnLetters(col) + std::to_wstring(row - 1) + L"+1");
      sheet.FitRow(row);
    }
    book->calculation->FinishLoading();
    malloc_trim(0);
    const size_t after = mallinfo2().uordblks;
    const double cells = double(kColumns) * kRowsOfFormulas;
    report.Figure("formula_bytes_per_cell", double(after - before) / cells, "B");
    report.Note("programs: " + std::to_string(book->calculation->ProgramCount()) + ", calculation structures " +
                std::to_string(book->calculation->MemoryBytes() / cells) + " B per formula");
    std::fflush(stdout);
    std::_Exit(0);  // the figure is printed; skip freeing the workbook
  }
}
