// SPDX-License-Identifier: GPL-3.0-or-later
// Bitboard primitives, the sliding-attack lookups and the fixed per-square attack sets.
//
// Bits run a1 = 0 .. h1 = 7 .. a8 = 56 .. h8 = 63; a board square sq (a8 = 0) is bit sq ^ 56.
#include "board.h"
#include "data.h"

namespace {

constexpr Bitboard NOT_FILE_A = 0xFEFEFEFEFEFEFEFEULL;
constexpr Bitboard NOT_FILE_H = 0x7F7F7F7F7F7F7F7FULL;
constexpr Bitboard FILE_A = 0x0101010101010101ULL;

// A slider's attacks on one board square come from one lookup: the occupied squares of its
// lines (the mask: inner squares only, as the end squares block nothing beyond themselves) times
// the square's multiplier leave, in the top bits, an index into its own stretch of one table.
struct magic_t {
  Bitboard mask;
  Bitboard multiplier;
  const Bitboard* attacks;
  int shift;
};

// Steps (file, rank) of the four lines each slider moves along.
constexpr int ROOK_STEPS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
constexpr int BISHOP_STEPS[4][2] = {{1, 1}, {-1, -1}, {1, -1}, {-1, 1}};

// Every mask subset of each square, summed.
constexpr int ROOK_TABLE_SIZE = 102400;
constexpr int BISHOP_TABLE_SIZE = 5248;

magic_t rook_magic[64], bishop_magic[64];
Bitboard slider_table[ROOK_TABLE_SIZE + BISHOP_TABLE_SIZE];

bool on_board(int file, int rank) {
  return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

// The attacks of a slider on bit b, walked a square at a time; the plain form the lookups copy.
Bitboard walk_attacks(Bitboard occ, int b, const int (*steps)[2]) {
  Bitboard out = 0;
  for (int d = 0; d < 4; d++) {
    int f = (b & 7) + steps[d][0], r = (b >> 3) + steps[d][1];
    for (; on_board(f, r); f += steps[d][0], r += steps[d][1]) {
      out |= 1ULL << (8 * r + f);
      if (occ & (1ULL << (8 * r + f))) break;
    }
  }
  return out;
}

// The squares whose occupancy matters: each line without its last square.
Bitboard inner_squares(int b, const int (*steps)[2]) {
  Bitboard out = 0;
  for (int d = 0; d < 4; d++) {
    int f = (b & 7) + steps[d][0], r = (b >> 3) + steps[d][1];
    for (; on_board(f + steps[d][0], r + steps[d][1]); f += steps[d][0], r += steps[d][1])
      out |= 1ULL << (8 * r + f);
  }
  return out;
}

// Per bit, multipliers that send no two occupancies of the mask with different attacks to the
// same slot. They were found by trying sparse random numbers (the AND of three) until one fit;
// any other that fits would do as well. One that does not fit shows in perft and the bench.
// clang-format off
const Bitboard ROOK_MULTIPLIERS[64] = {
    0x1080004008801020ULL, 0x0840092002C03000ULL, 0x1900200010400900ULL,
    0x0880100008000480ULL, 0x4200100420080200ULL, 0x8100020100080400ULL,
    0x0200040110886200ULL, 0x0200008040220411ULL, 0x0404800084400220ULL,
    0x0000401000402000ULL, 0x0086001081220440ULL, 0x0408800800100280ULL,
    0x000A001201040820ULL, 0x8848800200840080ULL, 0x4001000100040200ULL,
    0x0442000102105084ULL, 0x9080010020804100ULL, 0x0040404000201009ULL,
    0x0000808010002009ULL, 0x2200090021D00100ULL, 0x0008008008040080ULL,
    0x0004004002010040ULL, 0x0011040008015042ULL, 0x00000A0001768104ULL,
    0x0000800080204009ULL, 0x2010004140002001ULL, 0x9800200280100080ULL,
    0x1000100080080080ULL, 0x0442000A00049020ULL, 0x2100040080020080ULL,
    0x0800120400900148ULL, 0x0010040A00128541ULL, 0x2800804000800030ULL,
    0x1010002000400041ULL, 0x4000200011004100ULL, 0x0610008410800800ULL,
    0x0400802402800800ULL, 0xC100020080800400ULL, 0x0002000802000401ULL,
    0x0182085882000401ULL, 0x0220204000808000ULL, 0x2860100040024022ULL,
    0x0001002004110040ULL, 0x99101042000A0020ULL, 0x0004080004008080ULL,
    0x0010040002008080ULL, 0x2012004881020004ULL, 0x8300842444820011ULL,
    0x0088403882010200ULL, 0x0820400080210100ULL, 0x0110910040A00300ULL,
    0x0801100280080480ULL, 0x0242009008200600ULL, 0x1002000489500200ULL,
    0x0040800200010080ULL, 0x0091800041000080ULL, 0x0000209300488001ULL,
    0x04C1002414824001ULL, 0x020020000B001041ULL, 0x7000100004200901ULL,
    0x8002002004100802ULL, 0x30010002084C0007ULL, 0x0888221800813004ULL,
    0x4000002840840112ULL};
const Bitboard BISHOP_MULTIPLIERS[64] = {
    0xA010041108003100ULL, 0x006082020A002900ULL, 0x6810010619200000ULL,
    0x08281A0520000408ULL, 0x0001104001000400ULL, 0x0018901008048400ULL,
    0x00040A0210245280ULL, 0x000200210808A402ULL, 0x9140048410821200ULL,
    0x0800091010820041ULL, 0x20504804832202C0ULL, 0x0100091401081000ULL,
    0x8021011140000012ULL, 0x0810020804450400ULL, 0x208B0542109008A2ULL,
    0x0080084A08040204ULL, 0x0040E2A80811244CULL, 0x2505022008008108ULL,
    0x0430220100420040ULL, 0x010A040420220040ULL, 0x1105000290400000ULL,
    0x0093001200822120ULL, 0x4000A62048043004ULL, 0x280120048A015004ULL,
    0x006090002A020814ULL, 0x44042000240800D0ULL, 0x01102800040A4400ULL,
    0x1004080080220040ULL, 0x0001001011004024ULL, 0x0010044000805040ULL,
    0x0914041200820100ULL, 0x0004821012821480ULL, 0x0024040500C05021ULL,
    0x0088611002080200ULL, 0x0116080A00040020ULL, 0x4000020080080080ULL,
    0x2450450140840040ULL, 0x0000880201484100ULL, 0x0222020404020092ULL,
    0x8081110600002E00ULL, 0x2842101105000801ULL, 0x1100809008001025ULL,
    0x00020202221C0400ULL, 0x0422014022009020ULL, 0x0210046102100C00ULL,
    0xC004008082029102ULL, 0x00AA461801101200ULL, 0x0404080080201108ULL,
    0x020542108C205002ULL, 0x0410544804100100ULL, 0x0040910841100000ULL,
    0x0400200042021100ULL, 0x00004204850400C0ULL, 0x0200100410A42102ULL,
    0x1040020801210102ULL, 0x0805040410420000ULL, 0x2884804130100200ULL,
    0x800C262201242000ULL, 0x1058000194108800ULL, 0x0014221054420204ULL,
    0x0104000012A02200ULL, 0x0200881003300100ULL, 0x0140400202840100ULL,
    0x0402020801010201ULL};
// clang-format on

// Fills the square's stretch of the table: every subset of the mask, in turn, at its slot.
void fill_magic(magic_t& m, int b, const int (*steps)[2], Bitboard multiplier, Bitboard* table) {
  m.mask = inner_squares(b, steps);
  m.multiplier = multiplier;
  m.shift = 64 - popCount(m.mask);
  m.attacks = table;
  Bitboard occ = 0;
  do {
    table[(occ * multiplier) >> m.shift] = walk_attacks(occ, b, steps);
    occ = (occ - m.mask) & m.mask;
  } while (occ);
}

Bitboard lookup(const magic_t& m, Bitboard occ) {
  return m.attacks[((occ & m.mask) * m.multiplier) >> m.shift];
}

}  // namespace

Bitboard gKnightMovesTable[64], gKingMovesTable[64];
Bitboard gWhiteFrontSpan[64], gBlackFrontSpan[64];
Bitboard gBishopRays[64], gRookRays[64];

// Builds for a processor with a population-count instruction use it (WebAssembly and 64-bit ARM
// always have one); the portable build adds bit counts in ever wider fields and sums the eight
// byte counts with one multiply.
int popCount(Bitboard b) {
#if defined(__POPCNT__) || defined(__wasm__) || defined(__aarch64__)
  return __builtin_popcountll(b);
#else
  b = b - ((b >> 1) & 0x5555555555555555ULL);
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<int>((b * 0x0101010101010101ULL) >> 56);
#endif
}

// Every processor the engine builds for scans bits in hardware (x86-64's bit scan, ARM's bit
// reverse and leading-zero count); b must not be empty.
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
  const Bitboard p = square_bit(sq);
  return side == LIGHT ? noEaOne(p) | noWeOne(p) : soEaOne(p) | soWeOne(p);
}

