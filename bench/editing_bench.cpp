// Editing and searching through Send, with the log off: Find with every page
// on the 100,000 x 10 workbook, Replace over its whole block, DeleteCells
// with a list of 10,000 cells, RemoveBlankRows on 200,000 rows of which
// every other one is blank, 1,000 row deletions in a sheet whose every
// row holds a formula referring to the row above, and the save after a list
// of 10,000 cells was deleted from a sheet with merged cells, conditional
// formats and validations.
#include <cwchar>
#include <string>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/large_workbook.h"
#include "bench/session_requests.h"
#include "boundary/Exports.h"

namespace {

using sheetwright::bench::BenchFolder;
using sheetwright::bench::LargeWorkbook;
using sheetwright::bench::NowSeconds;
using sheetwright::bench::Request;
using sheetwright::bench::Succeeded;

const char* const kSheetStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>";
const char* const kSheetEnd = "</sheetData></worksheet>";
const char* const kNoStrings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst "
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"0\" uniqueCount=\"0\"/>";

bool OpenBench(const std::string& path) {
  return !path.empty() && Succeeded(Send(Request("Open", "\"FileName\":\"" + path + "\"").c_str()));
}

std::string Column(int col) { return std::string(1, char('A' + col)); }

// rows x 10 numbers; every other row (the even ones) blank.
std::string HalfBlankWorkbook(int rows) {
  std::string sheet = kSheetStart;
  for (int r = 1; r <= rows; ++r) {
    if (r % 2 == 0) continue;
    sheet += "<row r=\"" + std::to_string(r) + "\">";
    for (int c = 0; c < 10; ++c)
      sheet += "<c r=\"" + Column(c) + std::to_string(r) + "\"><v>" + std::to_string(r * 10 + c) + "</v></c>";
    sheet += "</row>";
  }
  sheet += kSheetEnd;
  const std::string path = BenchFolder() + "/half-blank.xlsx";
  sheetwright::bench::WriteSheetPackage(path, sheet, kNoStrings);
  return path;
}

// rows rows: A holds the row number, B a formula adding 1 to B of the row
// above (B1 holds 1).
std::string ChainedFormulaWorkbook(int rows) {
  std::string sheet = kSheetStart;
  for (int r = 1; r <= rows; ++r) {
    const std::string n = std::to_string(r);
    sheet += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c><c r=\"B" + n + "\">";
    sheet += r == 1 ? "<v>1</v>" : "<f>B" + std::to_string(r - 1) + "+1</f><v>" + n + "</v>";
    sheet += "</c></row>";
  }
  sheet += kSheetEnd;
  const std::string path = BenchFolder() + "/chained.xlsx";
  sheetwright::bench::WriteSheetPackage(path, sheet, kNoStrings);
  return path;
}

// rows x 10 numbers, column K a formula on the row's A and J, and around the
// cells what a worked sheet carries: a merged pair of cells every 100 rows,
// a conditional format and a validation every 1,000 rows (each with a
// formula), all of which a deletion moves.
std::string WorkedSheetWorkbook(int rows) {
  std::string sheet = kSheetStart;
  for (int r = 1; r <= rows; ++r) {
    const std::string n = std::to_string(r);
    sheet += "<row r=\"" + n + "\">";
    for (int c = 0; c < 10; ++c)
      sheet += "<c r=\"" + Column(c) + n + "\"><v>" + std::to_string(r * 10 + c) + "</v></c>";
    sheet += "<c r=\"K" + n + "\"><f>A" + n + "+J" + n + "</f><v>0</v></c></row>";
  }
  sheet += "</sheetData><mergeCells count=\"" + std::to_string(rows / 100) + "\">";
  for (int r = 50; r <= rows; r += 100) sheet += "<mergeCell ref=\"L" + std::to_string(r) + ":M" + std::to_string(r) + "\"/>";
  sheet += "</mergeCells>";
  for (int r = 500, p = 1; r <= rows; r += 1000, ++p) {
    const std::string range = "B" + std::to_string(r) + ":J" + std::to_string(r + 9);
    sheet += "<conditionalFormatting sqref=\"" + range + "\"><cfRule type=\"expression\" priority=\"" +
             std::to_string(p) + "\"><formula>B" + std::to_string(r) + "&gt;$A$1</formula></cfRule></conditionalFormatting>";
  }
  sheet += "<dataValidations count=\"" + std::to_string(rows / 1000) + "\">";
  for (int r = 700; r <= rows; r += 1000)
    sheet += "<dataValidation type=\"whole\" operator=\"greaterThan\" sqref=\"C" + std::to_string(r) + ":E" +
             std::to_string(r + 4) + "\"><formula1>A" + std::to_string(r) + "</formula1></dataValidation>";
  sheet += "</dataValidations></worksheet>";
  const std::string path = BenchFolder() + "/worked.xlsx";
  sheetwright::bench::WriteSheetPackage(path, sheet, kNoStrings);
  return path;
}

// The 10,000 cells of the list deletions: columns B to J, one every 10 rows.
std::string TenThousandCells() {
  std::string list;
  for (int k = 0; k < 10000; ++k) {
    if (k) list += ',';
    list += Column(1 + k % 9) + std::to_string(2 + 10 * k);
  }
  return list;
}

// Text of the reply's first row ("" when none).
std::wstring FirstRow(const wchar_t* reply) {
  const wchar_t* at = std::wcsstr(reply, L"\"columns\":[\"");
  if (!at) return L"";
  at += 12;
  const wchar_t* end = std::wcschr(at, L'"');
  return end ? std::wstring(at, end) : L"";
}

}  // namespace

