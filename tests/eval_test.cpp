// Static evaluation: colour symmetry, the weight options, and small positions worked out by hand.
// Positions are written as board and side to move only; the rest of the FEN is never looked at.

#include "eval.h"

#include <cctype>
#include <map>
#include <sstream>

#include "common.h"

namespace {

class EvalTest : public EngineTest {
 protected:
  static int score(const std::string& position) {
    setup(position + " - - 0 1");
    return eval();
  }
  // Material, pawn structure, passed pawn, mobility, threat, king attack, king shelter.
  static void weights(std::initializer_list<int> w) {
    int* fields[] = {&OptionUci.MaterialWeight,   &OptionUci.PawnStructureWeight,
                     &OptionUci.PassedPawnWeight, &OptionUci.MobilityWeight,
                     &OptionUci.ThreatWeight,     &OptionUci.KingAttackWeight,
                     &OptionUci.KingShelterWeight};
    int i = 0;
    for (int v : w) *fields[i++] = v;
  }
  // How much one weight moves the score: the score with it at `weight` minus with it at 0.
  static int term(int* option, int weight, const std::string& position) {
    *option = 0;
    const int without = score(position);
    *option = weight;
    return score(position) - without;
  }
  // Visits every position two plies on, in generation order.
  template <typename Visit>
  static void walk(int depth, Visit visit) {
    if (depth == 0) return visit();
    gen_node(in_check(side));
    for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
      if (!makemove(gen_dat[i].m.b)) continue;
      walk(depth - 1, visit);
      takeback();
    }
  }
};

// The board turned over: ranks reversed, colours swapped, the other side to move.
std::string mirrored(const std::string& position) {
  std::istringstream in(position.substr(0, position.find(' ')));
  std::string out;
  for (std::string rank; std::getline(in, rank, '/');) out = rank + (out.empty() ? "" : "/") + out;
  for (char& ch : out) ch = isupper(ch) ? tolower(ch) : toupper(ch);
  return out + (position.back() == 'w' ? " b" : " w");
}

TEST_F(EvalTest, MirroredTwinsScoreTheSame) {
  const char* positions[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w",
      "r1bq1rk1/ppp1npbp/3p1np1/3Pp3/2P1P3/2N2N2/PP2BPPP/R1BQ1RK1 w",
      "r3k2r/pp1bnppp/2n1p3/q2pP3/P1pP4/2P2N2/2PBBPPP/R2QK2R w",
      "rnb1kb1r/1p3ppp/p2ppn2/6B1/3NPP2/q1N5/P1PQ2PP/1R2KB1R w",
      "r1b2rk1/pp3ppp/2n5/q2Np1B1/2B1P1Q1/8/PPP2PPP/R4RK1 w",
      "4r1k1/p1qr1p2/2pb1Bp1/1p5p/3P1n1R/1B3P2/PP3P2/2Q3KR b",
      "1k2r2r/1bq2p2/pn4p1/3pP3/pbpN1P1p/4QN1B/1P4PP/2RR3K b",
      "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w",
      "8/5p1k/6pp/R7/8/Pr3PP1/5K1P/8 w",
      "8/p4kP1/8/5P2/1p6/4K3/8/8 w",
      "8/1n5p/3k2p1/8/2B3PP/4K3/8/8 w",
      "6k1/6p1/p3pp2/6p1/5r2/2K2N1P/1P3PP1/3N4 w",
      "8/pp3p1k/2p3p1/P2p3p/3P1P1P/2P3P1/1P4K1/8 w",
      "8/2P3k1/8/1p6/8/6K1/5p2/8 b",
      "6k1/8/8/8/8/8/P4K2/8 w",
      "1n2k3/8/8/8/8/8/8/R3K3 w",
      "r3k3/8/8/8/8/8/8/RN2K3 b",
      "2b1k3/8/8/8/8/8/8/1BN1K3 w",
      "k7/8/2K5/8/8/8/8/7Q w",
      "1k6/8/8/8/8/8/8/QQQ1K1qq b",
  };
  for (auto w : {std::initializer_list<int>{100, 100, 100, 100, 100, 100, 100},
                 {37, 250, 0, 1000, 73, 512, 999},
                 {1000, 3, 777, 51, 1000, 9, 37}}) {
    weights(w);
    for (const char* p : positions)
      EXPECT_EQ(score(p), score(mirrored(p))) << p << " weights from " << *w.begin();
  }
}

