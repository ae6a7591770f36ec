// Bitboard primitives, the sliding-attack lookups and the fixed per-square attack sets.
//
// Bits run a1 = 0 .. h1 = 7 .. a8 = 56 .. h8 = 63; a board square sq (a8 = 0) is bit sq ^ 56.
#include "board.h"
#include "data.h"

namespace {

constexpr Bitboard NOT_FILE_A = 0xFEFEFEFEFEFEFEFEULL;
constexpr Bitboard NOT_FILE_H = 0x7F7F7F7F7F7F7F7FULL;
constexpr Bitboard FILE_A = 0x0101010101010101ULL;

// Used only while the tables are filled.
Bitboard BitSet[64];
int BoardIdx[9][9];
unsigned char GetSlidingAttacks[8][64];

// 1-based rank and file of each bit.
const int constMyRanks[64] = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 3,
                              3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 5, 5, 5, 5, 5, 6, 6, 6, 6,
                              6, 6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 8, 8, 8, 8, 8, 8, 8, 8};
const int constMyFiles[64] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6,
                              7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4,
                              5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};

// Multipliers that gather a line's six inner squares into bits 57..62 of the product.
const Bitboard constFileMAGIC[8] = {
    0x8040201008040200ULL, 0x4020100804020100ULL, 0x2010080402010080ULL, 0x1008040201008040ULL,
    0x0804020100804020ULL, 0x0402010080402010ULL, 0x0201008040201008ULL, 0x0100804020100804ULL};

// Indexed by 7 + file - rank; diagonals too short to have inner squares get 0.
const Bitboard constDiagA1H8MAGIC[16] = {
    0x0000000000000000ULL, 0x0000000000000000ULL, 0x0101010101010100ULL, 0x0101010101010100ULL,
    0x0101010101010100ULL, 0x0101010101010100ULL, 0x0101010101010100ULL, 0x0101010101010100ULL,
    0x8080808080808000ULL, 0x4040404040400000ULL, 0x2020202020000000ULL, 0x1010101000000000ULL,
    0x0808080000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL};

// Indexed by file + rank.
const Bitboard constDiagA8H1MAGIC[16] = {
    0x0000000000000000ULL, 0x0000000000000000ULL, 0x0101010101010100ULL, 0x0101010101010100ULL,
    0x0101010101010100ULL, 0x0101010101010100ULL, 0x0101010101010100ULL, 0x0101010101010100ULL,
    0x0080808080808080ULL, 0x0040404040404040ULL, 0x0020202020202020ULL, 0x0010101010101010ULL,
    0x0008080808080808ULL, 0x0000000000000000ULL, 0x0000000000000000ULL, 0x0000000000000000ULL};

bool on_board(int file, int rank) {
  return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

}  // namespace

const int constRankshift[64] = {1,  1,  1,  1,  1,  1,  1,  1,  9,  9,  9,  9,  9,  9,  9,  9,
                                17, 17, 17, 17, 17, 17, 17, 17, 25, 25, 25, 25, 25, 25, 25, 25,
                                33, 33, 33, 33, 33, 33, 33, 33, 41, 41, 41, 41, 41, 41, 41, 41,
                                49, 49, 49, 49, 49, 49, 49, 49, 57, 57, 57, 57, 57, 57, 57, 57};

Bitboard RANKMASK[64], FILEMASK[64], FILEMAGIC[64];
Bitboard DIAGA1H8MASK[64], DIAGA1H8MAGIC[64], DIAGA8H1MASK[64], DIAGA8H1MAGIC[64];
Bitboard FromRankAttacks[64][64], FromFileAttacks[64][64];
Bitboard DIAGA1H8_ATTACKS[64][64], DIAGA8H1_ATTACKS[64][64];
Bitboard gKnightMovesTable[64], gKingMovesTable[64];
Bitboard gWhiteFrontSpan[64], gBlackFrontSpan[64];
Bitboard gBishopRays[64], gRookRays[64];

// Builds for a processor with a population-count instruction use it; the portable build adds
// bit counts in ever wider fields and sums the eight byte counts with one multiply.
int popCount(Bitboard b) {
#if defined(__POPCNT__)
  return __builtin_popcountll(b);
#else
  b = b - ((b >> 1) & 0x5555555555555555ULL);
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<int>((b * 0x0101010101010101ULL) >> 56);
#endif
}

