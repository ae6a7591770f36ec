// SPDX-License-Identifier: GPL-3.0-or-later
// Diagnostics a developer runs by hand or from the command line: perft, the bench whose node
// count is the engine's signature, the profile run and the colour-symmetry test of the evaluation.
#include "diag.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board.h"
#include "data.h"
#include "eval.h"
#include "fen.h"
#include "movetext.h"
#include "platform.h"
#include "search.h"
#include "version.h"

// The time of one bench position (it ends by its depth long before), and of one profile search.
static const int BENCH_MS = 300000;
static const int PROFILE_MS = 5000;
// The clock the symmetry test leaves behind: four hours.
static const int SYMTEST_MAX_TIME = 14400000;

U64 perft(int depth) {
  if (depth == 0) return 1;
  // In check the search's own generators run, so perft proves them too.
  gen_node(side_checked);
  U64 nodes = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    // The last ply only counts, and most moves can be told legal without being played.
    const int legal = depth == 1 ? legal_unplayed(gen_dat[i].m.b) : -1;
    if (legal >= 0) {
      nodes += legal;
      continue;
    }
    if (!makemove(gen_dat[i].m.b)) continue;
    nodes += depth == 1 ? 1 : perft(depth - 1);
    takeback();
  }
  return nodes;
}

U64 bench_nodes;
int bench_ms;

void print_board() {
  printf("\n8 ");
  for (int sq = 0; sq < 64; sq++) {
    char c = '.';
    if (color[sq] == LIGHT) c = piece_char[piece[sq]];
    if (color[sq] == DARK) c = piece[sq] == PAWN ? 'o' : (char)tolower(piece_char[piece[sq]]);
    printf(" %c", c);
    if ((sq & 7) == 7 && sq < 63) printf("\n%d ", 7 - (sq >> 3));
  }
  printf("\n\n   a b c d e f g h\n\n");
}

// One search of a suite: no input is read and no periodic lines are printed.
void suite_search(int depth, int time, int* ms, move* best, U64* n, int show) {
  max_depth = depth;
  max_time = time;
  si.quiet = true;
  si.poll_input = false;
  ply = 0;
  gen();
  think(show);
  *ms = ms_diff(get_ms(), start_time);
  *best = pv[0][0];
  *n = nodes;
}

// What one search of a diagnostic run found.
struct found_t {
  int ms, depth;
  U64 nodes;
  move best;
};

// A diagnostic run starts clear of a stop or a ponder search left over from before (which must
// not cut it short), and ends with the input and the periodic lines back on.
static void end_run() {
  si.quiet = false;
  si.poll_input = true;
}

// One quiet search of the position set up, to the depth, within the time; a fixed run holds the
// clock to that time too.
static found_t search_position(int depth, int time, bool fixed) {
  found_t f;
  if (fixed) si.fixed_time = true, si.time_avail = time;
  suite_search(depth, time, &f.ms, &f.best, &f.nodes);
  f.depth = idepth;
  return f;
}

// A fixed-depth search of ten tactical positions: the node count is the engine's signature.
void bench() {
  const int count = 10;
  found_t found[count];
  int score = 0;
  ResetSearch();
  printf("\n# Benchmark on %d positions:\n\n", count);
  for (int i = 0; i < count; i++) {
    init_board(BTestPosition[i]);
    printf("# Position no. %d/%d\n# %s\n\n", i + 1, count, BTestPosition[i]);
    found[i] = search_position(BTestPositionDepth[i], BENCH_MS, true);
  }
  printf("\n# %s fixed depth Bench Results\n", ENGINE_NAME);
  printf("# Pos Depth      Nodes    Time(sec)\n# ----------------------------------\n");
  bench_nodes = 0;
  bench_ms = 0;
  for (int i = 0; i < count; i++) {
    if (strcmp(move_str(found[i].best), BTestPosition_Sol[i]) == 0) score += 10;
    printf("# %2d   %2d %12.0f   %8.3f\n", i + 1, BTestPositionDepth[i], (double)found[i].nodes,
           found[i].ms / 1000.0);
    bench_nodes += found[i].nodes;
    bench_ms += found[i].ms;
  }
  printf("\n# t_time=%0.0f msec, t_nodes=%0.0f, ave_nps=%0.0fK, t_score=%d.\n\n", (double)bench_ms,
         (double)bench_nodes, bench_ms > 0 ? (double)bench_nodes / bench_ms : 0.0, score);
  fflush(stdout);
  init_board(spos);
  ply = 0;
  gen();
  end_run();
}

