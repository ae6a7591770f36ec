// Static exchange evaluation on whole positions; results are in pawns.

#include "common.h"

namespace {

class SeeTest : public EngineTest {};

struct SeeCase {
  const char* what;
  const char* fen;
  const char* from;
  const char* to;
  int expected;
};

void expectSee(const SeeCase* cases, int count) {
  for (int i = 0; i < count; i++) {
    const SeeCase& c = cases[i];
    init_board(c.fen);
    ASSERT_FALSE(fen_refused) << c.fen;
    const Bitboard before = Pos.occupied;
    EXPECT_EQ(see(sq(c.from), sq(c.to)), c.expected) << c.what << ": " << c.fen;
    EXPECT_EQ(Pos.occupied, before) << c.what;
  }
}

TEST_F(SeeTest, PlainExchanges) {
  const SeeCase cases[] = {
      {"undefended knight", "4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1", "d5", 3},
      {"pawn takes knight, pawn retakes", "4k3/8/2p5/3n4/4P3/8/8/4K3 w - - 0 1", "e4", "d5", 2},
      {"rook takes knight, rook retakes", "3rk3/8/8/3n4/8/8/8/3RK3 w - - 0 1", "d1", "d5", -2},
      {"quiet knight move onto a pawn's attack", "4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1", "f3",
       -3},
      {"quiet knight move to a safe square", "4k3/8/8/8/4p3/8/8/4K1N1 w - - 0 1", "g1", "h3", 0},
      {"king takes a pawn the other king guards", "8/8/3k4/4p3/4K3/8/8/8 w - - 0 1", "e4", "e5",
       -99},
      {"Black to move", "4k3/8/8/3n4/2P5/8/8/4K3 b - - 0 1", "d5", "c4", 1},
      {"Black knight onto a guarded pawn", "4k3/8/8/3n4/2P5/1P6/8/4K3 b - - 0 1", "d5", "c4", -2},
  };
  expectSee(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(SeeTest, XRaysJoinAsCapturersLeave) {
  const SeeCase cases[] = {
      {"rook behind the moving rook", "3rk3/8/8/3n4/8/8/3R4/3RK3 w - - 0 1", "d2", "d5", 3},
      {"queen behind the moving bishop", "4k3/8/4p3/3n4/8/1B6/Q7/4K3 w - - 0 1", "b3", "d5", 1},
      {"bishop behind the moving pawn", "3rk3/8/8/3n4/4P3/8/6B1/4K3 w - - 0 1", "e4", "d5", 3},
      {"rook behind the defending rook", "3rk3/3r4/8/3n4/8/8/3R4/3RK3 w - - 0 1", "d2", "d5", -2},
  };
  expectSee(cases, sizeof cases / sizeof cases[0]);
}

// White has two bishops on d5's long diagonal; the one on c6 hides a Black bishop on b7. Taking
// with the lower one (e4) first keeps the b7 bishop out until the end, and White wins the knight;
// taking with c6 first would let it in at once and the exchange would come out even.
TEST_F(SeeTest, LowestBitCapturerOfAKindGoesFirst) {
  const SeeCase cases[] = {
      {"two bishops", "3r3k/1b6/1nB5/3n4/4BN2/8/8/K7 w - - 0 1", "f4", "d5", 3},
  };
  expectSee(cases, sizeof cases / sizeof cases[0]);
}

TEST_F(SeeTest, StopsOnceTheCapturerStaysAhead) {
  // After Rxd5 Black is 7 up and need not fear Rd1 taking back: the queen is simply lost.
  const SeeCase cases[] = {
      {"queen into a rook", "3rk3/8/8/3n4/8/8/3Q4/3RK3 w - - 0 1", "d2", "d5", -7},
  };
  expectSee(cases, sizeof cases / sizeof cases[0]);
}

}  // namespace
