// SPDX-License-Identifier: GPL-3.0-or-later
// Static evaluation: colour symmetry at any weights, and small positions worked out by hand, as
// board and side to move only. A wrong pawn cache or blend changes the bench signature.
#include "eval.h"

#include <cctype>

#include "uci_harness.h"

namespace {

using Weight = int option_uci_t::*;
const Weight kWeights[] = {&option_uci_t::MaterialWeight,   &option_uci_t::PawnStructureWeight,
                           &option_uci_t::PassedPawnWeight, &option_uci_t::MobilityWeight,
                           &option_uci_t::ThreatWeight,     &option_uci_t::KingAttackWeight,
                           &option_uci_t::KingShelterWeight};

class EvalTest : public EngineTest {
 protected:
  static int score(const std::string& position) {
    setup(position + " - - 0 1");
    return eval();
  }
  // How much one weight moves the score: the score with it at `value` minus with it at 0, of
  // one board set up once (a score kept from the first must not answer the second).
  static int term(Weight w, int value, const std::string& position) {
    OptionUci.*w = 0;
    const int without = score(position);
    OptionUci.*w = value;
    return eval() - without;
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

// The colour-symmetry diagnostic's middlegames and these endings score the same as their twins at
// any weights, the default (the bench's) and others.
TEST_F(EvalTest, MirroredTwinsScoreTheSame) {
  const char* positions[] = {"8/p4kP1/8/5P2/1p6/4K3/8/8 w", "8/2P3k1/8/1p6/8/6K1/5p2/8 b",
                             "r3k3/8/8/8/8/8/8/RN2K3 b",    "2b1k3/8/8/8/8/8/8/1BN1K3 w",
                             "k7/8/2K5/8/8/8/8/7Q w",       "1k6/8/8/8/8/8/8/QQQ1K1qq b"};
  for (auto w : {std::initializer_list<int>{100, 100, 100, 100, 100, 100, 100},
                 {37, 250, 0, 1000, 73, 512, 999},
                 {1000, 3, 777, 51, 1000, 9, 37}}) {
    for (int i = 0; Weight field : kWeights) OptionUci.*field = w.begin()[i++];
    EXPECT_EQ(uci::handle("symtestpos"),
              uci::Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"})
        << "weights from " << *w.begin();
    for (const char* p : positions)
      EXPECT_EQ(score(p), score(mirrored(p))) << p << " weights from " << *w.begin();
  }
}

// Rules the bench positions may never meet, and weights other than 100 (which the bench does not
// use): each weight's term, or with no weight named the whole score with every weight at the value.
TEST_F(EvalTest, TermsWorkedOutByHand) {
  const struct {
    Weight weight;
    int value;
    const char* position;
    int want;
  } cases[] = {
      // Three queens, two rooks and two bishops against queen and two rooks: phase 66, counted
      // as 64, so only middlegame values.
      {kWeights[0], 100, "r2qk2r/8/8/8/8/8/8/QQQRKRBB w", 2700 + 980 + 650 - 1880},
      // Kings and pawns: phase 0, so each term is its endgame half. Doubled and isolated: -2.2.
      {kWeights[1], 10, "4k3/8/8/8/8/P7/P7/4K3 w", -2},  // not -3
      // Ten knights hitting twelve zone squares: 240 at the table's last entry, 124%: 297/74.
      {kWeights[5], 100, "k1NN4/2N5/3N4/NNNN4/1NN5/8/8/4K3 w", 178},
      // Shelter at 37: a bare front -5/-1, the pawn ahead +2/0, each beside +1/0. g1 behind f2 g2
      // h2 has -1/-1, the bare e8 -5/-1; seven queens make phase 64, so only middlegame values.
      {kWeights[6], 37, "1qqqk3/8/8/8/8/8/5PPP/QQQQ2K1 w", 4},
      // A pawn against a bare king: material 120, pawn square -10, king square -11, shelter -2
      // (pawn in front), isolated -6, passed +2, so 93 and the rule's figure and the tempo 15;
      // the bare king: square -11, shelter -4. The rule measures from fixed squares, so it is
      // not mirrored: a king five squares from a8 is too far for Black, five from a1 is not.
      {nullptr, 100, "4k3/8/8/8/8/8/4P3/4K3 w", 93 - 200 + 15},
      {nullptr, 100, "5k2/8/8/8/8/8/4P3/4K3 w", 93 + 700 + 15},
      {nullptr, 100, "5k2/8/8/8/8/8/4P3/4K3 b", -(93 - 200 + 15)},  // one step nearer
      {nullptr, 100, "4k3/4p3/8/8/8/8/8/5K2 b", 93 - 200 + 15},
      // King b5 beside a6, nearer than the enemy: 25 per rank. Its square +1, its shelter -4.
      {nullptr, 100, "4k3/8/8/1K6/8/8/4P3/8 w", 120 - 10 + 1 - 4 - 6 + 2 + 25 + 15},
      // Every weight at 0 leaves the square tables, the material endings and the tempo: two
      // minors against one, two bishops, and a queen against a lone king (kings two apart,
      // 2 * 5 * 25, the lone king near the rim, -2 * 30).
      {nullptr, 0, "1n2k3/8/8/8/8/8/8/1BN1K3 w", -27 - 300 + 24},
      {nullptr, 0, "1n2k3/8/8/8/8/8/8/1BB1K3 w", -16 + 24},
      {nullptr, 0, "8/1k6/8/3K4/8/8/8/7Q w", 0 + 250 - 60 + 7},
  };
  for (const auto& c : cases) {
    for (Weight w : kWeights) OptionUci.*w = c.weight ? 100 : c.value;
    EXPECT_EQ(c.weight ? term(c.weight, c.value, c.position) : score(c.position), c.want)
        << c.position;
  }
}

}  // namespace
