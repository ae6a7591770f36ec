// Attack detection on whole positions.
#include <gtest/gtest.h>

#include <initializer_list>

#include "board.h"
#include "fen.h"
#include "hash.h"

namespace {

int sq(const char* name) {
  return (8 - (name[1] - '0')) * 8 + (name[0] - 'a');
}

Bitboard bits(std::initializer_list<const char*> names) {
  Bitboard b = 0;
  for (const char* n : names) b |= 1ULL << (sq(n) ^ 56);
  return b;
}

class AttacksTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    buildBitboardAttackTable();
    init_ttable(2);
    init_hash();
  }
  static void TearDownTestSuite() { free_tt(); }

  static void setup(const char* text) {
    init_board(text);
    ASSERT_FALSE(fen_refused) << text;
  }
};

TEST_F(AttacksTest, EachKindOfPieceGivesCheck) {
  struct Case {
    const char* fen;
    bool white, black;  // expected in_check for each side
  } cases[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", false, false},
      {"4k3/8/8/8/8/8/8/b3K3 w - - 0 1", false, false},
      {"4k3/8/8/8/8/8/3b4/4K3 w - - 0 1", true, false},
      {"4k3/8/8/8/8/8/8/4K2r w - - 0 1", true, false},
      {"4k3/8/8/8/1q6/8/8/4K3 w - - 0 1", true, false},
      {"4k3/8/8/8/8/8/8/q3K3 w - - 0 1", true, false},
      {"4k3/8/8/8/8/5n2/8/4K3 w - - 0 1", true, false},
      {"4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", true, false},
      {"4k3/8/8/8/8/8/4p3/4K3 w - - 0 1", false, false},  // straight ahead is no attack
      {"4k3/5P2/8/8/8/8/8/4K3 b - - 0 1", false, true},
      {"4k3/8/8/8/B7/8/8/4K3 b - - 0 1", false, true},
      {"4k3/8/3N4/8/8/8/8/4K3 b - - 0 1", false, true},
      {"4k3/8/8/8/8/8/8/K3R3 b - - 0 1", false, true},
      {"4k3/8/8/8/8/8/4P3/K3R3 b - - 0 1", false, false},  // blocked by its own pawn
      {"4k3/4n3/8/8/8/8/8/K3Q3 b - - 0 1", false, false},  // blocked by a Black piece
  };
  for (const Case& c : cases) {
    setup(c.fen);
    EXPECT_EQ(in_check(LIGHT), c.white) << c.fen;
    EXPECT_EQ(in_check(DARK), c.black) << c.fen;
  }
}

TEST_F(AttacksTest, KingsAttackOnlyInAttacksTo) {
  setup("8/8/8/3kK3/8/8/8/8 w - - 0 1");
  EXPECT_FALSE(in_check(LIGHT));
  EXPECT_FALSE(in_check(DARK));
  EXPECT_FALSE(attackBB(sq("e5"), DARK));
  EXPECT_FALSE(attackBB(sq("e6"), LIGHT));
  get_checker(LIGHT);
  EXPECT_EQ(gchecker1, -1);
  EXPECT_EQ(gchecker2, -1);
  EXPECT_EQ(AttacksTo(sq("e5")), bits({"d5"}));
  EXPECT_EQ(AttacksTo(sq("e6")), bits({"d5", "e5"}));
}

TEST_F(AttacksTest, NoXRayThroughAPiece) {
  setup("k3r3/8/8/4r3/4R3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(AttacksTo(sq("e4")) & Pos.bySide[DARK], bits({"e5"}));
  EXPECT_FALSE(attackBB(sq("e1"), DARK));
  EXPECT_FALSE(in_check(LIGHT));
  EXPECT_TRUE(attackBB(sq("e4"), DARK));
  EXPECT_FALSE(attackBB(sq("e3"), DARK));
  EXPECT_FALSE(attackBB(sq("e6"), LIGHT));
}

TEST_F(AttacksTest, PawnsDoNotWrapAroundTheBoard) {
  setup("4k3/p6p/8/8/8/8/P6P/4K3 w - - 0 1");
  EXPECT_TRUE(attackBB(sq("b3"), LIGHT));
  EXPECT_TRUE(attackBB(sq("g3"), LIGHT));
  EXPECT_TRUE(attackBB(sq("b6"), DARK));
  EXPECT_TRUE(attackBB(sq("g6"), DARK));
  // Scanning every square: nothing on the far edge file, nothing behind the pawns.
  Bitboard white = 0, black = 0;
  for (int s = 0; s < 64; s++) {
    if (attackBB(s, LIGHT)) white |= 1ULL << (s ^ 56);
    if (attackBB(s, DARK)) black |= 1ULL << (s ^ 56);
  }
  EXPECT_EQ(white, bits({"b3", "g3"}));
  EXPECT_EQ(black, bits({"b6", "g6"}));
}

TEST_F(AttacksTest, CheckersComeInBitOrder) {
  // Rook e1 (bit 4) and knight d6 (bit 43) both check the king on e8.
  setup("4k3/8/3N4/8/8/8/8/K3R3 b - - 0 1");
  get_checker(DARK);
  EXPECT_EQ(gchecker1, sq("e1"));
  EXPECT_EQ(gchecker2, sq("d6"));

  // Rook a8 (bit 56) and knight d6: now the knight has the lower bit.
  setup("R3k3/8/3N4/8/8/8/8/K7 b - - 0 1");
  get_checker(DARK);
  EXPECT_EQ(gchecker1, sq("d6"));
  EXPECT_EQ(gchecker2, sq("a8"));

  setup("4k3/8/8/8/8/8/8/K3R3 b - - 0 1");
  get_checker(DARK);
  EXPECT_EQ(gchecker1, sq("e1"));
  EXPECT_EQ(gchecker2, -1);

  // A position without check clears what the previous call left.
  get_checker(LIGHT);
  EXPECT_EQ(gchecker1, -1);
  EXPECT_EQ(gchecker2, -1);

  // Pawn and bishop checks on the White king, found for any square and colour.
  setup("4k3/8/8/8/7b/8/3p4/4K3 w - - 0 1");
  get_king_attackers_BB(sq("e1"), DARK);
  EXPECT_EQ(gchecker1, sq("d2"));
  EXPECT_EQ(gchecker2, sq("h4"));
}

TEST_F(AttacksTest, AttacksToCollectsBothColours) {
  // d4 is attacked by White pawn e3, knight b3, bishop a1 and king d3, and by Black pawn c5,
  // knight f5, queen d8, bishop g7 and rook h4. The White rook d1 is stopped by its own king.
  setup("3q3k/6b1/8/2p2n2/3N3r/1N1KP3/8/B2R4 w - - 0 1");
  EXPECT_EQ(AttacksTo(sq("d4")), bits({"e3", "b3", "a1", "d3", "c5", "f5", "d8", "g7", "h4"}));
  // Block two lines: the pieces behind the blockers drop out, the blockers come in.
  setup("3q3k/3r2b1/5b2/2p2n2/3N3r/1N1KP3/8/B2R4 w - - 0 1");
  EXPECT_EQ(AttacksTo(sq("d4")), bits({"e3", "b3", "a1", "d3", "c5", "f5", "d7", "f6", "h4"}));
}

}  // namespace
