// Shared by the fuzz targets: the engine set up afresh for each input, and the board's redundant
// forms checked after each step.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "board.h"
#include "data.h"
#include "hash.h"
#include "option.h"
#include "protocol.h"

// The hash table is made again only when an input changed its size.
inline void fuzz_fresh_engine() {
  static bool started = false;
  if (!started) {
    program_header();
    engine_init();
    started = true;
    return;
  }
  const int hash_mb = OptionUci.Hash;
  OptionStart();
  GenInit();
  if (OptionUci.Hash != hash_mb) init_ttable(OptionUci.Hash);
  init_board(spos);
  ply = 0;
  gen();
}

inline void fuzz_require_consistent(const char* after) {
  char why[64];
  if (board_consistent(why, sizeof why)) return;
  fprintf(stderr, "board corrupt (%s) after %s\n", why, after);
  abort();
}
