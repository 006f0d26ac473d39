// What the benchmarks that go through Send share: a scratch folder removed
// when the program ends, the large workbook written once per run, requests
// of the session "bench" and the status test of a reply.
#pragma once

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

// The large workbook of bench/large_workbook.h (the one the file benchmark
// opens), written once per run.
inline std::string LargeWorkbook() {
  static const std::string path = [] {
    const std::string target = BenchFolder() + "/large.xlsx";
    return WriteInChild(target) ? target : std::string();
  }();
  return path;
}

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

inline std::wstring Request(const std::string& name, const std::string& parameters) {
  return Wide("{\"commandName\":\"" + name + "\",\"parameter\":{\"SessionName\":\"bench\"" +
              (parameters.empty() ? "" : "," + parameters) + "}}");
}

inline bool Succeeded(const wchar_t* reply) { return std::wcsstr(reply, L"\"status\":true") != nullptr; }

}  // namespace sheetwright::bench