// Every x86-64 processor has a bit-scan instruction; b must not be empty.
int lsb(Bitboard b) {
  return __builtin_ctzll(b);
}

int pop_lsb(Bitboard* b) {
  const int bit = __builtin_ctzll(*b);
  *b &= *b - 1;
  return bit ^ 56;
}

Bitboard fileMask(int sq) {
  return FILE_A << (sq & 7);
}

Bitboard nortOne(Bitboard b) {
  return b << 8;
}
Bitboard soutOne(Bitboard b) {
  return b >> 8;
}
Bitboard eastOne(Bitboard b) {
  return (b << 1) & NOT_FILE_A;
}
Bitboard westOne(Bitboard b) {
  return (b >> 1) & NOT_FILE_H;
}
Bitboard noEaOne(Bitboard b) {
  return (b << 9) & NOT_FILE_A;
}
Bitboard noWeOne(Bitboard b) {
  return (b << 7) & NOT_FILE_H;
}
Bitboard soEaOne(Bitboard b) {
  return (b >> 7) & NOT_FILE_A;
}
Bitboard soWeOne(Bitboard b) {
  return (b >> 9) & NOT_FILE_H;
}

Bitboard nortFill(Bitboard b) {
  b |= b << 8;
  b |= b << 16;
  b |= b << 32;
  return b;
}

Bitboard soutFill(Bitboard b) {
  b |= b >> 8;
  b |= b >> 16;
  b |= b >> 32;
  return b;
}

Bitboard pawnAttacks(int sq, int side) {
  const Bitboard p = 1ULL << (sq ^ 56);
  return side == LIGHT ? noEaOne(p) | noWeOne(p) : soEaOne(p) | soWeOne(p);
}

// White counts from row 7 (rank 1), Black from row 0 (rank 8).
int relative_rank(int side, int row) {
  return side == LIGHT ? 7 - row : row;
}

// The shift is done unsigned; a negative endgame part borrows from the middlegame half, which
// mg_value gives back by rounding.
int make_score(int mg, int eg) {
  return static_cast<int>((static_cast<uint32_t>(mg) << 16) + static_cast<uint32_t>(eg));
}

int mg_value(int s) {
  return static_cast<int>(static_cast<uint32_t>(s) + 32768u) >> 16;
}

int eg_value(int s) {
  return static_cast<int16_t>(static_cast<uint16_t>(s));
}

Bitboard rookAttacks(Bitboard occ, int sq) {
  const int b = sq ^ 56;
  return FromFileAttacks[b][((occ & FILEMASK[b]) * FILEMAGIC[b]) >> 57] |
         FromRankAttacks[b][(occ & RANKMASK[b]) >> constRankshift[b]];
}

Bitboard bishopAttacks(Bitboard occ, int sq) {
  const int b = sq ^ 56;
  return DIAGA1H8_ATTACKS[b][((occ & DIAGA1H8MASK[b]) * DIAGA1H8MAGIC[b]) >> 57] |
         DIAGA8H1_ATTACKS[b][((occ & DIAGA8H1MASK[b]) * DIAGA8H1MAGIC[b]) >> 57];
}

