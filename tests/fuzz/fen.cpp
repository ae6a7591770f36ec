// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: FEN text. Refused or not, the board the reader leaves must be consistent, and an
// accepted position must stand a move-by-move walk, a short perft and a short search. The book
// key reads the same text with its own reader.
#include "fen.h"

#include "fuzz.h"
#include "pg_key.h"
#include "search.h"

static void walk_moves() {
  ply = 0;
  gen();
  for (int i = first_move[0]; i < first_move[1]; i++) {
    if (!makemove(gen_dat[i].m.b)) continue;
    fuzz_require_consistent(move_str(gen_dat[i].m));
    takeback();
    fuzz_require_consistent("a take-back");
  }
}

static void short_search() {
  max_depth = 2;
  max_time = 600000;
  si.fixed_time = true;
  si.quiet = true;
  si.poll_input = false;
  ply = 0;
  gen();
  think(0);
  fuzz_require_consistent("a search");
}

static void fuzz_one(const std::string& input) {
  pg_key(input.c_str());
  init_board(input.c_str());
  fuzz_require_consistent("the FEN");
  char back[128];
  get_fen(back);
  walk_moves();
  perft(2);
  short_search();
}
