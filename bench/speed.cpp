// Speed of the move generator and make/take back, measured with Google Benchmark.
#include <benchmark/benchmark.h>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "hash.h"
#include "protocol.h"

static void setup(const char* text) {
  static bool ready = false;
  if (!ready) {
    GenInit();
    init_ttable(2);
    ready = true;
  }
  init_board(text);
}

static void BM_PerftStart4(benchmark::State& state) {
  setup(spos);
  for (auto _ : state) benchmark::DoNotOptimize(perft(4));
}
BENCHMARK(BM_PerftStart4)->Unit(benchmark::kMillisecond);

static void BM_PerftMiddlegame3(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  for (auto _ : state) benchmark::DoNotOptimize(perft(3));
}
BENCHMARK(BM_PerftMiddlegame3)->Unit(benchmark::kMillisecond);

static void BM_GenCaptures(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  for (auto _ : state) {
    gen_caps();
    benchmark::DoNotOptimize(first_move[1]);
  }
}
BENCHMARK(BM_GenCaptures);