SW_BENCHMARK(editing_find_all_pages) {
  if (!OpenBench(LargeWorkbook())) {
    report.Note("could not open the 100k x 10 workbook; find not measured");
    return;
  }
  const std::wstring find = Request("Find",
                                    "\"FromOption\":\"0\",\"TillOption\":\"1\",\"FindText\":\"pending\","
                                    "\"SearchOption\":\"1\",\"MatchCase\":\"0\",\"MatchEntire\":\"1\"");
  const std::wstring more = Request("GetFindMoreDataResult", "");
  const double start = NowSeconds();
  const wchar_t* reply = Send(find.c_str());
  bool ok = Succeeded(reply);
  size_t pages = 1, rows = 0;
  for (;;) {
    for (const wchar_t* at = reply; (at = std::wcsstr(at, L"{\"columns\"")) != nullptr; ++at) ++rows;
    if (!ok || std::wcsstr(reply, L"\"moreRecordsAvailable\":true") == nullptr) break;
    reply = Send(more.c_str());
    ok = Succeeded(reply);
    ++pages;
  }
  const double seconds = NowSeconds() - start;
  Send(Request("Close", "").c_str());
  if (!ok) {
    report.Note("Find or GetFindMoreDataResult failed");
    return;
  }
  report.Note("\"pending\" (whole cell): " + std::to_string(rows - 1) + " matching cells in " +
              std::to_string(pages) + " pages");
  report.Figure("find_all_pages_20k_s", seconds, "s");
}

SW_BENCHMARK(editing_replace_block) {
  if (!OpenBench(LargeWorkbook())) {
    report.Note("could not open the 100k x 10 workbook; replace not measured");
    return;
  }
  // Every code of column E ("SKU-000123-ABCD", about 90% of the rows) and
  // nothing else holds "SKU-".
  const std::wstring replace = Request("Replace",
                                       "\"FromOption\":\"0\",\"TillOption\":\"1\",\"FindText\":\"SKU-\","
                                       "\"ReplaceText\":\"ITEM-\",\"SearchOption\":\"1\",\"MatchCase\":\"1\","
                                       "\"MatchEntire\":\"0\"");
  const double start = NowSeconds();
  const bool ok = Succeeded(Send(replace.c_str()));
  const double seconds = NowSeconds() - start;
  const std::wstring check = FirstRow(Send(Request("GetSingleCell", "\"CellOption\":\"1\",\"CellAddress\":\"E2\"").c_str()));
  Send(Request("Close", "").c_str());
  if (!ok || check.rfind(L"ITEM-", 0) != 0) {
    report.Note("Replace failed");
    return;
  }
  report.Note("\"SKU-\" replaced in every code of column E (about 90,000 cells)");
  report.Figure("replace_block_100k_s", seconds, "s");
}

