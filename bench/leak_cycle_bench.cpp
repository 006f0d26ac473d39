// Resident memory over a long run of sessions: 10,000 cycles of "Open",
// "GetSingleCell", "GetWorksheetData" and "Close" through Send on a small
// workbook. Memory that a cycle leaves behind would show as growth between
// the figure after the first 1,000 cycles and the figure at the end.
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_registry.h"
#include "boundary/Exports.h"
#include "server/host_hooks.h"

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Request(const std::string& name, const std::string& parameters) {
  return Wide("{\"commandName\":\"" + name + "\",\"parameter\":{\"SessionName\":\"cycle\"" +
              (parameters.empty() ? "" : "," + parameters) + "}}");
}

}  // namespace

SW_BENCHMARK(session_open_close_cycles) {
  namespace fs = std::filesystem;
  std::string folder = (fs::temp_directory_path() / "sw-cycle-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) return report.Note("no scratch folder; cycles not measured");
  const std::string path = folder + "/cycle.csv";
  {
    std::ofstream out(path, std::ios::binary);
    for (int r = 1; r <= 200; ++r) out << "item " << r << ',' << r * 1.5 << ",TRUE\r\n";
  }
  const std::wstring open = Request("Open", "\"FileName\":\"" + path + "\",\"SheetName\":\"cycle\"");
  const std::wstring read = Request("GetSingleCell", "\"CellOption\":\"1\",\"CellAddress\":\"B7\"");
  const std::wstring all = Request("GetWorksheetData", "\"SheetOption\":\"0\"");
  const std::wstring close = Request("Close", "\"SaveChanges\":\"0\"");
  const int kCycles = 10000;
  double afterWarmUp = 0;
  int failed = 0;
  const double start = sheetwright::bench::NowSeconds();
  for (int i = 1; i <= kCycles; ++i) {
    failed += std::wcsstr(Send(open.c_str()), L"\"status\":true") == nullptr;
    Send(read.c_str());
    Send(all.c_str());
    failed += std::wcsstr(Send(close.c_str()), L"\"status\":true") == nullptr;
    if (i == 1000) afterWarmUp = sheetwright::bench::CurrentResidentMiB();
  }
  const double seconds = sheetwright::bench::NowSeconds() - start;
  const double atEnd = sheetwright::bench::CurrentResidentMiB();
  ClearMemory();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (failed) report.Note(std::to_string(failed) + " opens or closes failed");
  report.Figure("cycle_resident_after_1000_mib", afterWarmUp, "MiB");
  report.Figure("cycle_resident_after_10000_mib", atEnd, "MiB");
  report.Figure("cycle_resident_growth_mib", atEnd - afterWarmUp, "MiB");
  report.Figure("cycle_live_server_objects", SheetwrightLiveServerObjects(), "objects");
  report.Figure("cycle_open_read_close_per_s", kCycles / seconds, "1/s");
}