// The pawn terms are cached by the pawns. Scores found while the cache fills with hundreds of
// pawn structures, many sharing a slot, are those worked out from an empty cache.
TEST_F(EvalTest, CachedPawnTermsAreThoseWorkedOutAfresh) {
  for (const char* p : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                        "8/pp3p1k/2p3p1/P2p3p/3P1P1P/2P3P1/1P4K1/8 w - - 0 1"}) {
    setup(p);
    // Take back reorders the piece lists, so the second walk meets the positions in another order.
    std::map<std::string, int> warm;
    char text[128];
    walk(2, [&] { get_fen(text), warm[text] = eval(); });
    walk(2, [&] {
      clear_pawn_cache();
      get_fen(text);
      EXPECT_EQ(eval(), warm[text]) << text;
    });
    EXPECT_GT(warm.size(), 100u);
  }
}

TEST_F(EvalTest, TempoPhaseAndMaterial) {
  EXPECT_EQ(score("r2qk3/8/8/8/8/8/8/R2QK3 w"), 5);  // queen and rook: 1500
  EXPECT_EQ(score("3qkb2/8/8/8/8/8/8/3QKB2 w"), 0);  // queen and bishop: 1325
  EXPECT_EQ(interpolate(3, -5, 10), -3);             // -240 / 64, not -4

  // Queen against rook: phase 15, material 1053 against 497. Three queens, two rooks and two
  // bishops against queen and two rooks: phase 66, counted as 64, so only middlegame values.
  int& mw = OptionUci.MaterialWeight;
  EXPECT_EQ(term(&mw, 100, "3rk3/8/8/8/8/8/8/3QK3 w"), 1053 - 497);
  EXPECT_EQ(term(&mw, 100, "r2qk2r/8/8/8/8/8/8/QQQRKRBB w"), 2700 + 980 + 650 - 1880);
}

// With every weight at 0 only the square tables, the material endings and the tempo are left.
TEST_F(EvalTest, EveryWeightZeroLeavesSquareTablesAndEndings) {
  weights({0, 0, 0, 0, 0, 0, 0});
  // Doubled pawns and pieces on one wing, connected pawns and pieces on the other, on the same
  // ranks: the same square-table sums, 12/5 against 2/-11 at phase 15.
  EXPECT_EQ(score("3r2k1/8/8/4P3/4P3/8/8/3Q2K1 w"), 6 + 7);
  EXPECT_EQ(score("6kr/8/8/4P3/3P4/8/8/Q3K3 w"), 6 + 7);
  EXPECT_EQ(score("1n2k3/8/8/8/8/8/8/1BN1K3 w"), -27 - 300 + 24);  // two minors v one
  EXPECT_EQ(score("1n2k3/8/8/8/8/8/8/1BB1K3 w"), -16 + 24);        // but two bishops win
  EXPECT_EQ(score("k7/8/2K5/8/8/8/8/7Q w"), -1 + 250 + 8);         // lone king cornered
}

// Kings and pawns only: phase 0, so each term is its endgame half.
TEST_F(EvalTest, PawnTermsInPawnEndings) {
  int& ps = OptionUci.PawnStructureWeight;
  EXPECT_EQ(term(&ps, 100, "4k3/8/8/8/8/P7/P7/4K3 w"), -16 - 6);
  EXPECT_EQ(term(&ps, 10, "4k3/8/8/8/8/P7/P7/4K3 w"), -2);          // -2.2, not -3
  EXPECT_EQ(term(&ps, 100, "4k3/8/8/4p3/8/3P4/4P3/4K3 w"), 6 + 6);  // e5 backward, isolated
  // e5 passed on rank 5 (51), b2 Black's on its seventh rank (243).
  EXPECT_EQ(term(&OptionUci.PassedPawnWeight, 100, "8/4k3/8/4P3/8/8/1p6/4K3 w"), 51 - 243);
  // An enemy pawn ahead on a file beside stops a passer; one level with it does not, so e5
  // and d5 (on Black's fourth rank, 19) both count.
  EXPECT_EQ(term(&OptionUci.PassedPawnWeight, 100, "4k3/8/3p4/4P3/8/8/8/4K3 w"), 0);
  EXPECT_EQ(term(&OptionUci.PassedPawnWeight, 100, "4k3/8/8/3pP3/8/8/8/4K3 w"), 51 - 19);
}

