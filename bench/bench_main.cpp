#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/bench_registry.h"

namespace sheetwright::bench {

std::vector<Entry>& Registry() {
  static std::vector<Entry> entries;
  return entries;
}

Registration::Registration(const char* name, BenchmarkFn fn) { Registry().push_back({name, fn}); }

void Report::Figure(const std::string& name, double value, const std::string& unit) {
  std::printf("%s: %.6g %s\n", name.c_str(), value, unit.c_str());
  std::fflush(stdout);
}

void Report::Note(const std::string& text) {
  std::printf("# %s\n", text.c_str());
  std::fflush(stdout);
}

double NowSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

static double StatusFieldMiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::strlen(field))) / 1024.0;
  }
  return 0;
}

double PeakResidentMiB() { return StatusFieldMiB("VmHWM:"); }
double CurrentResidentMiB() { return StatusFieldMiB("VmRSS:"); }

void ResetPeakResident() {
  // Heap pages that earlier benchmarks freed go back to the system first, so
  // they do not count towards the next peak.
  malloc_trim(0);
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

}  // namespace sheetwright::bench

// Usage: sheetwright-bench [name-substring]
// Without an argument every registered benchmark runs.
int main(int argc, char** argv) {
  using namespace sheetwright::bench;
  const char* filter = argc > 1 ? argv[1] : nullptr;
  Report report;
  for (const Entry& entry : Registry()) {
    if (filter && entry.name.find(filter) == std::string::npos) continue;
    report.Note("running " + entry.name);
    entry.fn(report);
    report.Note("resident after " + entry.name + ": " + std::to_string(CurrentResidentMiB()) + " MiB");
  }
  return 0;
}
