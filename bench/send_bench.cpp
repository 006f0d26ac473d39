// Round trips through Send: the request cycle's own cost (JSON in, command
// table, JSON out, wide reply) for a request that names no command.
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
  // The request cycle alone: a request naming no command is parsed and
  // answered "{}" without reaching a session. The round trips of a real
  // command on an open session ("GetSingleCell") are send_roundtrips_per_s
  // in session_bench.cpp.
  report.Figure("send_unknown_command_roundtrips_per_s",
                RoundTripsPerSecond(L"{\"commandName\":\"NoSuchCommand\"}", 200000), "1/s");
}
