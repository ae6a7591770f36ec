// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the fuzz targets: the entry point, which sets the engine up afresh and hands the
// target its input as text, the board's redundant forms checked after each step, and the replay.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "fen.h"
#include "hash.h"
#include "movetext.h"
#include "option.h"
#include "protocol.h"

// What each target does with one input.
static void fuzz_one(const std::string& input);

inline void fuzz_require_consistent(const char* after) {
  char why[64];
  if (board_consistent(why, sizeof why)) return;
  fprintf(stderr, "board corrupt (%s) after %s\n", why, after);
  abort();
}

// Standard input becomes a pipe the target writes to, unbuffered as the engine reads it; the
// pipe's other end is returned.
inline int take_over_input() {
  int fds[2];
  if (pipe(fds) != 0 || dup2(fds[0], 0) != 0) abort();
  close(fds[0]);
  clearerr(stdin);
  setvbuf(stdin, nullptr, _IONBF, 0);
  return fds[1];
}

// The diagnostics search for seconds: a target runs them only where they must be refused.
inline bool diagnostic(const std::string& line) {
  return line == "bench" || line == "profile" || line == "symtestpos";
}

// The hash table is made again only when an input changed its size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool started = false;
  if (!started) {
    program_header(), engine_init(), started = true;
  } else {
    const int hash_mb = OptionUci.Hash;
    OptionStart(), GenInit();
    if (OptionUci.Hash != hash_mb) init_ttable(OptionUci.Hash);
    init_board(spos), ply = 0, gen();
  }
  fuzz_one(std::string((const char*)data, size));
  return 0;
}

#ifdef ZELTRO_FUZZ_REPLAY
// Without libFuzzer the target runs over the saved inputs named on its command line, so the corpus
// and the regression cases stay tests where no fuzzing compiler is at hand.
int main(int argc, char** argv) {
  if (freopen("/dev/null", "w", stdout) == nullptr) return 2;
  for (int a = 1; a < argc; a++) {
    std::ifstream in(argv[a], std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), {}};
    fprintf(stderr, "%s\n", argv[a]);
    LLVMFuzzerTestOneInput((const uint8_t*)data.data(), data.size());
  }
  return argc > 1 ? 0 : 1;
}
#endif
