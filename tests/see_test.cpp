// Static exchange evaluation on whole positions; it is the one reader of the attackers of a square.

#include "common.h"

namespace {

class SeeTest : public EngineTest {};

// Results are in pawns; the board is left as it was.
TEST_F(SeeTest, Exchanges) {
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

}  // namespace
