// Attack detection on whole positions.

#include "common.h"

namespace {

class AttacksTest : public EngineTest {};

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