SW_BENCHMARK(editing_delete_cells_list) {
  if (!OpenBench(LargeWorkbook())) {
    report.Note("could not open the 100k x 10 workbook; delete not measured");
    return;
  }
  // 10,000 cells spread over columns B to J, one every 10 rows.
  const std::wstring remove = Request("DeleteCells", "\"CellOption\":\"1\",\"SpecifiedCellFrom\":\"" +
                                                         TenThousandCells() + "\",\"DeleteOption\":\"0\"");
  const double start = NowSeconds();
  const bool ok = Succeeded(Send(remove.c_str()));
  const double seconds = NowSeconds() - start;
  Send(Request("Close", "").c_str());
  if (!ok) {
    report.Note("DeleteCells with 10,000 cells failed");
    return;
  }
  report.Figure("delete_cells_list_10k_s", seconds, "s");
}

SW_BENCHMARK(editing_remove_blank_rows) {
  const std::string path = HalfBlankWorkbook(200000);
  if (!OpenBench(path)) {
    report.Note("could not open the 200k-row workbook; blank-row removal not measured");
    return;
  }
  const double start = NowSeconds();
  const bool ok = Succeeded(Send(Request("RemoveBlankRows", "\"BeginningRowOption\":\"0\",\"EndRowOption\":\"0\"").c_str()));
  const double seconds = NowSeconds() - start;
  const std::wstring last =
      FirstRow(Send(Request("GetSingleCell", "\"CellOption\":\"1\",\"CellAddress\":\"A100000\"").c_str()));
  Send(Request("Close", "").c_str());
  if (!ok || last != L"1999990") {
    report.Note("RemoveBlankRows failed or left the rows in the wrong place");
    return;
  }
  report.Figure("remove_blank_rows_200k_s", seconds, "s");
}

SW_BENCHMARK(editing_delete_rows_with_formulas) {
  const std::string path = ChainedFormulaWorkbook(100000);
  if (!OpenBench(path)) {
    report.Note("could not open the chained-formula workbook; row deletion not measured");
    return;
  }
  // 1,000 single rows, one every 90 rows from the top; the read of a formula
  // at the end brings every formula up to date with the deletions.
  std::vector<std::wstring> deletions;
  for (int k = 0; k < 1000; ++k)
    deletions.push_back(Request("DeleteCells", "\"CellOption\":\"1\",\"SpecifiedCellFrom\":\"A" +
                                                   std::to_string(50 + 89 * k) + "\",\"DeleteOption\":\"2\""));
  const std::wstring read = Request("GetSingleCell", "\"CellOption\":\"1\",\"CellAddress\":\"B99000\"");
  const double start = NowSeconds();
  bool ok = true;
  for (const std::wstring& deletion : deletions) ok = ok && Succeeded(Send(deletion.c_str()));
  const wchar_t* reply = Send(read.c_str());
  const double seconds = NowSeconds() - start;
  ok = ok && Succeeded(reply);
  const std::wstring formula = FirstRow(reply);
  Send(Request("Close", "").c_str());
  if (!ok) {
    report.Note("DeleteCells of single rows failed");
    return;
  }
  // The first deletion breaks the chain: the rows below it hold #REF!, which
  // a cell read answers as empty text.
  report.Note("B99000 after the deletions reads \"" + std::string(formula.begin(), formula.end()) +
              "\" (#REF! below the first deleted row reads as empty text)");
  report.Figure("delete_rows_with_formulas_s", seconds, "s");
}

SW_BENCHMARK(editing_save_after_deletions) {
  const std::string path = WorkedSheetWorkbook(100000);
  if (!OpenBench(path)) {
    report.Note("could not open the worked 100k-row workbook; the save after deletions not measured");
    return;
  }
  // The list deletion records one shifted block per cell: the save brings
  // the formulas, merged cells, conditional formats and validations in line
  // with all 10,000 of them.
  const bool deleted = Succeeded(Send(Request("DeleteCells", "\"CellOption\":\"1\",\"SpecifiedCellFrom\":\"" +
                                                                 TenThousandCells() + "\",\"DeleteOption\":\"0\"")
                                          .c_str()));
  const std::wstring close = Request("Close", "\"SaveChanges\":\"1\"");
  const double start = NowSeconds();
  const bool saved = deleted && Succeeded(Send(close.c_str()));
  const double seconds = NowSeconds() - start;
  if (!saved) {
    if (deleted) Send(Request("Close", "").c_str());
    report.Note("DeleteCells or the save failed");
    return;
  }
  report.Note("\"Close\" with saving after 10,000 cells were deleted from a 100,000 x 11 sheet with 1,000 merged "
              "cells, 100 conditional formats and 100 validations");
  report.Figure("save_after_10k_deletions_s", seconds, "s");
}
