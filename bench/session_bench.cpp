// Session figures through Send: round trips of a cheap real command on an open
// session, and reading a 100,000-row x 10-column sheet page by page, with the
// same read by python3-openpyxl in the same run for the ratio.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>

#include "bench/bench_registry.h"
#include "boundary/Exports.h"

namespace {

namespace fs = std::filesystem;

std::string BenchFolder() {
  static const std::string folder = [] {
    std::string pattern = (fs::temp_directory_path() / "sw-session-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return std::string("/tmp");
    return pattern;
  }();
  return folder;
}

// Runs a python3-openpyxl program (Debian's interpreter); true on success.
bool RunPython(const std::string& program, const std::string& argument) {
  const std::string script = BenchFolder() + "/program.py";
  if (FILE* file = std::fopen(script.c_str(), "w")) {
    std::fputs(program.c_str(), file);
    std::fclose(file);
  } else {
    return false;
  }
  const std::string commandLine = "/usr/bin/python3 '" + script + "' '" + argument + "'";
  return std::system(commandLine.c_str()) == 0;
}

// The large workbook: 100,000 rows of 10 columns, alternating numbers and
// short texts, written with openpyxl's write-only mode.
std::string LargeWorkbook() {
  static const std::string path = [] {
    const std::string target = BenchFolder() + "/rows100k_cols10.xlsx";
    const char* program =
        "import sys\n"
        "from openpyxl import Workbook\n"
        "wb = Workbook(write_only=True)\n"
        "ws = wb.create_sheet('Data')\n"
        "for r in range(1, 100001):\n"
        "    ws.append([r if c % 2 == 0 else f'r{r}c{c}' for c in range(10)])\n"
        "wb.save(sys.argv[1])\n";
    return RunPython(program, target) ? target : std::string();
  }();
  return path;
}

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

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::wstring Request(const std::string& name, const std::string& parameters) {
  return Wide("{\"commandName\":\"" + name + "\",\"parameter\":{\"SessionName\":\"bench\"" +
              (parameters.empty() ? "" : "," + parameters) + "}}");
}

bool Succeeded(const wchar_t* reply) { return std::wcsstr(reply, L"\"status\":true") != nullptr; }

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
    report.Note("could not write the 100k x 10 workbook with python3-openpyxl");
    return;
  }
  sheetwright::bench::ResetPeakResident();
  const double start = sheetwright::bench::NowSeconds();
  bool ok = Succeeded(Send(Request("Open", "\"FileName\":\"" + path + "\"").c_str()));
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
  const double peak = sheetwright::bench::PeakResidentMiB();
  Send(Request("Close", "").c_str());
  if (!ok) {
    report.Note("Open or GetWorksheetData failed; read not measured");
    return;
  }
  report.Note(std::to_string(pages) + " pages, " + std::to_string(characters) + " reply characters");
  report.Figure("read_all_pages_100k_x10_s", seconds, "s");
  report.Figure("read_all_peak_mb", peak, "MiB");
}

SW_BENCHMARK(session_openpyxl_read) {
  const std::string path = LargeWorkbook();
  if (path.empty()) return;
  // Read-only mode, every cell turned into text: the peer a Python user picks.
  const char* program =
      "import sys\n"
      "from openpyxl import load_workbook\n"
      "wb = load_workbook(sys.argv[1], read_only=True)\n"
      "n = 0\n"
      "for row in wb.active.iter_rows(values_only=True):\n"
      "    n += sum(len('' if v is None else str(v)) for v in row)\n";
  const double start = sheetwright::bench::NowSeconds();
  if (!RunPython(program, path)) {
    report.Note("python3-openpyxl read failed");
    return;
  }
  report.Figure("openpyxl_read_100k_x10_s", sheetwright::bench::NowSeconds() - start, "s");
}
