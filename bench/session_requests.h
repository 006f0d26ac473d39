// What the benchmarks that drive the library through Send share: a scratch
// folder removed when the program ends, the large benchmark workbook written
// once per run, python3-openpyxl programs, request texts for session "bench",
// and the processor-time clock.
#pragma once

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <string>

#include "bench/large_workbook.h"

namespace sheetwright::bench {

// A scratch folder for the generated workbooks, removed when the program ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sw-session-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline std::string BenchFolder() {
  static const ScratchFolder folder;
  return folder.path();
}

// Runs a python3-openpyxl program (Debian's interpreter); true on success.
inline bool RunPython(const std::string& program, const std::string& argument) {
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

// The large workbook of bench/large_workbook.h (the one the file benchmark
// opens), written once per run; empty when it could not be written.
inline std::string LargeWorkbook() {
  static const std::string path = [] {
    const std::string target = BenchFolder() + "/large.xlsx";
    return WriteInChild(target) ? target : std::string();
  }();
  return path;
}

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The request for command `name` on session "bench"; `parameters` is JSON
// member text such as "\"CellOption\":\"1\"" (ASCII), or empty.
inline std::wstring Request(const std::string& name, const std::string& parameters) {
  const std::string json = "{\"commandName\":\"" + name + "\",\"parameter\":{\"SessionName\":\"bench\"" +
                           (parameters.empty() ? "" : "," + parameters) + "}}";
  return Wide(json);
}

// User and system time of this process so far, in seconds: a figure that a
// busy machine disturbs less than elapsed time.
inline double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline bool Succeeded(const wchar_t* reply) { return std::wcsstr(reply, L"\"status\":true") != nullptr; }

}  // namespace sheetwright::bench