// A single pawn against a bare king. The pawn's side: material 120, pawn square -10, king
// square -11, shelter -2 (pawn in front), isolated -6, passed +2, so 93 plus the rule's figure.
// The bare king: square -11, shelter -4. The rule measures from fixed squares, so it is not
// mirrored: a king five squares from a8 is too far for Black, five from a1 is not for White.
TEST_F(EvalTest, LonePawnAgainstBareKing) {
  EXPECT_EQ(score("4k3/8/8/8/8/8/4P3/4K3 w"), 93 - 200 + 15);
  EXPECT_EQ(score("5k2/8/8/8/8/8/4P3/4K3 w"), 93 + 700 + 15);
  EXPECT_EQ(score("5k2/8/8/8/8/8/4P3/4K3 b"), -(93 - 200 + 15));  // one step nearer
  EXPECT_EQ(score("4k3/4p3/8/8/8/8/8/5K2 b"), 93 - 200 + 15);
  // King b5 beside a6, nearer than the enemy: 25 per rank. Its square +1, its shelter -4.
  EXPECT_EQ(score("4k3/8/8/1K6/8/8/4P3/8 w"), 120 - 10 + 1 - 4 - 6 + 2 + 25 + 15);
}

TEST_F(EvalTest, KingShelter) {
  auto shelter = [](const char* position, const char* king, int weight) {
    OptionUci.KingShelterWeight = weight;
    setup(std::string(position) + " - - 0 1");
    const int s = KingShelter(sq(king));
    return std::to_string(mg_value(s)) + "/" + std::to_string(eg_value(s));
  };
  EXPECT_EQ(shelter("4k3/8/8/8/8/8/5PPP/6K1 w", "g1", 100), "0/0");
  EXPECT_EQ(shelter("4k3/8/8/8/8/8/8/6K1 w", "g1", 100), "-16/-4");
  EXPECT_EQ(shelter("4k3/8/8/8/8/8/5PPP/6K1 w", "g1", 37), "-1/-1");  // 5/1 halved, quartered
  EXPECT_EQ(shelter("k7/1p6/8/8/8/8/8/4K3 w", "a8", 100), "-12/-3");  // one diagonal square
  EXPECT_EQ(shelter("4k3/8/8/8/8/P7/7P/7K w", "h1", 100), "-8/-2");   // no wrap to the a-file
}

// Terms isolated by switching their weight off.
TEST_F(EvalTest, MobilityThreatsAndKingAttack) {
  int& mob = OptionUci.MobilityWeight;
  EXPECT_EQ(term(&mob, 100, "4k3/8/8/8/8/8/8/N3K3 w"), -1);   // 2 squares: 0/-2
  EXPECT_EQ(term(&mob, 100, "4k3/8/8/8/p7/8/8/N3K3 w"), -5);  // b3 guarded: -4/-6
  int& thr = OptionUci.ThreatWeight;
  EXPECT_EQ(term(&thr, 100, "4k3/8/2p5/3n4/4PR2/8/B7/4K3 w"), 16 - 12);
  EXPECT_EQ(term(&thr, 100, "4k3/8/8/R3n3/8/8/8/4K3 w"), 4);
  EXPECT_EQ(term(&thr, 100, "4k3/8/3p4/R3n3/8/8/8/4K3 w"), 0);  // pawn guards it
  int& ka = OptionUci.KingAttackWeight;
  EXPECT_EQ(term(&ka, 100, "6k1/8/8/8/8/8/8/4K1Q1 w"), 29);    // g7, g6: 160 at 50%
  EXPECT_EQ(term(&ka, 100, "6k1/8/6P1/8/8/8/8/4K1Q1 w"), 22);  // pawn adds an attacker
  // Ten knights hitting twelve zone squares: 240 at the table's last entry, 124%: 297/74.
  EXPECT_EQ(term(&ka, 100, "k1NN4/2N5/3N4/NNNN4/1NN5/8/8/4K3 w"), 178);
}

}  // namespace
