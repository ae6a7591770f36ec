// Move generation order and move-ordering scores.

#include <string>
#include <vector>

#include "common.h"
#include "protocol.h"
#include "search.h"

namespace {

using List = std::vector<std::string>;

class MoveGenTest : public EngineTest {
 protected:
  void SetUp() override {
    for (int i = 0; i < MAX_PLY; i++) killer1[i].m.u = killer2[i].m.u = mkiller1[i].m.u = 0;
  }

  // The list of the current ply as texts like "e2e4", and the entry of one of them.
  static List listed() {
    List out;
    for (int i = first_move[ply]; i < first_move[ply + 1]; i++)
      out.push_back(move_str(gen_dat[i].m));
    return out;
  }
  static const gen_rec_t& entry(const std::string& text) {
    static const gen_rec_t none{};
    for (int i = first_move[ply]; i < first_move[ply + 1]; i++)
      if (text == move_str(gen_dat[i].m)) return gen_dat[i];
    ADD_FAILURE() << text << " not generated";
    return none;
  }
  static int score_of(const std::string& text) { return entry(text).score; }
  // Generates at a given ply, as the search would below the root.
  static void gen_at(int p) {
    ply = p;
    first_move[p] = 0;
    gen();
  }
};

TEST_F(MoveGenTest, StartPositionOrder) {
  setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  gen();
  EXPECT_EQ(listed(),
            (List{"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                  "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4", "b1a3", "b1c3", "g1f3", "g1h3"}));
}

TEST_F(MoveGenTest, PromotionsExpandInFixedOrder) {
  setup("r5k1/1P2P3/8/8/8/8/8/4K3 w - - 0 1");
  gen();
  List all = listed();
  List e7{all.begin() + 8, all.begin() + 12};
  EXPECT_EQ(e7, (List{"e7e8n", "e7e8b", "e7e8r", "e7e8q"}));
  EXPECT_EQ(score_of("e7e8n"), 9989500);
  EXPECT_EQ(score_of("e7e8q"), 9998000);
  EXPECT_EQ(score_of("b7a8q"), 9998000) << "a capturing promotion scores as a promotion";

  gen_caps();
  EXPECT_EQ(listed(), (List{"b7a8n", "b7a8q", "b7b8n", "b7b8q", "e7e8n", "e7e8q"}));
}

TEST_F(MoveGenTest, CaptureBands) {
  setup("4k3/8/2p5/1q1p3r/P7/3Q4/8/R3K2R w - - 0 1");
  gen();
  EXPECT_EQ(score_of("a4b5"), 9997000 + 1000 - 100);
  EXPECT_EQ(score_of("d3b5"), 9996000 + 1000 - 4) << "even trade takes the attacker's kind";
  EXPECT_EQ(score_of("d3d5"), 9994000 + 100 - 1000) << "queen takes a pawn the pawn defends";
  setup("4k3/8/8/3r4/b7/8/8/3QK1N1 w - - 0 1");
  gen();
  EXPECT_EQ(score_of("d1d5"), 9997000 + 500 - 1000) << "undefended rook: the exchange wins";
}

TEST_F(MoveGenTest, EnPassantAndCastling) {
  setup("4k3/8/8/3pP3/8/8/8/R3K2R w KQ d6 0 1");
  gen();
  EXPECT_EQ(score_of("e5d6"), 9996000);
  EXPECT_EQ(score_of("e1g1"), 9995600);

  // Kings never count as attackers when a move is made, so only the generator keeps them apart.
  setup("8/8/8/8/8/8/7k/4K2R w K - 0 1");
  gen();
  for (const std::string& m : listed()) EXPECT_NE(m, "e1g1");
}

TEST_F(MoveGenTest, KillersAndBadSquarePenalty) {
  // The black pawn on g4 attacks f3.
  setup("4k3/8/8/8/6p1/8/8/4K1NR w - - 0 1");
  gen_at(3);
  EXPECT_EQ(score_of("g1f3"), -7000) << "knight to a square a pawn attacks, shallow ply";
  EXPECT_EQ(score_of("g1e2"), 0);
  gen_at(7);
  EXPECT_EQ(score_of("g1f3"), 0) << "no penalty deeper than ply 6";

  move kf3 = entry("g1f3").m, ke2 = entry("g1e2").m, rh2 = entry("h1h2").m;
  killer1[1].m = kf3;
  killer2[1].m = ke2;
  mkiller1[1].m = rh2;
  gen_at(1);
  EXPECT_EQ(score_of("g1f3"), 9995500) << "killer1 is never penalised";
  EXPECT_EQ(score_of("g1e2"), 9995300);
  EXPECT_EQ(score_of("h1h2"), 9999000);

  killer1[1].m.u = killer2[1].m.u = mkiller1[1].m.u = 0;
  killer2[1].m = kf3;
  mkiller1[1].m = ke2;
  killer1[1].m = rh2;
  gen_at(3);  // looks two plies up
  EXPECT_EQ(score_of("g1f3"), 9995200 - 7000);
  EXPECT_EQ(score_of("g1e2"), 9998500);
  EXPECT_EQ(score_of("h1h2"), 9995400);

  setup("3rk3/8/8/8/8/8/8/R3K3 w - - 0 1");
  gen_at(2);
  EXPECT_EQ(score_of("a1d1"), 0) << "only a rook attacks d1";
  setup("4k3/8/8/8/8/5b2/8/R3K3 w - - 0 1");
  gen_at(2);
  EXPECT_EQ(score_of("a1d1"), -7000) << "a bishop attacks d1";
}

TEST_F(MoveGenTest, EvasionsAndDoubleCheck) {
  setup("4r1k1/8/8/6B1/8/8/2N5/4K3 w - - 0 1");
  get_checker(LIGHT);
  gen_evade();
  EXPECT_EQ(listed(), (List{"e1d2", "e1e2", "e1f2", "e1d1", "e1f1", "g5e7", "c2e3", "g5e3"}));

  // Queen and rook give check and defend each other: only quiet king moves remain.
  setup("4k3/8/8/8/8/8/3q4/3rK3 w - - 0 1");
  get_checker(LIGHT);
  gen_king();
  EXPECT_EQ(listed(), (List{"e1e2", "e1f2", "e1f1"}));

  setup("4k3/8/8/8/8/8/3q4/4K3 w - - 0 1");
  get_checker(LIGHT);
  gen_evade();
  EXPECT_EQ(score_of("e1d2"), 9997000 + 1000);
}

}  // namespace