void profile() {
  const int count = 20;
  found_t found[count];
  ResetSearch();
  printf("# Running %d profile positions\n", count);
  for (int i = 0; i < count; i++) {
    init_board(PTestPosition[i]);
    print_board();
    printf("# Profile position no. %d/%d\n# Title: %s\n", i + 1, count, PTitle[i]);
    found[i] = search_position(MAX_ITERATION, PROFILE_MS, false);
    printf("# Pos %d, best move %s\n", i + 1, move_str(found[i].best));
  }
  printf("\n# %s Profile Results:\n", ENGINE_NAME);
  printf("# Pos Depth      Nodes    Time(sec) SearchedMove\n");
  printf("# -----------------------------------------------\n");
  long long total_ms = 0;
  double total_nodes = 0;
  for (int i = 0; i < count; i++) {
    printf("# %2d   %2d %12.0f     %8d     %6s\n", i + 1, found[i].depth - 1,
           (double)found[i].nodes, found[i].ms, move_str(found[i].best));
    total_ms += found[i].ms;
    total_nodes += (double)found[i].nodes;
  }
  printf("\n# total_time=%d sec, total_nodes=%0.0fM, average nps=%0.0fK.\n", (int)(total_ms / 1000),
         total_nodes / 1000000, total_ms > 0 ? total_nodes / total_ms : 0.0);
  end_run();
}

// The board as FEN without castling rights, or turned over: ranks reversed, colours swapped,
// the other side to move.
static void sym_fen(char* out, bool turned) {
  const int n = board_text(out, turned);
  snprintf(out + n, 16, " %c - - 0 1", (side == LIGHT) != turned ? 'w' : 'b');
}

// Plays a repeatable line of random legal moves to reach a varied position.
static void random_line(const char* start, int plies, uint32_t seed) {
  init_board(start);
  for (int p = 0; p < plies; p++) {
    move legal[256];
    const int count = legal_moves(legal, 256);
    if (count == 0) break;
    seed = seed * 1103515245u + 12345u;
    makemove(legal[(seed >> 16) % count].b);
  }
  ply = 0;
}

// The evaluation must not care which colour is which: every position is scored against its
// turned-over twin.
void symtestpos() {
  const int pairs = 152;
  int correct = 0;
  for (int k = 0; k < pairs; k++) {
    char fens[2][128];
    if (k < 3) {
      snprintf(fens[0], sizeof fens[0], "%s", SymTestSeed[2 * k]);
      snprintf(fens[1], sizeof fens[1], "%s", SymTestSeed[2 * k + 1]);
    } else {
      const char* start = k % 3 ? PTestPosition[k % 20] : BTestPosition[k % 10];
      random_line(start, 2 + (k * 7) % 41, (uint32_t)k);
      sym_fen(fens[0], false);
      sym_fen(fens[1], true);
    }
    int score[2];
    for (int j = 0; j < 2; j++) {
      init_board(fens[j]);
      // Left behind as it always was; the next go sets its own.
      max_time = SYMTEST_MAX_TIME;
      max_depth = MAX_ITERATION;
      score[j] = eval();
    }
    if (score[0] != score[1])
      printf("# Pos %d & %d is Not OK ??\n", 2 * k, 2 * k + 1);
    else
      correct++;
  }
  printf("# Total=%d, Correct=%d, Mistake=%d, Correct=%d%%\n", pairs, correct, pairs - correct,
         correct * 100 / pairs);
}
