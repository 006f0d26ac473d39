// Reading commands through Send on the 100,000-row x 10-column benchmark
// workbook (sheet "Data": a header row, then the data rows A2:J100001):
//   row_walk_100k_s             "GetSingleRow" over A2:J100001, rows 1 to
//                               100,000, one call per row (the range is read
//                               once, by the first call)
//   multiple_cells_all_pages_s  open, then "GetMultipleCells" of the whole
//                               used range and every further page: the same
//                               work as read_all_pages_100k_x10_s
//   read_column_100k_s          "ReadColumn" of A2:A100001 (best of five)
// and the memory the row walk and the block keep between calls (heap bytes in
// use after their first call, less those before it), which should be about
// equal: both keep the range's values as one array of VARIANT.
#include <malloc.h>

#include <algorithm>
#include <string>

#include "bench/bench_registry.h"
#include "bench/session_requests.h"
#include "boundary/Exports.h"

namespace {

using sheetwright::bench::LargeWorkbook;
using sheetwright::bench::NowSeconds;
using sheetwright::bench::ProcessorSeconds;
using sheetwright::bench::Request;
using sheetwright::bench::Succeeded;

constexpr int kDataRows = sheetwright::bench::kRows;

bool OpenLarge(const std::string& path) {
  return Succeeded(Send(Request("Open", "\"FileName\":\"" + path + "\",\"SheetName\":\"Data\"").c_str()));
}

void CloseLarge() { Send(Request("Close", "").c_str()); }

// Heap bytes in use, in MiB: unlike the resident size, not lowered by memory
// that an earlier benchmark freed and this one reuses.
double HeapInUseMiB() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

bool MoreRecords(const wchar_t* reply) { return std::wcsstr(reply, L"\"moreRecordsAvailable\":true") != nullptr; }

}  // namespace

SW_BENCHMARK(reading_row_walk) {
  const std::string path = LargeWorkbook();
  if (path.empty() || !OpenLarge(path)) {
    report.Note("could not open the 100k x 10 workbook; row walk not measured");
    return;
  }
  const std::string range = "\"SpecifiedCellFrom\":\"A2\",\"SpecifiedCellTo\":\"J" + std::to_string(kDataRows + 1) + "\"";
  const double heapBefore = HeapInUseMiB();
  double heapKept = 0;
  int delivered = 0;
  bool ok = true;
  const double start = NowSeconds();
  const double processorStart = ProcessorSeconds();
  for (int row = 1; row <= kDataRows && ok; ++row) {
    const std::wstring request =
        Request("GetSingleRow", range + ",\"SpecificRow\":\"" + std::to_string(row) + "\"");
    const wchar_t* reply = Send(request.c_str());
    ok = Succeeded(reply) && (MoreRecords(reply) == (row < kDataRows));
    if (row == 1) heapKept = HeapInUseMiB() - heapBefore;
    if (ok) ++delivered;
  }
  const double seconds = NowSeconds() - start;
  const double processorSeconds = ProcessorSeconds() - processorStart;
  CloseLarge();
  if (!ok) {
    report.Note("GetSingleRow failed or ended early after " + std::to_string(delivered) + " rows");
    return;
  }
  report.Note(std::to_string(processorSeconds) + " s of processor time");
  report.Figure("row_walk_100k_s", seconds, "s");
  report.Figure("row_walk_kept_mb", heapKept, "MiB");
}

SW_BENCHMARK(reading_multiple_cells) {
  const std::string path = LargeWorkbook();
  if (path.empty()) {
    report.Note("could not write the 100k x 10 workbook; block read not measured");
    return;
  }
  const double start = NowSeconds();
  const double processorStart = ProcessorSeconds();
  bool ok = OpenLarge(path);
  const double heapBefore = HeapInUseMiB();
  const wchar_t* reply = Send(Request("GetMultipleCells", "\"GetMultipleCellsOption\":\"0\"").c_str());
  const double heapKept = HeapInUseMiB() - heapBefore;
  ok = ok && Succeeded(reply);
  const std::wstring next = Request("GetMoreWorksheetData", "");
  size_t pages = 1;
  while (ok && MoreRecords(reply)) {
    reply = Send(next.c_str());
    ++pages;
  }
  const double seconds = NowSeconds() - start;
  const double processorSeconds = ProcessorSeconds() - processorStart;
  CloseLarge();
  if (!ok) {
    report.Note("Open or GetMultipleCells failed; block read not measured");
    return;
  }
  report.Note(std::to_string(pages) + " pages; " + std::to_string(processorSeconds) + " s of processor time");
  report.Figure("multiple_cells_all_pages_s", seconds, "s");
  report.Figure("multiple_cells_kept_mb", heapKept, "MiB");
}

SW_BENCHMARK(reading_read_column) {
  const std::string path = LargeWorkbook();
  if (path.empty() || !OpenLarge(path)) {
    report.Note("could not open the 100k x 10 workbook; column read not measured");
    return;
  }
  const std::wstring request = Request("ReadColumn", "\"CellOption\":\"1\",\"CellAddress\":\"A2\"");
  double best = 1e9, bestProcessor = 1e9;
  bool ok = true;
  for (int attempt = 0; attempt < 5 && ok; ++attempt) {
    const double start = NowSeconds();
    const double processorStart = ProcessorSeconds();
    ok = Succeeded(Send(request.c_str()));
    best = std::min(best, NowSeconds() - start);
    bestProcessor = std::min(bestProcessor, ProcessorSeconds() - processorStart);
  }
  CloseLarge();
  if (!ok) {
    report.Note("ReadColumn failed; column read not measured");
    return;
  }
  report.Note(std::to_string(bestProcessor) + " s of processor time");
  report.Figure("read_column_100k_s", best, "s");
}
