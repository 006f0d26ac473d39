// A tiny registry for the benchmark program. Each *_bench.cpp file in this
// folder registers one or more benchmark functions with SW_BENCHMARK; the
// program runs them in registration order and prints every figure on a line
// of its own as "name: value unit".
//
//   SW_BENCHMARK(engine_value_array) {
//     ...
//     report.Figure("engine_value_array_1m_cells_s", seconds, "s");
//   }
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sheetwright::bench {

class Report {
 public:
  // Prints "name: value unit" at once, so figures appear while later
  // benchmarks are still running.
  void Figure(const std::string& name, double value, const std::string& unit);
  // A line of context that is not a figure, printed as "# text".
  void Note(const std::string& text);
};

using BenchmarkFn = void (*)(Report&);

struct Registration {
  Registration(const char* name, BenchmarkFn fn);
};

struct Entry {
  std::string name;
  BenchmarkFn fn;
};
std::vector<Entry>& Registry();

// Seconds since an arbitrary start, monotonic.
double NowSeconds();
// Peak resident set size of this process so far, in MiB (VmHWM).
double PeakResidentMiB();
// Returns freed heap pages to the system and resets the peak resident figure
// where the kernel allows it (clear_refs 5).
void ResetPeakResident();
// Current resident set size in MiB (VmRSS).
double CurrentResidentMiB();

}  // namespace sheetwright::bench

#define SW_BENCH_CONCAT2(a, b) a##b
#define SW_BENCH_CONCAT(a, b) SW_BENCH_CONCAT2(a, b)
#define SW_BENCHMARK(name)                                                   \
  static void SW_BENCH_CONCAT(bench_, name)(::sheetwright::bench::Report&);  \
  static ::sheetwright::bench::Registration SW_BENCH_CONCAT(reg_, name)(     \
      #name, &SW_BENCH_CONCAT(bench_, name));                                \
  static void SW_BENCH_CONCAT(bench_, name)(::sheetwright::bench::Report & report)
