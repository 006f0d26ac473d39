// Opening and saving a large workbook through the file layer, against
// python3-openpyxl reading the same file in the same run.
//
// The workbook (bench/large_workbook.h) has the shape of a typical export and
// is written by a child process so that generating it does not count towards
// the open's peak memory.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_registry.h"
#include "bench/large_workbook.h"
#include "bench/openpyxl_read.h"
#include "server/engine/workbook.h"
#include "server/files/utf8.h"
#include "server/files/workbook_files.h"
#include "server/files/zip_writer.h"

namespace {

using sheetwright::bench::Report;

using sheetwright::bench::WriteInChild;

}  // namespace

SW_BENCHMARK(files_xlsx_100k_x10) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("sw-files-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string path = (dir / "large.xlsx").string();
  double t = sheetwright::bench::NowSeconds();
  if (!WriteInChild(path)) {
    report.Note("could not write the benchmark workbook");
    return;
  }
  report.Note("generated " + std::to_string(fs::file_size(path) / 1024) + " KiB in " +
              std::to_string(sheetwright::bench::NowSeconds() - t) + " s");

  sheetwright::bench::ResetPeakResident();
  const double before = sheetwright::bench::CurrentResidentMiB();
  {
    sheetwright::engine::Workbook book;
    t = sheetwright::bench::NowSeconds();
    const std::clock_t cpu = std::clock();
    sheetwright::files::FileStatus status = sheetwright::files::LoadWorkbook(sheetwright::files::WideFromUtf8(path), book);
    const double opened = sheetwright::bench::NowSeconds() - t;
    const double openedCpu = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
    if (!status.ok()) {
      report.Note("open failed: " + sheetwright::files::Utf8FromWide(status.description));
      return;
    }
    report.Figure("xlsx_open_100k_x10_s", opened, "s");
    report.Figure("xlsx_open_peak_mb", sheetwright::bench::PeakResidentMiB(), "MiB");
    report.Note("open used " + std::to_string(openedCpu) + " s of processor time; resident before it " +
                std::to_string(before) + " MiB; cells " +
                std::to_string(book.sheets[0]->CellCount()) + ", strings " + std::to_string(book.strings.size()));

    sheetwright::engine::Cell& cell = book.sheets[0]->Put(50000, 2);
    cell.number = 12345;
    book.dirty = true;
    t = sheetwright::bench::NowSeconds();
    const std::clock_t saveCpu = std::clock();
    status = sheetwright::files::SaveWorkbook(book);
    const double saved = sheetwright::bench::NowSeconds() - t;
    report.Note("save used " + std::to_string(static_cast<double>(std::clock() - saveCpu) / CLOCKS_PER_SEC) +
                " s of processor time");
    if (!status.ok()) {
      report.Note("save failed: " + sheetwright::files::Utf8FromWide(status.description));
    } else {
      report.Figure("xlsx_save_100k_x10_s", saved, "s");
    }
  }

  if (const double seconds = sheetwright::bench::OpenpyxlReadSeconds(path); seconds > 0) {
    report.Figure("openpyxl_read_100k_x10_s", seconds, "s");
  } else {
    report.Note("python3-openpyxl not installed or its read failed: no openpyxl figure");
  }
  fs::remove_all(dir);
}
