// Move-ordering scores, and a legality rule only the generator keeps. Perft proves what is
// generated; the bench signature proves the order and the killers.

#include <string>

#include "common.h"
#include "protocol.h"

namespace {

class MoveGenTest : public EngineTest {
 protected:
  // The score of the move text in the list generated at ply p, as the search would below the root.
  static int score_at(int p, const std::string& text) {
    ply = p;
    first_move[p] = 0;
    gen();
    for (int i = first_move[p]; i < first_move[p + 1]; i++)
      if (text == move_str(gen_dat[i].m)) return gen_dat[i].score;
    return -1;  // not generated
  }
};

TEST_F(MoveGenTest, OrderingScores) {
  const struct {
    const char* fen;
    int ply;
    const char* move;
    int score;
  } cases[] = {
      {"r5k1/1P2P3/8/8/8/8/8/4K3 w - - 0 1", 0, "e7e8n", ORDER_KNIGHT_PROMOTION},
      {"r5k1/1P2P3/8/8/8/8/8/4K3 w - - 0 1", 0, "e7e8q", ORDER_QUEEN_PROMOTION},
      {"r5k1/1P2P3/8/8/8/8/8/4K3 w - - 0 1", 0, "b7a8q",
       ORDER_QUEEN_PROMOTION},  // a promotion, not a capture
      // Captures in bands: winning, even (by the attacker's kind), losing to a defending pawn.
      {"4k3/8/2p5/1q1p3r/P7/3Q4/8/R3K2R w - - 0 1", 0, "a4b5", ORDER_WINNING_CAPTURE + 1000 - 100},
      {"4k3/8/2p5/1q1p3r/P7/3Q4/8/R3K2R w - - 0 1", 0, "d3b5", ORDER_EVEN_CAPTURE + 1000 - 4},
      {"4k3/8/2p5/1q1p3r/P7/3Q4/8/R3K2R w - - 0 1", 0, "d3d5", ORDER_LOSING_CAPTURE + 100 - 1000},
      {"4k3/8/8/3r4/b7/8/8/3QK1N1 w - - 0 1", 0, "d1d5", ORDER_WINNING_CAPTURE + 500 - 1000},
      {"4k3/8/8/3pP3/8/8/8/R3K2R w KQ d6 0 1", 0, "e5d6", ORDER_EVEN_CAPTURE},
      {"4k3/8/8/3pP3/8/8/8/R3K2R w KQ d6 0 1", 0, "e1g1", ORDER_CASTLE},
      {"4k3/8/8/8/8/8/3q4/4K3 w - - 0 1", 0, "e1d2",
       ORDER_WINNING_CAPTURE + 1000},  // evasion by capture
      // A quiet piece move onto a square a pawn or a minor attacks, up to ply 6.
      {"4k3/8/8/8/6p1/8/8/4K1NR w - - 0 1", 3, "g1f3", -ORDER_DANGER_PENALTY},
      {"4k3/8/8/8/6p1/8/8/4K1NR w - - 0 1", 3, "g1e2", 0},
      {"4k3/8/8/8/6p1/8/8/4K1NR w - - 0 1", 7, "g1f3", 0},
      {"3rk3/8/8/8/8/8/8/R3K3 w - - 0 1", 2, "a1d1", 0},
      {"4k3/8/8/8/8/5b2/8/R3K3 w - - 0 1", 2, "a1d1", -ORDER_DANGER_PENALTY},
  };
  for (const auto& c : cases) {
    setup(c.fen);
    EXPECT_EQ(score_at(c.ply, c.move), c.score) << c.move << " in " << c.fen;
  }
}

// Kings never count as attackers when a move is made, so only the generator keeps them apart.
TEST_F(MoveGenTest, NoCastlingNextToTheOtherKing) {
  setup("8/8/8/8/8/8/7k/4K2R w K - 0 1");
  EXPECT_EQ(score_at(0, "e1g1"), -1);
  EXPECT_EQ(score_at(0, "e1f1"), 0);
}

}  // namespace
