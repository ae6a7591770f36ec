// The attackers of a square and static exchange evaluation on whole positions.

#include "common.h"

namespace {

class SeeTest : public EngineTest {};

TEST_F(SeeTest, AttackersOfASquareFromBothColours) {
  // d4 is attacked by White pawn e3, knight b3, bishop a1 and king d3, and by Black pawn c5,
  // knight f5, queen d8, bishop g7 and rook h4. The White rook d1 is stopped by its own king.
  setup("3q3k/6b1/8/2p2n2/3N3r/1N1KP3/8/B2R4 w - - 0 1");
  EXPECT_EQ(AttacksTo(sq("d4")), bits({"e3", "b3", "a1", "d3", "c5", "f5", "d8", "g7", "h4"}));
  // Block two lines: the pieces behind the blockers drop out, the blockers come in.
  setup("3q3k/3r2b1/5b2/2p2n2/3N3r/1N1KP3/8/B2R4 w - - 0 1");
  EXPECT_EQ(AttacksTo(sq("d4")), bits({"e3", "b3", "a1", "d3", "c5", "f5", "d7", "f6", "h4"}));
}

// Results are in pawns; the board is left as it was.
TEST_F(SeeTest, Exchanges) {
  const struct {
    const char *what, *fen, *from, *to;
    int expected;
  } cases[] = {
      {"undefended knight", "4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1", "d5", 3},
      {"rook takes knight, rook retakes", "3rk3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1", "d5", -2},
      {"quiet move onto a pawn's attack", "4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1", "f3", -3},
      {"king takes a guarded pawn", "8/8/3k4/4p3/4K3/8/8/8 w - - 0 1", "e4", "e5", -99},
      {"Black to move", "4k3/8/8/3n4/2P5/8/8/4K3 b - - 0 1", "d5", "c4", 1},
      // X-rays join as capturers leave.
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

}  // namespace
