// Round trips through Send: the request cycle's own cost (JSON in, command
// table, parameter object, registry, operation, JSON out, wide reply).
#include <cwchar>

#include "bench/bench_registry.h"
#include "boundary/Exports.h"

namespace {

double RoundTripsPerSecond(const wchar_t* request, int count) {
  for (int i = 0; i < 1000; ++i) Send(request);  // warm-up: session created, buffers grown
  const double start = sheetwright::bench::NowSeconds();
  for (int i = 0; i < count; ++i) Send(request);
  return count / (sheetwright::bench::NowSeconds() - start);
}

}  // namespace

SW_BENCHMARK(send) {
  // A cheap command on a session: for now an operation that answers from its
  // not-yet-built stub on an unconnected session. Once "Open" works, switch
  // this to a real open session (Open a small workbook first, then time
  // GetSingleCell on it) so the figure covers a genuine call.
  const wchar_t* kCheapCommand =
      L"{\"commandName\":\"GetUsedRange\",\"parameter\":{\"SessionName\":\"bench\"}}";
  report.Figure("send_roundtrips_per_s", RoundTripsPerSecond(kCheapCommand, 200000), "1/s");
  // A request naming no command: parse and print only.
  report.Figure("send_unknown_command_roundtrips_per_s",
                RoundTripsPerSecond(L"{\"commandName\":\"NoSuchCommand\"}", 200000), "1/s");
}
