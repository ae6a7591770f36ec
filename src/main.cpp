// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board.h"
#include "diag.h"
#include "epd.h"
#include "eval.h"
#include "fen.h"
#include "movetext.h"
#include "protocol.h"
#include "version.h"

static const char HELP_TEXT[] =
    "Usage: zeltro [COMMAND]\n"
    "A UCI chess engine: without a command, UCI on standard input and output.\n"
    "\n"
    "Commands:\n"
    "  bench              fixed-depth search of ten positions, ending \"N nodes M nps\"\n"
    "  perft DEPTH [FEN]  count the legal move paths DEPTH plies deep, per root move\n"
    "  eval [FEN]         static score for the side to move, in centipawns\n"
    "  epd FILE [depth N | movetime MS]\n"
    "                     search every position of an EPD test suite and count the\n"
    "                     solved ones (movetime %d when no limit is given)\n"
    "  -h, --help         show this text\n"
    "  --version          show the name and build\n"
    "\n"
    "A FEN may be one argument or separate words. See zeltro(6) for more.\n";

// Limits of the EPD runner: a search per position of one second unless told otherwise.
static const int EPD_DEFAULT_MOVETIME = 1000;
static const int EPD_MAX_DEPTH = 100;
static const int EPD_MAX_MOVETIME = 24 * 60 * 60 * 1000;

static int usage(const char* message) {
  fprintf(stderr, "zeltro: %s\n", message);
  return 2;
}

// A whole number from lo to hi, and nothing else.
static bool whole_number(const char* text, long lo, long hi, long* value) {
  char* end;
  *value = strtol(text, &end, 10);
  return *text != 0 && *end == 0 && *value >= lo && *value <= hi;
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
  long depth;
  if (!whole_number(argv[2], 1, 20, &depth))
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

static int run_epd(int argc, char** argv) {
  if (argc != 3 && argc != 5) return usage("usage: zeltro epd FILE [depth N | movetime MS]");
  long depth = 0, movetime = EPD_DEFAULT_MOVETIME;
  if (argc == 5) {
    const bool by_depth = strcmp(argv[3], "depth") == 0;
    if (!by_depth && strcmp(argv[3], "movetime") != 0)
      return usage("epd: the limit is depth N or movetime MS");
    if (by_depth ? !whole_number(argv[4], 1, EPD_MAX_DEPTH, &depth)
                 : !whole_number(argv[4], 1, EPD_MAX_MOVETIME, &movetime)) {
      char message[128];
      snprintf(message, sizeof message, "epd: %s must be a whole number from 1 to %d", argv[3],
               by_depth ? EPD_MAX_DEPTH : EPD_MAX_MOVETIME);
      return usage(message);
    }
  }
  if (!epd_suite(argv[2], (int)depth, (int)movetime))
    return usage((std::string("epd: cannot read ") + argv[2]).c_str());
  return 0;
}

int main(int argc, char** argv) {
  setvbuf(stdin, nullptr, _IONBF, 0);
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc > 1 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
    if (argc > 2) return usage("usage: zeltro --help");
    printf(HELP_TEXT, EPD_DEFAULT_MOVETIME);
    return 0;
  }
  if (argc > 1 && strcmp(argv[1], "--version") == 0) {
    if (argc > 2) return usage("usage: zeltro --version");
    printf("%s Build %s\n", ENGINE_NAME, ENGINE_BUILD);
    return 0;
  }
  if (argc > 1) {
    engine_init();
    if (strcmp(argv[1], "perft") == 0) return run_perft(argc, argv);
    if (strcmp(argv[1], "bench") == 0) return run_bench(argc);
    if (strcmp(argv[1], "eval") == 0) return run_eval(argc, argv);
    if (strcmp(argv[1], "epd") == 0) return run_epd(argc, argv);
    return usage("unknown command (try: zeltro --help)");
  }
  program_header();
  engine_init();
  Loop();
  return 0;
}
