// Micro-benchmarks of the reader and of the dot writer's lines, to see where
// a conversion spends its time.
#include <benchmark/benchmark.h>

#include <string>

#include "driver/driver.h"
#include "driver/output.h"
#include "listing/listing.h"

namespace {

const char* const kLines[] = {
    "  123 \t\t\tlookup_entry_by_name: const struct entry * (const char *name, int kind), "
    "<table.c 16>",
    "  124 \t\t\t\tstrcmp: <>",
    "  125 \t\t\tlookup_entry_by_name: 123",
    "123\t\t\tlookup_entry_by_name {table.c 16}",
    "124\t\t\t\tstrcmp {}",
    "125\t\t\t... lookup_entry_by_name ... {123}",
};

void BM_Parse(benchmark::State& state) {
  const std::string line = kLines[state.range(0)];
  const int layout = state.range(0) < 3 ? FORMAT_SUN : FORMAT_FREE;
  listing_entry e;
  for (auto _ : state) {
    int ok = layout == FORMAT_SUN ? parse_sun_line(line, e) : parse_free_line(line, e);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(e);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_Parse)->DenseRange(0, 5)->ArgName("line");

void BM_DotNode(benchmark::State& state) {
  std::string sink;
  graph_output.reset(-1, &sink);
  for (auto _ : state) {
    write_node("lookup_entry_by_name", 123, " const struct entry * (const char *name, int kind)",
               "table.c", 16);
    if (sink.size() > (1 << 20)) sink.clear();
  }
}
BENCHMARK(BM_DotNode);

void BM_DotEdge(benchmark::State& state) {
  std::string sink;
  graph_output.reset(-1, &sink);
  for (auto _ : state) {
    write_edge(123456, 654321);
    if (sink.size() > (1 << 20)) sink.clear();
  }
}
BENCHMARK(BM_DotEdge);

}  // namespace

BENCHMARK_MAIN();
