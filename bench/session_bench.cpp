// Session figures through Send: round trips of a cheap real command on an open
// session, and reading the 100,000-row x 10-column benchmark workbook page by
// page, against python3-openpyxl reading the same workbook in read-only mode
// in the same run (read_all_openpyxl_s, and read_all_vs_openpyxl: how many
// times faster the read through Send is).
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>

#include "bench/bench_registry.h"
#include "bench/large_workbook.h"
#include "bench/openpyxl_read.h"
#include "bench/session_requests.h"
#include "boundary/Exports.h"

namespace {

using sheetwright::bench::BenchFolder;
using sheetwright::bench::LargeWorkbook;
using sheetwright::bench::ProcessorSeconds;
using sheetwright::bench::Request;
using sheetwright::bench::RunPython;
using sheetwright::bench::Succeeded;

std::string SmallWorkbook() {
  const std::string target = BenchFolder() + "/small.xlsx";
  const char* program =
      "import sys\n"
      "from openpyxl import Workbook\n"
      "wb = Workbook()\n"
      "ws = wb.active\n"
      "ws.title = 'Sheet1'\n"
      "for r in range(1, 21):\n"
      "    ws.append([r * 1.5, f'text {r}', r % 2 == 0])\n"
      "wb.save(sys.argv[1])\n";
  return RunPython(program, target) ? target : std::string();
}

}  // namespace

SW_BENCHMARK(session_get_single_cell) {
  const std::string path = SmallWorkbook();
  if (path.empty() || !Succeeded(Send(Request("Open", "\"FileName\":\"" + path + "\"").c_str()))) {
    report.Note("could not open the small workbook; round trips not measured");
    return;
  }
  const std::wstring read = Request("GetSingleCell", "\"CellOption\":\"1\",\"CellAddress\":\"B7\"");
  for (int i = 0; i < 2000; ++i) Send(read.c_str());  // warm-up
  const int count = 200000;
  const double start = sheetwright::bench::NowSeconds();
  for (int i = 0; i < count; ++i) Send(read.c_str());
  const double seconds = sheetwright::bench::NowSeconds() - start;
  if (!Succeeded(Send(read.c_str()))) report.Note("GetSingleCell did not succeed");
  report.Figure("send_roundtrips_per_s", count / seconds, "1/s");
  Send(Request("Close", "").c_str());
}

SW_BENCHMARK(session_read_all_pages) {
  const std::string path = LargeWorkbook();
  if (path.empty()) {
    report.Note("could not write the 100k x 10 workbook");
    return;
  }
  sheetwright::bench::ResetPeakResident();
  const double start = sheetwright::bench::NowSeconds();
  const double processorStart = ProcessorSeconds();
  bool ok = Succeeded(Send(Request("Open", "\"FileName\":\"" + path + "\"").c_str()));
  const double residentAfterOpen = sheetwright::bench::CurrentResidentMiB();
  const double peakOfOpen = sheetwright::bench::PeakResidentMiB();
  const std::wstring first = Request("GetWorksheetData", "");
  const std::wstring next = Request("GetMoreWorksheetData", "");
  const wchar_t* reply = Send(first.c_str());
  size_t pages = 1, characters = std::wcslen(reply);
  ok = ok && Succeeded(reply);
  while (ok && std::wcsstr(reply, L"\"moreRecordsAvailable\":true") != nullptr) {
    reply = Send(next.c_str());
    characters += std::wcslen(reply);
    ++pages;
  }
  const double seconds = sheetwright::bench::NowSeconds() - start;
  const double processorSeconds = ProcessorSeconds() - processorStart;
  const double peak = sheetwright::bench::PeakResidentMiB();
  Send(Request("Close", "").c_str());
  if (!ok) {
    report.Note("Open or GetWorksheetData failed; read not measured");
    return;
  }
  report.Note(std::to_string(pages) + " pages, " + std::to_string(characters) +
              " reply characters; " + std::to_string(processorSeconds) +
              " s of processor time; resident after the open " + std::to_string(residentAfterOpen) +
              " MiB, peak during it " + std::to_string(peakOfOpen) + " MiB");
  report.Figure("read_all_pages_100k_x10_s", seconds, "s");
  report.Figure("read_all_peak_mb", peak, "MiB");
  if (const double peer = sheetwright::bench::OpenpyxlReadSeconds(path); peer > 0) {
    report.Figure("read_all_openpyxl_s", peer, "s");
    report.Figure("read_all_vs_openpyxl", peer / seconds, "x");
  } else {
    report.Note("python3-openpyxl not installed or its read failed: no comparison");
  }
}
