// Micro-benchmarks of the reader and of the dot writer's lines, to see where
// a conversion spends its time.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "driver/conversion.h"
#include "driver/writer.h"
#include "io/out_buffer.h"
#include "listing/listing.h"
#include "listing/quick/quick.h"

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
  const padded_string line(kLines[state.range(0)]);
  const int layout = state.range(0) < 3 ? FORMAT_SUN : FORMAT_FREE;
  listing_entry e;
  for (auto _ : state) {
    int ok = layout == FORMAT_SUN ? parse_sun_line(line, e) : parse_free_line(line, e);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(e);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.text().size()));
}
BENCHMARK(BM_Parse)->DenseRange(0, 5)->ArgName("line");

// The quick road that the lines of a conversion take, on the same lines.
void BM_Quick(benchmark::State& state) {
  const padded_string line(kLines[state.range(0)], ' ');
  const int layout = state.range(0) < 3 ? FORMAT_SUN : FORMAT_FREE;
  const quick_road& road = *current_quick_road;
  listing_entry e;
  for (auto _ : state) {
    bool ok = layout == FORMAT_SUN ? road.sun(line, e) : road.free(line, e);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(e);
  }
}
BENCHMARK(BM_Quick)->DenseRange(0, 5)->ArgName("line");

// A whole conversion of the listing that TANGLET_BENCH_LISTING names, under
// each road of the table (the last argument: the general reading alone), to
// see which roads pay.
void BM_Convert(benchmark::State& state) {
  const char* path = std::getenv("TANGLET_BENCH_LISTING");
  const quick_road_list roads = quick_roads();
  const size_t road = static_cast<size_t>(state.range(0));
  if (path == nullptr || road > roads.count ||
      (road < roads.count && !roads.first[road].supported())) {
    state.SkipWithError("no listing, or no such road here");
    return;
  }
  FILE* f = std::fopen(path, "rb");
  const int fd = memfd_create("listing", 0);
  char block[1 << 16];
  for (size_t n; f != nullptr && (n = std::fread(block, 1, sizeof block, f)) > 0;) {
    if (write(fd, block, n) != static_cast<ssize_t>(n)) break;
  }
  if (f != nullptr) std::fclose(f);
  current_quick_road = road < roads.count ? roads.first[road].road : nullptr;
  state.SetLabel(road < roads.count ? roads.first[road].name : "general");
  std::string out;
  for (auto _ : state) {
    reset_driver_state();
    lseek(fd, 0, SEEK_SET);
    graph_output.reset(
        -1, [](void*, const char*, size_t) {}, nullptr);
    benchmark::DoNotOptimize(run_conversion(fd));
  }
  close(fd);
  current_quick_road = best_quick_road();
}
BENCHMARK(BM_Convert)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void BM_DotNode(benchmark::State& state) {
  std::string sink;
  graph_output.reset(-1, &sink);
  const padded_string name("lookup_entry_by_name", ' ');
  const padded_string signature(" const struct entry * (const char *name, int kind)", ' ');
  const padded_string file("table.c", ' ');
  for (auto _ : state) {
    write_node(name, 123, signature, file, 16);
    if (sink.size() > (1 << 20)) sink.clear();
  }
}
BENCHMARK(BM_DotNode);

// Field lengths that vary as in real listings: the copies' branches then
// mispredict, which the fixed fields above never show.
void BM_DotNodeVaried(benchmark::State& state) {
  std::string sink;
  graph_output.reset(-1, &sink);
  const padded_string buffer(std::string(256, 'x'));
  const padded_text text = buffer;
  uint32_t seed = 1;
  auto next = [&](uint32_t n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  size_t lengths[1024][3];
  for (auto& l : lengths) l[0] = 4 + next(27), l[1] = 6 + next(90), l[2] = 6 + next(11);
  size_t k = 0;
  for (auto _ : state) {
    const size_t* l = lengths[k++ % 1024];
    write_node(text.part(0, l[0]), 123, text.part(0, l[1]), text.part(0, l[2]), 16);
    if (sink.size() > (1 << 20)) sink.clear();
  }
}
BENCHMARK(BM_DotNodeVaried);

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
