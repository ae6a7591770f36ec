// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the evaluation, the move generator and make/take back, measured with Google Benchmark.
#include <benchmark/benchmark.h>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "eval.h"
#include "fen.h"
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

static void BM_GenAll(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  for (auto _ : state) {
    gen();
    benchmark::DoNotOptimize(first_move[1]);
  }
}
BENCHMARK(BM_GenAll);

// The priority moves alone, as a node out of check lists them first.
static void BM_GenPriority(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  for (auto _ : state) {
    gen_priority(0);
    benchmark::DoNotOptimize(first_move[1]);
  }
}
BENCHMARK(BM_GenPriority);

// Every move of the list made and taken back, the legality test included.
static void BM_MakeTakeBack(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  gen();
  for (auto _ : state) {
    for (int i = first_move[0]; i < first_move[1]; i++)
      if (makemove(gen_dat[i].m.b)) takeback();
    benchmark::DoNotOptimize(hash);
  }
}
BENCHMARK(BM_MakeTakeBack);

// One evaluation of each bench position. Its pawn structure is found in the cache after the
// first call, as it mostly is in a search; its whole score never is, as each call brings a key of
// its own (the board does not read the key).
static void BM_Eval(benchmark::State& state) {
  setup(BTestPosition[state.range(0)]);
  for (auto _ : state) {
    hash++;
    benchmark::DoNotOptimize(eval());
  }
}
BENCHMARK(BM_Eval)->DenseRange(0, 9);

// A score the cache of whole scores gives back.
static void BM_EvalKept(benchmark::State& state) {
  setup(BTestPosition[0]);
  for (auto _ : state) benchmark::DoNotOptimize(eval());
}
BENCHMARK(BM_EvalKept);

// A rook and a bishop lookup from every square of a middlegame board.
static void BM_SlidingAttacks(benchmark::State& state) {
  setup("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
  for (auto _ : state) {
    Bitboard all = 0;
    for (int sq = 0; sq < 64; sq++)
      all ^= rookAttacks(Pos.occupied, sq) ^ bishopAttacks(Pos.occupied, sq);
    benchmark::DoNotOptimize(all);
  }
}
BENCHMARK(BM_SlidingAttacks);
