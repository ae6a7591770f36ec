// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: FEN text. Refused or not, the board the reader leaves must be consistent, and an
// accepted position must stand a move-by-move walk, a short perft and a short search. The book
// key reads the same text with its own reader.
#include "fen.h"

#include "fuzz.h"
#include "pg_key.h"

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

static void fuzz_one(const std::string& input) {
  pg_key(input.c_str());
  init_board(input.c_str());
  fuzz_require_consistent("the FEN");
  char back[128];
  get_fen(back);
  walk_moves();
  perft(2);
  int ms;
  move best;
  U64 searched;
  suite_search(2, 600000, &ms, &best, &searched, 0);
  fuzz_require_consistent("a search");
}