// White counts from row 7 (rank 1), Black from row 0 (rank 8).
int relative_rank(int side, int row) {
  return side == LIGHT ? 7 - row : row;
}

int mg_value(int s) {
  return static_cast<int>(static_cast<uint32_t>(s) + 32768u) >> 16;
}

int eg_value(int s) {
  return static_cast<int16_t>(static_cast<uint16_t>(s));
}

Bitboard rookAttacks(Bitboard occ, int sq) {
  return lookup(rook_magic[sq ^ 56], occ);
}

Bitboard bishopAttacks(Bitboard occ, int sq) {
  return lookup(bishop_magic[sq ^ 56], occ);
}

void buildBitboardAttackTable() {
  Bitboard* next = slider_table;
  for (int b = 0; b < 64; b++) {
    fill_magic(rook_magic[b], b, ROOK_STEPS, ROOK_MULTIPLIERS[b], next);
    next += 1 << (64 - rook_magic[b].shift);
  }
  for (int b = 0; b < 64; b++) {
    fill_magic(bishop_magic[b], b, BISHOP_STEPS, BISHOP_MULTIPLIERS[b], next);
    next += 1 << (64 - bishop_magic[b].shift);
  }
  for (int s = 0; s < 64; s++) {
    gBishopRays[s] = bishopAttacks(0, s);
    gRookRays[s] = rookAttacks(0, s);
  }

  for (int s = 0; s < 64; s++) {
    gKingMovesTable[s] = 0;
    for (int j = 0; j < 8; j++) {
      const int t = mailbox[mailbox64[s] + offset[KING][j]];
      if (t != -1) gKingMovesTable[s] |= square_bit(t);
    }
  }
  for (int s = 0; s < 64; s++) {
    gKnightMovesTable[s] = 0;
    for (int j = 0; j < 8; j++) {
      const int t = mailbox[mailbox64[s] + offset[KNIGHT][j]];
      if (t != -1) gKnightMovesTable[s] |= square_bit(t);
    }
  }

  // A pawn's own file and both neighbours, every rank strictly ahead of it.
  for (int s = 0; s < 64; s++) {
    const Bitboard p = square_bit(s);
    const Bitboard files = p | eastOne(p) | westOne(p);
    gWhiteFrontSpan[s] = soutFill(soutOne(files));
  }
  for (int s = 0; s < 64; s++) {
    const Bitboard p = square_bit(s);
    const Bitboard files = p | eastOne(p) | westOne(p);
    gBlackFrontSpan[s] = nortFill(nortOne(files));
  }
}
