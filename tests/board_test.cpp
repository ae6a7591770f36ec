// SPDX-License-Identifier: GPL-3.0-or-later
// The board: exchange counting; make and take back, proven by perft counts and by a full
// self-check of every redundant form.

#include "common.h"

namespace {

class BoardTest : public EngineTest {};

// Exchanges counted in pawns; the board is left as it was. They are the one use of the
// attackers of a square, and reach every kind of attacker.
TEST_F(BoardTest, Exchanges) {
  const struct {
    const char *what, *fen, *from, *to;
    int expected;
  } cases[] = {
      {"undefended knight", "4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1", "d5", 3},
      {"knight takes knight, queen retakes", "3qk3/8/8/3n4/8/4N3/8/4K3 w - - 0 1", "e3", "d5", 0},
      {"quiet move onto a pawn's attack", "4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1", "f3", -3},
      {"king takes a guarded pawn", "8/8/3k4/4p3/4K3/8/8/8 w - - 0 1", "e4", "e5", -99},
      {"Black to move", "4k3/8/8/3n4/2P5/8/8/4K3 b - - 0 1", "d5", "c4", 1},
      // X-rays join as capturers leave.
      {"bishop behind the moving pawn", "4k3/8/4p3/3n4/2P5/8/B7/4K3 w - - 0 1", "c4", "d5", 3},
      {"rook behind the moving rook", "3rk3/8/8/3n4/8/8/3R4/3RK3 w - - 0 1", "d2", "d5", 3},
      {"queen behind the moving bishop", "4k3/8/4p3/3n4/8/1B6/Q7/4K3 w - - 0 1", "b3", "d5", 1},
      {"rook behind the defending rook", "3rk3/3r4/8/3n4/8/8/3R4/3RK3 w - - 0 1", "d2", "d5", -2},
      // Of two bishops the lower bit (e4) goes first, so c6 keeps the b7 bishop out until the
      // end and White wins the knight; c6 first would let it in and the exchange be even.
      {"two bishops", "3r3k/1b6/1nB5/3n4/4BN2/8/8/K7 w - - 0 1", "f4", "d5", 3},
      // After Rxd5 Black is 7 up and need not fear Rd1 taking back: the queen is simply lost.
      {"queen into a rook", "3rk3/8/8/3n4/8/8/3Q4/3RK3 w - - 0 1", "d2", "d5", -7},
  };
  for (const auto& c : cases) {
    setup(c.fen);
    const Bitboard before = Pos.occupied;
    EXPECT_EQ(see(sq(c.from), sq(c.to)), c.expected) << c.what;
    EXPECT_EQ(Pos.occupied, before) << c.what;
  }
}

// What make and take back must restore; board_consistent vouches for all that derives from it.
std::vector<long long> snapshot() {
  std::vector<long long> s(piece, piece + 64);
  s.insert(s.end(), color, color + 64);
  s.insert(s.end(), {side, castle, ep, fifty, ply, hply, (long long)hash});
  return s;
}

// In check, of all the moves the full generator offers only the evasions may be made.
int moves_made_of_full_list() {
  gen();
  int n = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++)
    if (makemove(gen_dat[i].m.b)) n++, takeback();
  return n;
}

// Perft that checks the whole position after every make and every take back, that every
// capture's list score, once settled, tells whether it loses material as the exchange does, that a
// legality told without playing the move is makemove's, and that in check the full list leaves
// no more moves than the evasions.
U64 checked_walk(int depth, std::string* fault) {
  if (depth == 0) return 1;
  const int full = side_checked ? moves_made_of_full_list() : -1;
  gen_node(in_check(side));
  U64 n = 0;
  char why[64];
  for (int i = first_move[ply]; i < first_move[ply + 1] && fault->empty(); i++) {
    const std::vector<long long> before = snapshot();
    const std::string text = move_str(gen_dat[i].m);
    const move_bytes m = gen_dat[i].m.b;
    settle_score(gen_dat[i]);
    if ((m.bits & MF_CAPTURE) && !(m.bits & (MF_EP | MF_PROMOTE)) &&
        capture_loses(gen_dat[i]) != (see(m.from, m.to) < 0))
      *fault = "exchange of " + text + " misread from its score";
    auto same = [&] { return snapshot() == before && board_consistent(why, sizeof why); };
    const int told = legal_unplayed(m);
    const bool made = makemove(m);
    if (told >= 0 && told != made) *fault = "legality of " + text + " told wrongly";
    if (!made) {
      if (!same()) *fault = "refused " + text + " changed the position";
      continue;
    }
    if (!board_consistent(why, sizeof why)) *fault = "after " + text + ": " + why;
    n += checked_walk(depth - 1, fault);
    takeback();
    if (!same()) *fault = "take back of " + text + " differs";
  }
  if (full >= 0 && depth == 1 && (U64)full != n) *fault = "a move ignores the check";
  return n;
}

// Small counts are walked with every position checked; larger ones by the plain perft.
TEST_F(BoardTest, PerftMatchesPublishedCounts) {
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

// The clock, en passant after a double step only where a pawn can take, the castling rights a
// rook loses by leaving its corner or by being taken there, and the check of the side to move.
TEST_F(BoardTest, ClockEnPassantCastlingRightsAndCheck) {
  const struct {
    const char *fen, *move;
    int fifty, ep, castle, checked;
  } cases[] = {
      {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 7 1", "d4e3", 0, -1, 0, 0},  // en passant resets the clock
      {"4k3/8/8/8/8/8/8/4K1N1 w - - 7 1", "g1f3", 8, -1, 0, 0},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4", 0, -1, 0, 0},
      {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2e4", 0, 44, 0, 0},
      {"4k3/8/8/8/3P4/8/4P3/4K3 w - - 0 1", "e2e4", 0, -1, 0, 0},  // an own pawn cannot take
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 3 1", "a1a8", 0, -1, 1 | 4, 1},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 1", "h8h1", 0, -1, 2 | 8, 1},
      // Set up with Black in check already: the king's move neither gives nor ends that check.
      {"4k3/8/8/8/8/8/4R3/K7 w - - 0 1", "a1b1", 1, -1, 0, 1},
  };
  for (const auto& c : cases) {
    uci::handle(std::string("position fen ") + c.fen + " moves " + c.move);
    EXPECT_EQ(std::vector({fifty, ep, castle, (int)side_checked}),
              std::vector({c.fifty, c.ep, c.castle, c.checked}))
        << c.fen;
  }
}

TEST_F(BoardTest, LongGamesAreCutBeforeTheHistoryFills) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 300; i++) line += " g1f3 g8f6 f3g1 f6g8";
  EXPECT_EQ(uci::handle(line),
            uci::Lines{"info string game too long, moves from ply 999 on are ignored"});
  EXPECT_EQ(hply, HIST_STACK - 2);
}

}  // namespace
