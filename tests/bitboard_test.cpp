// Bitboard primitives and the sliding lookups. Perft proves the scans and the tables that move
// generation reads; what only the evaluation and the exchange counting read is checked here.

#include <random>

#include "common.h"

namespace {

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

// Whatever instructions a build picks for them, the count and the scans agree with a plain loop.
TEST_F(BitboardTest, CountAndScansMatchANaiveLoop) {
  std::mt19937_64 rng(1234);
  for (int i = 0; i < 3000; i++) {
    Bitboard b = i == 0 ? ~0ULL : i < 64 ? 1ULL << i : rng() & rng();
    if (i % 3 == 2) b &= rng();
    if (b == 0) continue;
    int n = 0, low = -1;
    for (int j = 63; j >= 0; j--)
      if ((b >> j) & 1) n++, low = j;
    ASSERT_EQ(popCount(b), n) << std::hex << b;
    ASSERT_EQ(lsb(b), low) << std::hex << b;
    Bitboard rest = b;
    ASSERT_EQ(pop_lsb(&rest), low ^ 56) << std::hex << b;
    ASSERT_EQ(rest, b & ~(1ULL << low)) << std::hex << b;
  }
  EXPECT_EQ(popCount(0), 0);
}

TEST_F(BitboardTest, PackedScoresSurviveSignsAndSums) {
  const int values[] = {-32768, -300, -7, -1, 0, 1, 250, 32767};
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
  }
}

// King moves are generated without this table; the king zone and the attackers of a square use it.
TEST_F(BitboardTest, KingTable) {
  EXPECT_EQ(gKingMovesTable[sq("h1")], bits({"g1", "g2", "h2"}));
  int moves = 0;  // every king move on the board, counted once from each end
  for (int s = 0; s < 64; s++) moves += popCount(gKingMovesTable[s]);
  EXPECT_EQ(moves, 420);
}

}  // namespace
