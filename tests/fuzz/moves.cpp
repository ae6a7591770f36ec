// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: move text behind "position ... moves". The first byte picks a start with castling,
// en passant or promotions at hand; the rest, up to its first line end, is the move text.
#include "fuzz.h"

static const char* const starts[] = {
    "startpos",
    "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "fen 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "fen n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
};

static void fuzz_one(const std::string& input) {
  if (input.empty()) return;
  const std::string moves = input.substr(1, input.find('\n', 1) - 1);
  std::string line = std::string("position ") + starts[(uint8_t)input[0] % 4] + " moves " + moves;
  HandleLine(line.data());
  fuzz_require_consistent("the moves");
}
