// Times python3-openpyxl (Debian's interpreter) reading every cell of the
// benchmark workbook's sheet "Data" in read-only mode, the way a user of
// that library reads a large export: the peer the read figures compare with.
//
//   const double seconds = sheetwright::bench::OpenpyxlReadSeconds(path);
//   if (seconds > 0) report.Figure("openpyxl_read_100k_x10_s", seconds, "s");
#pragma once

#include <cstdlib>
#include <string>

#include "bench/bench_registry.h"

namespace sheetwright::bench {

// Elapsed seconds of the read, or 0 when openpyxl is missing or the read
// failed. The interpreter runs in a child process, so its memory does not
// count towards this process's peak.
inline double OpenpyxlReadSeconds(const std::string& path) {
  if (std::system("/usr/bin/python3 -c 'import openpyxl' 2>/dev/null") != 0) return 0;
  const std::string script = "/usr/bin/python3 -c \"import openpyxl,sys\n"
                             "wb=openpyxl.load_workbook(sys.argv[1],read_only=True)\n"
                             "n=0\n"
                             "for row in wb['Data'].iter_rows(values_only=True):\n"
                             "    for v in row: n+=v is not None\n"
                             "print(n)\" '" + path + "' >/dev/null";
  const double start = NowSeconds();
  if (std::system(script.c_str()) != 0) return 0;
  return NowSeconds() - start;
}

}  // namespace sheetwright::bench
