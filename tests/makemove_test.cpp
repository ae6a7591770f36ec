// Make and take back, proven by perft counts and by a full self-check of every redundant form.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common.h"
#include "protocol.h"

namespace {

// What make and take back must restore; board_consistent vouches for all that derives from it.
std::vector<long long> snapshot() {
  std::vector<long long> s(piece, piece + 64);
  s.insert(s.end(), color, color + 64);
  s.insert(s.end(), {side, castle, ep, fifty, ply, hply, (long long)hash});
  return s;
}

// Perft that checks the whole position after every make and every take back.
U64 checked_walk(int depth, std::string* fault) {
  if (depth == 0) return 1;
  gen_node(in_check(side));
  U64 n = 0;
  char why[64];
  for (int i = first_move[ply]; i < first_move[ply + 1] && fault->empty(); i++) {
    const std::vector<long long> before = snapshot();
    const std::string text = move_str(gen_dat[i].m);
    auto same = [&] { return snapshot() == before && board_consistent(why, sizeof why); };
    if (!makemove(gen_dat[i].m.b)) {
      if (!same()) *fault = "refused " + text + " changed the position";
      continue;
    }
    if (!board_consistent(why, sizeof why)) *fault = "after " + text + ": " + why;
    n += checked_walk(depth - 1, fault);
    takeback();
    if (!same()) *fault = "take back of " + text + " differs";
  }
  return n;
}

class MakeMoveTest : public EngineTest {};

// Small counts are walked with every position checked; larger ones by the plain perft.
TEST_F(MakeMoveTest, PerftMatchesPublishedCounts) {
  std::ifstream in(TEST_DATA_DIR "/perft.epd");
  int checked = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string fen = line.substr(0, line.find(" ;"));
    std::istringstream fields(line.substr(line.find(" ;") + 2));
    int depth;
    unsigned long long want;
    for (std::string field; std::getline(fields, field, ';');) {
      if (sscanf(field.c_str(), " D%d %llu", &depth, &want) != 2 || want > 1000000) continue;
      setup(fen);
      std::string fault;
      EXPECT_EQ(depth <= 3 ? checked_walk(depth, &fault) : perft(depth), want)
          << fen << " D" << depth;
      EXPECT_EQ(fault, "") << fen;
      checked++;
    }
  }
  EXPECT_GT(checked, 100);
}

// The clock, and en passant after a double step only where a pawn can take.
TEST_F(MakeMoveTest, ClockAndEnPassantSquare) {
  const struct {
    const char *fen, *move;
    int fifty, ep;
  } cases[] = {
      {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 7 1", "d4e3", 0, -1},  // en passant resets the clock
      {"4k3/8/8/8/8/8/8/4K1N1 w - - 7 1", "g1f3", 8, -1},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4", 0, -1},
      {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2e4", 0, 44},
  };
  for (const auto& c : cases) {
    uci::handle(std::string("position fen ") + c.fen + " moves " + c.move);
    EXPECT_EQ(std::make_pair(fifty, ep), std::make_pair(c.fifty, c.ep)) << c.fen;
  }
}

TEST_F(MakeMoveTest, LongGamesAreCutBeforeTheHistoryFills) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 300; i++) line += " g1f3 g8f6 f3g1 f6g8";
  EXPECT_EQ(uci::handle(line),
            uci::Lines{"info string game too long, moves from ply 999 on are ignored"});
  EXPECT_EQ(hply, HIST_STACK - 2);
}

}  // namespace