void magicInfoInit() {
  BitSet[0] = 1;
  for (int i = 1; i < 64; i++) BitSet[i] = BitSet[i - 1] << 1;

  for (int f = 0; f <= 8; f++)
    for (int r = 0; r <= 8; r++) BoardIdx[f][r] = 8 * (r - 1) + (f - 1);

  // Masks hold the inner squares of each line (1-based file f and rank r below): a line's end
  // squares never block anything beyond themselves, so they stay out of the index.
  for (int b = 0; b < 64; b++) {
    const int file = constMyFiles[b];
    const int rank = constMyRanks[b];
    RANKMASK[b] = FILEMASK[b] = DIAGA1H8MASK[b] = DIAGA8H1MASK[b] = 0;
    for (int f = 1; f <= 8; f++)
      for (int r = 1; r <= 8; r++) {
        const Bitboard bit = BitSet[BoardIdx[f][r]];
        const bool innerFile = f >= 2 && f <= 7;
        const bool innerRank = r >= 2 && r <= 7;
        if (r == rank && innerFile) RANKMASK[b] |= bit;
        if (f == file && innerRank) FILEMASK[b] |= bit;
        if (!innerFile || !innerRank) continue;
        if (f - r == file - rank) DIAGA1H8MASK[b] |= bit;
        if (f + r == file + rank) DIAGA8H1MASK[b] |= bit;
      }
    FILEMAGIC[b] = constFileMAGIC[file - 1];
    DIAGA1H8MAGIC[b] = constDiagA1H8MAGIC[7 + file - rank];
    DIAGA8H1MAGIC[b] = constDiagA8H1MAGIC[file + rank - 2];
  }

  // Attacks along one line of eight positions; index bit j is the occupancy of position j + 1.
  for (int p = 0; p < 8; p++)
    for (int o = 0; o < 64; o++) {
      const int occupied = o << 1;
      int set = 0;
      for (int k = p + 1; k <= 7; k++) {
        set |= 1 << k;
        if (occupied & (1 << k)) break;
      }
      for (int k = p - 1; k >= 0; k--) {
        set |= 1 << k;
        if (occupied & (1 << k)) break;
      }
      GetSlidingAttacks[p][o] = static_cast<unsigned char>(set);
    }

  for (int b = 0; b < 64; b++) {
    const int file = b & 7;
    const int rank = b >> 3;
    const int pFile = 8 - constMyRanks[b];
    const int pA1H8 = file < rank ? file : rank;
    const int pA8H1 = file < 7 - rank ? file : 7 - rank;
    for (int i = 0; i < 64; i++) {
      FromRankAttacks[b][i] = static_cast<Bitboard>(GetSlidingAttacks[file][i])
                              << (constRankshift[b] - 1);
      FromFileAttacks[b][i] = DIAGA1H8_ATTACKS[b][i] = DIAGA8H1_ATTACKS[b][i] = 0;
      for (int k = 0; k < 8; k++) {
        if (GetSlidingAttacks[pFile][i] & (1 << k))
          FromFileAttacks[b][i] |= BitSet[BoardIdx[file + 1][8 - k]];
        if (GetSlidingAttacks[pA1H8][i] & (1 << k)) {
          const int d = k - pA1H8;
          if (on_board(file + d, rank + d))
            DIAGA1H8_ATTACKS[b][i] |= BitSet[8 * (rank + d) + file + d];
        }
        if (GetSlidingAttacks[pA8H1][i] & (1 << k)) {
          const int d = k - pA8H1;
          if (on_board(file + d, rank - d))
            DIAGA8H1_ATTACKS[b][i] |= BitSet[8 * (rank - d) + file + d];
        }
      }
    }
  }
}

void buildBitboardAttackTable() {
  magicInfoInit();
  for (int s = 0; s < 64; s++) {
    gBishopRays[s] = bishopAttacks(0, s);
    gRookRays[s] = rookAttacks(0, s);
  }

  for (int s = 0; s < 64; s++) {
    gKingMovesTable[s] = 0;
    for (int j = 0; j < 8; j++) {
      const int t = mailbox[mailbox64[s] + offset[KING][j]];
      if (t != -1) gKingMovesTable[s] |= 1ULL << (t ^ 56);
    }
  }
  for (int s = 0; s < 64; s++) {
    gKnightMovesTable[s] = 0;
    for (int j = 0; j < 8; j++) {
      const int t = mailbox[mailbox64[s] + offset[KNIGHT][j]];
      if (t != -1) gKnightMovesTable[s] |= 1ULL << (t ^ 56);
    }
  }

  // A pawn's own file and both neighbours, every rank strictly ahead of it.
  for (int s = 0; s < 64; s++) {
    const Bitboard p = 1ULL << (s ^ 56);
    const Bitboard files = p | eastOne(p) | westOne(p);
    gWhiteFrontSpan[s] = soutFill(soutOne(files));
  }
  for (int s = 0; s < 64; s++) {
    const Bitboard p = 1ULL << (s ^ 56);
    const Bitboard files = p | eastOne(p) | westOne(p);
    gBlackFrontSpan[s] = nortFill(nortOne(files));
  }
}
