// Bitboard primitives, sliding lookups and the fixed attack sets.

#include <random>

#include "common.h"

namespace {

// Board square of a name like "e4" (a8 = 0).

// Walks the rays from bit b one square at a time, stopping on the first occupied square.
Bitboard rayWalk(Bitboard occ, int b, const int (*dirs)[2]) {
  Bitboard out = 0;
  for (int d = 0; d < 4; d++) {
    int f = (b & 7) + dirs[d][0], r = (b >> 3) + dirs[d][1];
    for (; f >= 0 && f < 8 && r >= 0 && r < 8; f += dirs[d][0], r += dirs[d][1]) {
      out |= 1ULL << (r * 8 + f);
      if (occ & (1ULL << (r * 8 + f))) break;
    }
  }
  return out;
}

const int kRookDirs[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
const int kBishopDirs[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};

class BitboardTest : public EngineTest {};

TEST_F(BitboardTest, BitScanFindsTheLowestBitOfEverySet) {
  const int start[8] = {63, 30, 3, 32, 25, 41, 22, 33};
  for (int h = 0; h < 8; h++) EXPECT_EQ(BSFTable[h], start[h]) << "slot " << h;

  for (int i = 0; i < 64; i++) {
    const Bitboard above = ~0ULL << i;  // bit i and everything over it
    EXPECT_EQ(lsb(1ULL << i), i);
    EXPECT_EQ(lsb(above), i);
    Bitboard b = above;
    EXPECT_EQ(pop_lsb(&b), i ^ 56);
    EXPECT_EQ(b, above & (above - 1));
  }
  // An empty set hashes to the slot of bit 63.
  EXPECT_EQ(bsf_index(0), bsf_index(1ULL << 63));
  EXPECT_EQ(lsb(0), 63);
}

TEST_F(BitboardTest, PopCountMatchesANaiveCount) {
  EXPECT_EQ(popCount(0), 0);
  EXPECT_EQ(popCount(~0ULL), 64);
  EXPECT_EQ(popCount(1ULL << 63), 1);
  EXPECT_EQ(popCount(0xFFFFFFFF00000000ULL), 32);
  std::mt19937_64 rng(1234);
  for (int i = 0; i < 2000; i++) {
    const Bitboard b = rng() & rng();
    int n = 0;
    for (int j = 0; j < 64; j++) n += (b >> j) & 1;
    ASSERT_EQ(popCount(b), n) << std::hex << b;
  }
}

TEST_F(BitboardTest, PawnAttacksAndFillsStayOnTheBoard) {
  EXPECT_EQ(pawnAttacks(sq("a2"), LIGHT), bits({"b3"}));
  EXPECT_EQ(pawnAttacks(sq("h7"), DARK), bits({"g6"}));
  EXPECT_EQ(pawnAttacks(sq("e4"), LIGHT), bits({"d5", "f5"}));
  EXPECT_EQ(eastOne(fileMask(7)) | westOne(fileMask(0)), 0u);
  EXPECT_EQ(nortFill(bits({"e2"})), bits({"e2", "e3", "e4", "e5", "e6", "e7", "e8"}));
  EXPECT_EQ(soutFill(bits({"e7"})), bits({"e7", "e6", "e5", "e4", "e3", "e2", "e1"}));
  EXPECT_EQ(relative_rank(LIGHT, sq("e2") >> 3), 1);
  EXPECT_EQ(relative_rank(DARK, sq("e7") >> 3), 1);
}

TEST_F(BitboardTest, PackedScoresSurviveSignsAndSums) {
  const int values[] = {-32768, -300, -7, -5, -1, 0, 1, 3, 250, 32767};
  for (int mg : values)
    for (int eg : values) {
      const int s = make_score(mg, eg);
      EXPECT_EQ(mg_value(s), mg) << mg << "," << eg;
      EXPECT_EQ(eg_value(s), eg) << mg << "," << eg;
    }
  // Packed scores add as plain integers.
  const int sum = make_score(10, -20) + make_score(-30, 5) - make_score(4, -40);
  EXPECT_EQ(mg_value(sum), -24);
  EXPECT_EQ(eg_value(sum), 25);
}

TEST_F(BitboardTest, SlidingLookupsAgreeWithARayWalk) {
  std::mt19937_64 rng(20240601);
  for (int s = 0; s < 64; s++) {
    const int b = s ^ 56;
    for (int i = 0; i < 1500; i++) {
      // Vary the density: sparse boards reach the long rays, dense ones the short.
      Bitboard occ = rng();
      if (i % 3 == 1) occ &= rng();
      if (i % 3 == 2) occ &= rng() & rng();
      if (i & 1) occ |= 1ULL << b;

      ASSERT_EQ(rookAttacks(occ, s), rayWalk(occ, b, kRookDirs)) << "square " << s;
      ASSERT_EQ(bishopAttacks(occ, s), rayWalk(occ, b, kBishopDirs)) << "square " << s;
      ASSERT_LT(((occ & FILEMASK[b]) * FILEMAGIC[b]) >> 57, 64u);
      ASSERT_LT(((occ & DIAGA1H8MASK[b]) * DIAGA1H8MAGIC[b]) >> 57, 64u);
      ASSERT_LT(((occ & DIAGA8H1MASK[b]) * DIAGA8H1MAGIC[b]) >> 57, 64u);
    }
    EXPECT_EQ(rookAttacks(0, s), rayWalk(0, b, kRookDirs));
    EXPECT_EQ(bishopAttacks(0, s), rayWalk(0, b, kBishopDirs));
  }
}

TEST_F(BitboardTest, KnightAndKingTables) {
  EXPECT_EQ(gKnightMovesTable[sq("a1")], bits({"b3", "c2"}));
  EXPECT_EQ(gKnightMovesTable[sq("a8")], bits({"b6", "c7"}));
  EXPECT_EQ(gKnightMovesTable[sq("h2")], bits({"f1", "f3", "g4"}));
  EXPECT_EQ(gKnightMovesTable[sq("d4")], bits({"b3", "b5", "c2", "c6", "e2", "e6", "f3", "f5"}));
  EXPECT_EQ(gKingMovesTable[sq("h1")], bits({"g1", "g2", "h2"}));
  EXPECT_EQ(gKingMovesTable[sq("a8")], bits({"a7", "b7", "b8"}));
  EXPECT_EQ(gKingMovesTable[sq("e4")], bits({"d3", "d4", "d5", "e3", "e5", "f3", "f4", "f5"}));

  // Every knight and king move on the board, counted once from each end.
  int knight = 0, king = 0;
  for (int s = 0; s < 64; s++) {
    knight += popCount(gKnightMovesTable[s]);
    king += popCount(gKingMovesTable[s]);
  }
  EXPECT_EQ(knight, 336);
  EXPECT_EQ(king, 420);
}

TEST_F(BitboardTest, FrontSpans) {
  const Bitboard def = fileMask(3) | fileMask(4) | fileMask(5);
  EXPECT_EQ(gBlackFrontSpan[sq("e2")], def & ~0xFFFFULL);         // ranks 3 to 8
  EXPECT_EQ(gWhiteFrontSpan[sq("e7")], def & 0xFFFFFFFFFFFFULL);  // ranks 1 to 6
  EXPECT_EQ(gBlackFrontSpan[sq("a2")], (fileMask(0) | fileMask(1)) & ~0xFFFFULL);
  EXPECT_EQ(gWhiteFrontSpan[sq("h7")], (fileMask(6) | fileMask(7)) & 0xFFFFFFFFFFFFULL);
  for (int f = 0; f < 8; f++) {
    EXPECT_EQ(gWhiteFrontSpan[56 + f], 0u);  // rank 1
    EXPECT_EQ(gBlackFrontSpan[f], 0u);       // rank 8
  }
}

}  // namespace
