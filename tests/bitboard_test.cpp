// The bit helpers and the sliding lookups against plain loops on random boards, whatever
// instructions a build picks for them.

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

TEST(Bitboard, CountAndScansMatchANaiveLoop) {
  std::mt19937_64 rng(1234);
  for (int i = 1; i < 3000; i++) {
    Bitboard b = i == 1 ? ~0ULL : i < 64 ? 1ULL << i : rng() & rng() & (i % 3 ? ~0ULL : rng());
    int n = 0, low = 64;
    for (int j = 63; j >= 0; j--)
      if ((b >> j) & 1) n++, low = j;
    Bitboard rest = b;
    ASSERT_EQ(popCount(b), n) << std::hex << b;
    if (b == 0) continue;
    ASSERT_EQ(lsb(b), low) << std::hex << b;
    ASSERT_EQ(pop_lsb(&rest), low ^ 56) << std::hex << b;
    ASSERT_EQ(rest, b & ~(1ULL << low)) << std::hex << b;
  }
}

TEST(Bitboard, SlidingLookupsAgreeWithARayWalk) {
  uci::engine_in_process();
  std::mt19937_64 rng(20240601);
  for (int s = 0; s < 64; s++) {
    const int b = s ^ 56;
    for (int i = 0; i < 1500; i++) {
      // Vary the density: sparse boards reach the long rays, dense ones the short.
      Bitboard occ = rng() & (i % 3 ? rng() : ~0ULL) & (i % 3 == 2 ? rng() : ~0ULL);
      if (i & 1) occ |= 1ULL << b;
      ASSERT_EQ(rookAttacks(occ, s), rayWalk(occ, b, kRookDirs)) << "square " << s;
      ASSERT_EQ(bishopAttacks(occ, s), rayWalk(occ, b, kBishopDirs)) << "square " << s;
    }
  }
}

}  // namespace
