#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board.h"
#include "eval.h"
#include "fen.h"
#include "protocol.h"

static int usage(const char* message) {
  fprintf(stderr, "zeltro: %s\n", message);
  return 2;
}

// Joins the remaining arguments, so a FEN may be given quoted or as separate words.
static std::string join_args(int argc, char** argv, int first) {
  std::string text;
  for (int i = first; i < argc; i++) {
    if (i > first) text += ' ';
    text += argv[i];
  }
  return text;
}

static bool set_position(int argc, char** argv, int first) {
  if (first >= argc) return true;
  std::string text = join_args(argc, argv, first);
  init_board(text.c_str());
  return !fen_refused;
}

static int run_perft(int argc, char** argv) {
  if (argc < 3) return usage("usage: zeltro perft DEPTH [FEN]");
  char* end;
  long depth = strtol(argv[2], &end, 10);
  if (*argv[2] == 0 || *end != 0 || depth < 1 || depth > 20)
    return usage("perft depth must be a whole number from 1 to 20");
  if (!set_position(argc, argv, 3)) return usage("perft: the FEN was refused");
  ply = 0;
  gen();
  U64 total = 0;
  for (int i = first_move[0]; i < first_move[1]; i++) {
    move m = gen_dat[i].m;
    if (!makemove(m.b)) continue;
    U64 n = depth == 1 ? 1 : perft((int)depth - 1);
    takeback();
    total += n;
    printf("%s: %llu\n", move_str(m), (unsigned long long)n);
  }
  printf("\nNodes searched: %llu\n", (unsigned long long)total);
  return 0;
}

static int run_bench(int argc) {
  if (argc > 2) return usage("usage: zeltro bench");
  bench();
  U64 nps = bench_ms > 0 ? bench_nodes * 1000 / (U64)bench_ms : 0;
  printf("%llu nodes %llu nps\n", (unsigned long long)bench_nodes, (unsigned long long)nps);
  return 0;
}

static int run_eval(int argc, char** argv) {
  if (!set_position(argc, argv, 2)) return usage("eval: the FEN was refused");
  printf("%d\n", eval());
  return 0;
}

int main(int argc, char** argv) {
  setvbuf(stdin, nullptr, _IONBF, 0);
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc > 1) {
    engine_init();
    if (strcmp(argv[1], "perft") == 0) return run_perft(argc, argv);
    if (strcmp(argv[1], "bench") == 0) return run_bench(argc);
    if (strcmp(argv[1], "eval") == 0) return run_eval(argc, argv);
    return usage(
        "unknown command (try: zeltro bench, zeltro perft DEPTH [FEN], zeltro eval [FEN])");
  }
  program_header();
  engine_init();
  Loop();
  return 0;
}
