// SPDX-License-Identifier: GPL-3.0-or-later
// The static evaluation. Every term is a middlegame/endgame pair packed into one int and summed
// per side; each sum is blended by the game phase once at the end and scaled by its weight
// option. The material and the phase come kept up to date by the board; the pawn terms are kept
// from call to call, in a cache keyed by the pawns, and whole scores in one keyed by the position.
#include "eval.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "board.h"
#include "option.h"

namespace {

// A packed pair, short enough for the tables below.
constexpr int S(int mg, int eg) {
  return make_score(mg, eg);
}

// The phase of a board with most of its pieces; more pieces count as this.
constexpr int OPENING_PHASE = 64;

// Board squares the lone-pawn rule measures from.
constexpr int A8 = 0, A6 = 16, A2 = 48, A1 = 56;

const int knight_mob[9] = {S(-8, -10), S(-4, -6), S(0, -2), S(4, 2), S(8, 6),
                           S(8, 6),    S(8, 6),   S(8, 6),  S(8, 6)};

// Bishops and rooks share one mobility scale.
const int slider_mob[15] = {S(-8, -10), S(-6, -8), S(-4, -6), S(-2, -4), S(0, -2),
                            S(2, 0),    S(4, 2),   S(6, 4),   S(6, 6),   S(6, 6),
                            S(6, 6),    S(6, 6),   S(6, 6),   S(6, 6),   S(6, 6)};
const int* const bishop_mob = slider_mob;
const int* const rook_mob = slider_mob;

const int KingAttackWeights[6] = {0, 20, 20, 40, 80, 0};
// The share of the attackers' weight that counts, by their number; more than the last entry's
// count as that many.
constexpr int MOST_ZONE_ATTACKERS = 9;
const int KingAttackTable[MOST_ZONE_ATTACKERS + 1] = {0, 50, 75, 88, 94, 100, 106, 112, 118, 124};

// By rank counted from the king's own back rank.
const int opkingr[8] = {0, -4, -8, -10, -10, -8, -8, -8};
const int enkingr[8] = {-8, -6, 2, 4, 4, 2, 0, -2};
// Every rank of the king gains this in the middlegame and loses this in the endgame.
const int KING_RANK_MG_SHIFT = 2, KING_RANK_EG_SHIFT = -3;

// How central a lone king stands; the mop-up term pushes it towards the rim.
const int king_in_center[64] = {
    0, 0,  0,  0,   0,   0,  0,  0,  //
    0, 30, 30, 30,  30,  30, 30, 0,  //
    0, 30, 70, 70,  70,  70, 30, 0,  //
    0, 30, 70, 120, 120, 70, 30, 0,  //
    0, 30, 70, 120, 120, 70, 30, 0,  //
    0, 30, 70, 70,  70,  70, 30, 0,  //
    0, 30, 30, 30,  30,  30, 30, 0,  //
    0, 0,  0,  0,   0,   0,  0,  0,
};

// Square tables are written for White, rank 8 first; Black reads the square mirrored (s ^ 56).
// clang-format off
const int knight_pst[64] = {
    S(-8, -12), S(-6, -10), S(-4, -8), S(-2, -6), S(-2, -6), S(-4, -8), S(-6, -10), S(-8, -12),
    S(-6, -10), S(-4, -8), S(-2, -6), S(0, -4), S(0, -4), S(-2, -6), S(-4, -8), S(-6, -10),
    S(-4, -8), S(-2, -6), S(0, -4), S(2, -2), S(2, -2), S(0, -4), S(-2, -6), S(-4, -8),
    S(-2, -6), S(0, -4), S(2, -2), S(4, 0), S(4, 0), S(2, -2), S(0, -4), S(-2, -6),
    S(-2, -6), S(0, -4), S(2, -2), S(4, 0), S(4, 0), S(2, -2), S(0, -4), S(-2, -6),
    S(-8, -12), S(-6, -10), S(-4, -8), S(-2, -6), S(-2, -6), S(-4, -8), S(-6, -10), S(-8, -12),
    S(-12, -16), S(-10, -14), S(-8, -12), S(-6, -10), S(-6, -10), S(-8, -12), S(-10, -14), S(-12, -16),
    S(-14, -18), S(-12, -16), S(-10, -14), S(-8, -12), S(-8, -12), S(-10, -14), S(-12, -16), S(-14, -18),
};
// clang-format on

const int bishop_pst[64] = {
    S(-6, -10), S(-4, -8), S(-2, -6), S(0, -4), S(0, -4), S(-2, -6), S(-4, -8), S(-6, -10),
    S(-4, -2),  S(-2, 0),  S(0, 2),   S(2, 4),  S(2, 4),  S(0, 2),   S(-2, 0),  S(-4, -2),
    S(0, 4),    S(2, 6),   S(4, 8),   S(6, 10), S(6, 10), S(4, 8),   S(2, 6),   S(0, 4),
    S(2, 6),    S(4, 8),   S(6, 10),  S(8, 12), S(8, 12), S(6, 10),  S(4, 8),   S(2, 6),
    S(2, 3),    S(4, 6),   S(6, 9),   S(8, 12), S(8, 12), S(6, 9),   S(4, 6),   S(2, 4),
    S(-4, 3),   S(-2, 4),  S(0, 5),   S(2, 6),  S(2, 6),  S(0, 5),   S(-2, 4),  S(-4, 3),
    S(-8, -1),  S(-6, 0),  S(-4, 1),  S(-2, 2), S(-2, 2), S(-4, 1),  S(-6, 0),  S(-8, -1),
    S(-10, -6), S(-8, -4), S(-6, -2), S(-4, 0), S(-4, 0), S(-5, -1), S(-6, -2), S(-7, -3),
};

const int pawn_pst[64] = {
    S(0, 0),   S(0, 0),   S(0, 0),   S(0, 0),    S(0, 0),    S(0, 0),   S(0, 0),   S(0, 0),
    S(4, 22),  S(4, 23),  S(5, 16),  S(10, 20),  S(10, 20),  S(5, 16),  S(4, 23),  S(4, 22),
    S(3, 16),  S(3, 17),  S(4, 12),  S(8, 14),   S(8, 14),   S(4, 12),  S(3, 17),  S(3, 16),
    S(2, 10),  S(2, 11),  S(3, 8),   S(6, 10),   S(6, 10),   S(3, 8),   S(2, 11),  S(2, 10),
    S(1, 4),   S(1, 5),   S(2, 4),   S(4, 6),    S(4, 6),    S(2, 4),   S(1, 5),   S(1, 4),
    S(-1, -2), S(-1, -1), S(0, 0),   S(-6, -8),  S(-6, -8),  S(0, 0),   S(-1, -1), S(-1, -2),
    S(-4, -6), S(-3, -5), S(-2, -4), S(-8, -10), S(-8, -10), S(-2, -4), S(-3, -5), S(-4, -6),
    S(0, 0),   S(0, 0),   S(0, 0),   S(0, 0),    S(0, 0),    S(0, 0),   S(0, 0),   S(0, 0),
};

// A passed pawn is worth more the further it has run, above all in the endgame.
const int passer_pst[64] = {
    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),
    S(26, 243), S(26, 243), S(26, 243), S(26, 243), S(26, 243), S(26, 243), S(26, 243), S(26, 243),
    S(18, 115), S(18, 115), S(18, 115), S(18, 115), S(18, 115), S(18, 115), S(18, 115), S(18, 115),
    S(10, 51),  S(10, 51),  S(10, 51),  S(10, 51),  S(10, 51),  S(10, 51),  S(10, 51),  S(10, 51),
    S(2, 19),   S(2, 19),   S(2, 19),   S(2, 19),   S(2, 19),   S(2, 19),   S(2, 19),   S(2, 19),
    S(0, 3),    S(0, 3),    S(0, 3),    S(0, 3),    S(0, 3),    S(0, 3),    S(0, 3),    S(0, 3),
    S(0, 2),    S(0, 2),    S(0, 2),    S(0, 2),    S(0, 2),    S(0, 2),    S(0, 2),    S(0, 2),
    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),    S(0, 0),
};

const int PenaltyBackwardPawn = S(4, 6);
const int PenaltyIsolatedPawn = S(4, 6);
const int PenaltyDoubledPawn = S(4, 4);
const int PenaltyIsolatedDoubledPawn = S(16, 16);

// Square as a White piece's table reads it.
int pst_square(int sq, int c) {
  return c == LIGHT ? sq : sq ^ 56;
}

int distance(int a, int b) {
  const int df = (a & 7) > (b & 7) ? (a & 7) - (b & 7) : (b & 7) - (a & 7);
  const int dr = (a >> 3) > (b >> 3) ? (a >> 3) - (b >> 3) : (b >> 3) - (a >> 3);
  return df > dr ? df : dr;
}

// One step towards the enemy's back rank.
Bitboard forward(Bitboard b, int c) {
  return c == LIGHT ? nortOne(b) : soutOne(b);
}

bool is_doubled(int sq, int c) {
  const Bitboard ahead = forward(square_bit(sq), c);
  return ((c == LIGHT ? nortFill(ahead) : soutFill(ahead)) & myPiece[c][PAWN]) != 0;
}

bool is_isolated(int sq, int c) {
  const Bitboard file = fileMask(sq);
  return ((eastOne(file) | westOne(file)) & myPiece[c][PAWN]) == 0;
}

bool is_passed(int sq, int c) {
  const Bitboard span = c == LIGHT ? gBlackFrontSpan[sq] : gWhiteFrontSpan[sq];
  return (span & myPiece[c ^ 1][PAWN]) == 0 && !is_doubled(sq, c);
}

// No neighbour can come up to support it, and the square it would advance to is covered by an
// enemy pawn. A pawn one step from promotion never qualifies: nothing can stand two ranks ahead.
bool is_backward(int sq, int c) {
  const Bitboard p = square_bit(sq);
  const Bitboard sides = eastOne(p) | westOne(p);
  const Bitboard support = c == LIGHT ? soutFill(sides) : nortFill(sides);
  if (support & myPiece[c][PAWN]) return false;
  const Bitboard stop = forward(p, c);
  const Bitboard guards =
      c == LIGHT ? noEaOne(stop) | noWeOne(stop) : soEaOne(stop) | soWeOne(stop);
  return (guards & myPiece[c ^ 1][PAWN]) != 0;
}

// A single pawn against a bare king: a king too far away to catch it, or a king of the pawn's
// side standing by to escort it. The defending king's distance is measured to a corner, one less
// when it is to move, and the escort stands next to a square near that corner. The colours are
// not mirror images (a Black pawn wants the king one step further away, and its escort square
// is a2 where White's is a6): so the engine has always scored them, and the bench holds it.
struct lone_pawn_rule_t {
  int corner, far, escort;
};
const lone_pawn_rule_t LonePawnRule[2] = {{A8, 4, A6}, {A1, 5, A2}};
const int UNSTOPPABLE_PAWN = 700, ESCORT_PER_RANK = 25, UNESCORTED_PAWN = -200;
// An escort counts up to this relative rank of the pawn; one step from promotion it is not needed.
const int LAST_ESCORT_RANK = 5;

int lone_pawn(int sq, int c) {
  if (wpc != 0 || bpc != 0) return 0;
  if (*piece_count[c][PAWN] != 1 || *piece_count[c ^ 1][PAWN] != 0) return 0;
  const lone_pawn_rule_t& rule = LonePawnRule[c];
  const int king = KingLocation(c), defender = KingLocation(c ^ 1);
  const int d = distance(defender, rule.corner) - (side != c ? 1 : 0);
  if (d > rule.far) return UNSTOPPABLE_PAWN;
  const int r = relative_rank(c, sq >> 3);
  if (r > LAST_ESCORT_RANK) return 0;
  const int own = distance(king, rule.escort);
  return own == 1 && own < distance(defender, rule.escort) ? ESCORT_PER_RANK * r : UNESCORTED_PAWN;
}

// Queen against bare king: bring the kings together and the lone king to the rim.
int mop_up(int strong_king, int lone_king) {
  return 2 * ((7 - distance(strong_king, lone_king)) * 25 - king_in_center[lone_king]);
}

// Weights stay at their default of 100 percent almost always, which leaves x as it is.
int scaled(int weight, int x) {
  return weight == 100 ? x : weight * x / 100;
}

}  // namespace

// A packed score's endgame value moved towards its middlegame one by phase/64 of the way, rounded
// toward zero: ((64 - phase) * eg + phase * mg) / 64, with one multiplication.
static int interpolate(int packed, int phase) {
  const int mg = mg_value(packed), eg = eg_value(packed);
  return (eg * 64 + (mg - eg) * phase) / 64;
}

// Packed scores blended by the phase as interpolate does it. Every x86-64 processor takes four at
// once, and so does the WebAssembly build, whose SIMD instructions stand in for SSE2: the two
// halves of a score are two 16-bit numbers, and one multiply-add weighs the endgame half by
// 64 - phase and the middlegame half by phase. Other processors take one at a time.
#if defined(__SSE2__)
static __m128i phase_weights(int phase) {
  return _mm_set1_epi32(phase << 16 | (64 - phase));
}

static __m128i taper4(const int* packed, __m128i weights) {
  const __m128i borrow = _mm_set1_epi32(0x8000), high = _mm_set1_epi32(-65536);
  const __m128i low = _mm_set1_epi32(0xFFFF), toward_zero = _mm_set1_epi32(63);
  const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed));
  // The middlegame half takes back what a negative endgame half borrowed from it.
  const __m128i halves =
      _mm_or_si128(_mm_and_si128(_mm_add_epi32(t, borrow), high), _mm_and_si128(t, low));
  const __m128i sum = _mm_madd_epi16(halves, weights);
  const __m128i rounded = _mm_add_epi32(sum, _mm_and_si128(_mm_srai_epi32(sum, 31), toward_zero));
  return _mm_srai_epi32(rounded, 6);
}
#endif

static void taper(const int* packed, int* out, int n, int phase) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i weights = phase_weights(phase);
  for (; i + 4 <= n; i += 4)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), taper4(packed + i, weights));
#endif
  for (; i < n; i++) out[i] = interpolate(packed[i], phase);
}

// The sum of n packed scores, each blended by the phase as taper blends it.
static int taper_sum(const int* packed, int n, int phase) {
  int i = 0, total = 0;
#if defined(__SSE2__)
  const __m128i weights = phase_weights(phase);
  __m128i sums = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) sums = _mm_add_epi32(sums, taper4(packed + i, weights));
  sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(1, 0, 3, 2)));
  sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(2, 3, 0, 1)));
  total = _mm_cvtsi128_si32(sums);
#endif
  for (; i < n; i++) total += interpolate(packed[i], phase);
  return total;
}

namespace {

// The weights the options hold, each a percentage of its terms, and whether all that scale a term
// stand at their default of 100, as they almost always do (the shelter's weight is carried in its
// scores, see shelter_scores).
struct eval_weights_t {
  int material, structure, passers, mobility, threats, king_attack, shelter;
  bool all_default;
};

eval_weights_t weights_in_force() {
  eval_weights_t w = {OptionUci.MaterialWeight,    OptionUci.PawnStructureWeight,
                      OptionUci.PassedPawnWeight,  OptionUci.MobilityWeight,
                      OptionUci.ThreatWeight,      OptionUci.KingAttackWeight,
                      OptionUci.KingShelterWeight, false};
  w.all_default = w.material == 100 && w.structure == 100 && w.passers == 100 &&
                  w.mobility == 100 && w.threats == 100 && w.king_attack == 100;
  return w;
}

// The weight options stand side by side in the settings record, so that every evaluation can
// tell whether they changed by comparing one block of bytes.
constexpr size_t WEIGHTS_AT = offsetof(option_uci_t, PawnStructureWeight);
constexpr size_t WEIGHTS_SIZE =
    offsetof(option_uci_t, KingShelterWeight) + sizeof(int) - WEIGHTS_AT;
constexpr int WEIGHT_OPTIONS = 7;
static_assert(WEIGHTS_SIZE == WEIGHT_OPTIONS * sizeof(int),
              "the weight options stand side by side");

const char* weight_options() {
  return reinterpret_cast<const char*>(&OptionUci) + WEIGHTS_AT;
}

// The shelter scores at a weight: the base a bare front loses, what the pawn straight ahead gives
// back of it, and what each pawn beside that one adds.
struct shelter_scores_t {
  int base, ahead, beside;
};

shelter_scores_t shelter_scores(int w) {
  const int a = 16 * w / 100, b = w / 25;
  return {make_score(a, b), make_score(a / 2, b / 2), make_score(a / 4, b / 4)};
}

// At the weight in force, worked out whenever the weights change (take_weights).
shelter_scores_t shelter_in_force;

int shelter_of(int sq, int c, const shelter_scores_t& v) {
  const Bitboard front = forward(square_bit(sq), c);
  const Bitboard pawns = myPiece[c][PAWN];
  int s = -v.base;
  if (front & pawns) s = v.ahead - v.base;
  if (eastOne(front) & pawns) s += v.beside;
  if (westOne(front) & pawns) s += v.beside;
  return s;
}

}  // namespace

namespace {

// The pawn terms read nothing but the pawns of both colours, so they are kept per pawn
// configuration. An entry holds its pawns whole: a hit is always the very same pawns, and the
// cache can never change a score. A cleared entry is already right: it stands for a board
// without pawns, whose pawn terms are all zero.
struct pawn_entry_t {
  Bitboard pawns[2];
  int pst[2], structure[2], passed[2];
};

constexpr int PAWN_CACHE_BITS = 12;
pawn_entry_t pawn_cache[1 << PAWN_CACHE_BITS];

int pawn_slot(Bitboard white, Bitboard black) {
  const Bitboard mix = white * 0x9E3779B97F4A7C15ULL ^ black * 0xC2B2AE3D27D4EB4FULL;
  return static_cast<int>(mix >> (64 - PAWN_CACHE_BITS));
}

void pawn_terms(pawn_entry_t& e) {
  for (int c = LIGHT; c <= DARK; c++) {
    e.pst[c] = e.structure[c] = e.passed[c] = 0;
    Bitboard b = myPiece[c][PAWN];
    while (b) {
      const int s = pop_lsb(&b);
      e.pst[c] += pawn_pst[pst_square(s, c)];
      if (is_backward(s, c)) e.structure[c] -= PenaltyBackwardPawn;
      const bool isolated = is_isolated(s, c);
      if (is_doubled(s, c))
        e.structure[c] -= isolated ? PenaltyIsolatedDoubledPawn : PenaltyDoubledPawn;
      else if (isolated)
        e.structure[c] -= PenaltyIsolatedPawn;
      if (is_passed(s, c)) e.passed[c] += passer_pst[pst_square(s, c)];
    }
  }
}

const pawn_entry_t& pawn_structure() {
  const Bitboard white = myPiece[LIGHT][PAWN], black = myPiece[DARK][PAWN];
  pawn_entry_t& e = pawn_cache[pawn_slot(white, black)];
  if (e.pawns[LIGHT] == white && e.pawns[DARK] == black) return e;
  e.pawns[LIGHT] = white;
  e.pawns[DARK] = black;
  pawn_terms(e);
  return e;
}

// What one colour's pieces add up to while the evaluation walks them.
struct piece_sums_t {
  Bitboard attacks[QUEEN + 1];
  int mobility, zone_attackers, zone_weight;
};

// Takes in the attack set a of one piece; mob is its mobility scale, none for a queen.
void add_piece(piece_sums_t& sums, int kind, Bitboard a, Bitboard mobile, Bitboard enemy_zone,
               const int* mob) {
  sums.attacks[kind] |= a;
  const Bitboard zone_hits = a & enemy_zone;
  if (zone_hits) {
    sums.zone_attackers++;
    sums.zone_weight += popCount(zone_hits) * KingAttackWeights[kind];
  }
  if (mob) sums.mobility += mob[popCount(a & mobile)];
}

void piece_terms(int c, Bitboard enemy_zone, Bitboard mobile, piece_sums_t& sums, int& pst) {
  const Bitboard occ = Pos.occupied;
  for (Bitboard b = myPiece[c][KNIGHT]; b;) {
    const int s = pop_lsb(&b);
    pst += knight_pst[pst_square(s, c)];
    add_piece(sums, KNIGHT, gKnightMovesTable[s], mobile, enemy_zone, knight_mob);
  }
  for (Bitboard b = myPiece[c][BISHOP]; b;) {
    const int s = pop_lsb(&b);
    pst += bishop_pst[pst_square(s, c)];
    add_piece(sums, BISHOP, bishopAttacks(occ, s), mobile, enemy_zone, bishop_mob);
  }
  for (Bitboard b = myPiece[c][ROOK]; b;) {
    const int s = pop_lsb(&b);
    add_piece(sums, ROOK, rookAttacks(occ, s), mobile, enemy_zone, rook_mob);
  }
  for (Bitboard b = myPiece[c][QUEEN]; b;) {
    const int s = pop_lsb(&b);
    add_piece(sums, QUEEN, bishopAttacks(occ, s) | rookAttacks(occ, s), mobile, enemy_zone,
              nullptr);
  }
}

// What each enemy piece hit by a cheaper one is worth, by the kind of threat.
static const int THREAT_BY_PAWN = 16, KNIGHT_BY_BISHOP = 8, BISHOP_BY_KNIGHT = 10;
static const int MAJOR_BY_MINOR = 12, MINOR_BY_MAJOR = 4;
// The side to move gains this tempo while its pieces are worth more than TEMPO_MATERIAL.
static const int TEMPO = 5, TEMPO_MATERIAL = 1400;

// Enemy pieces hit by cheaper ones, away from their own king's zone.
int threat_terms(int c, const Bitboard* atk, Bitboard enemy_zone, Bitboard enemy_pawn_attacks) {
  const int e = c ^ 1;
  const Bitboard away = ~enemy_zone;
  const Bitboard unguarded = ~enemy_pawn_attacks;
  const Bitboard knights = myPiece[e][KNIGHT] & away, bishops = myPiece[e][BISHOP] & away;
  const Bitboard rooks = myPiece[e][ROOK] & away, queens = myPiece[e][QUEEN] & away;
  const Bitboard by_pawns = (knights | rooks) & atk[PAWN];
  const Bitboard knights_by_bishops = knights & atk[BISHOP] & unguarded;
  const Bitboard bishops_by_knights = bishops & atk[KNIGHT] & unguarded;
  const Bitboard majors_by_minors = (rooks | queens) & (atk[KNIGHT] | atk[BISHOP]);
  const Bitboard minors_by_majors = (knights | bishops) & (atk[ROOK] | atk[QUEEN]) & unguarded;
  // Most positions have no threat at all: nothing to count.
  if (!(by_pawns | knights_by_bishops | bishops_by_knights | majors_by_minors | minors_by_majors))
    return 0;
  const int v =
      THREAT_BY_PAWN * popCount(by_pawns) + KNIGHT_BY_BISHOP * popCount(knights_by_bishops) +
      BISHOP_BY_KNIGHT * popCount(bishops_by_knights) +
      MAJOR_BY_MINOR * popCount(majors_by_minors) + MINOR_BY_MAJOR * popCount(minors_by_majors);
  return make_score(v, v);
}

// Endings where the extra material rarely wins: what each side loses of its edge.
void drawish_adjust(int adjust[2]) {
  if (wq + bq != 0 || wp + bp != 0) return;
  const int wmin = wn + wb, bmin = bn + bb;
  const int rook_vs_minor =
      -((eg_value(material_value[ROOK]) - eg_value(material_value[KNIGHT])) * 75 / 100);
  const int extra_minor = -eg_value(material_value[KNIGHT]);
  if (wr == 1 && wmin == 0 && br == 0 && bmin == 1)
    adjust[LIGHT] = rook_vs_minor;
  else if (br == 1 && bmin == 0 && wr == 0 && wmin == 1)
    adjust[DARK] = rook_vs_minor;
  else if (wr == 1 && br == 1 && wmin == 1 && bmin == 0)
    adjust[LIGHT] = extra_minor;
  else if (wr == 1 && br == 1 && wmin == 0 && bmin == 1)
    adjust[DARK] = extra_minor;
  else if (wr + br == 0 && wmin == 2 && wb <= 1 && bmin == 1)
    adjust[LIGHT] = extra_minor;
  else if (wr + br == 0 && bmin == 2 && bb <= 1 && wmin == 1)
    adjust[DARK] = extra_minor;
}

// Lone pawn and lone queen endings: the terms that steer them.
void ending_extra(int extra[2]) {
  if (wpc == 0 && bpc == 0 && wp + bp == 1) {
    const int c = wp == 1 ? LIGHT : DARK;
    Bitboard b = myPiece[c][PAWN];
    extra[c] += lone_pawn(pop_lsb(&b), c);
  }
  if (wr + br + wn + wb + bn + bb + wp + bp == 0) {
    if (wq == 1 && bq == 0) extra[LIGHT] += mop_up(wking_loc, bking_loc);
    if (bq == 1 && wq == 0) extra[DARK] += mop_up(bking_loc, wking_loc);
  }
}

// The terms of one side's total. All but the piece squares and the shelter are scaled by a
// weight option; the shelter carries its weight in its scores.
enum term_t {
  MATERIAL,
  SQUARES,
  SHELTER,
  STRUCTURE,
  PASSERS,
  MOBILITY,
  THREATS,
  KING_ATTACK,
  TERMS
};

// Adds each side's terms, tapered by the phase, at their weights to its total; at the default
// weights the terms count as they are, and each side's are summed as they are blended.
void add_weighted(const int (*terms)[TERMS], int phase, const eval_weights_t& w, int total[2]) {
  if (w.all_default) {
    total[LIGHT] += taper_sum(terms[LIGHT], TERMS, phase);
    total[DARK] += taper_sum(terms[DARK], TERMS, phase);
    return;
  }
  const int weight[TERMS] = {w.material, 100,        100,       w.structure,
                             w.passers,  w.mobility, w.threats, w.king_attack};
  int tapered[2][TERMS];
  taper(&terms[0][0], &tapered[0][0], 2 * TERMS, phase);
  for (int i = 0; i < TERMS; i++) {
    total[LIGHT] += scaled(weight[i], tapered[LIGHT][i]);
    total[DARK] += scaled(weight[i], tapered[DARK][i]);
  }
}

// Each side's attack sums start from its pawns' attacks.
void start_sums(piece_sums_t sums[2]) {
  // Set field by field: a block clear of the pair costs more than the stores.
  for (int c = LIGHT; c <= DARK; c++) {
    for (Bitboard& a : sums[c].attacks) a = 0;
    sums[c].mobility = sums[c].zone_weight = 0;
  }
  const Bitboard wpawns = myPiece[LIGHT][PAWN], bpawns = myPiece[DARK][PAWN];
  sums[LIGHT].attacks[PAWN] = noEaOne(wpawns) | noWeOne(wpawns);
  sums[DARK].attacks[PAWN] = soEaOne(bpawns) | soWeOne(bpawns);
}

// The king's neighbourhood plus one more rank on the enemy's side of it. Pawns hitting two of
// its squares count as one attacker, but carry no weight.
void king_zones(Bitboard zone[2], piece_sums_t sums[2]) {
  for (int c = LIGHT; c <= DARK; c++) {
    const int e = c ^ 1;
    const Bitboard b = gKingMovesTable[KingLocation(c)];
    zone[c] = b | (c == DARK ? soutOne(b) : nortOne(b));
    sums[e].zone_attackers = popCount(b & sums[e].attacks[PAWN]) / 2;
  }
}

// The terms of side c that follow from its king and its sums, once every piece is counted.
void king_and_sum_terms(int c, int* t, const pawn_entry_t& pe, const piece_sums_t sums[2],
                        const Bitboard zone[2], const shelter_scores_t& shelter) {
  const int k = KingLocation(c);
  const int r = relative_rank(c, k >> 3);
  t[SQUARES] += make_score(opkingr[r] + KING_RANK_MG_SHIFT, enkingr[r] + KING_RANK_EG_SHIFT);
  t[SHELTER] = shelter_of(k, c, shelter);
  t[STRUCTURE] = pe.structure[c];
  t[PASSERS] = pe.passed[c];
  t[MOBILITY] = sums[c].mobility;
  t[THREATS] = threat_terms(c, sums[c].attacks, zone[c ^ 1], sums[c ^ 1].attacks[PAWN]);
  const int n =
      sums[c].zone_attackers < MOST_ZONE_ATTACKERS ? sums[c].zone_attackers : MOST_ZONE_ATTACKERS;
  const int v = sums[c].zone_weight * KingAttackTable[n] / 100;
  t[KING_ATTACK] = make_score(v, v / 4);
}

}  // namespace

// On x86-64 ELF systems the evaluation is compiled twice, once for processors with a bit-count
// instruction, and the loader picks the copy this processor runs; the default build stays
// portable. Both copies count the same bits. Each copy takes in every helper it calls, so the
// helpers' bit counts become the instruction too. Only GCC's copies link from the static library,
// so a clang build (the fuzz targets) keeps the one copy.
#if defined(__x86_64__) && defined(__ELF__) && !defined(__POPCNT__) && !defined(__clang__)
#define BIT_COUNT_COPIES __attribute__((target_clones("popcnt", "default"), flatten))
#else
#define BIT_COUNT_COPIES
#endif

BIT_COUNT_COPIES static int evaluate(const eval_weights_t& weights) {
  const int phase = phase_sum < OPENING_PHASE ? phase_sum : OPENING_PHASE;

  const pawn_entry_t& pe = pawn_structure();
  int terms[2][TERMS];
  terms[LIGHT][MATERIAL] = material_sum[LIGHT];
  terms[DARK][MATERIAL] = material_sum[DARK];
  piece_sums_t sums[2];
  start_sums(sums);
  Bitboard zone[2];
  king_zones(zone, sums);
  for (int c = LIGHT; c <= DARK; c++) {
    terms[c][SQUARES] = pe.pst[c];
    const Bitboard mobile = ~(sums[c ^ 1].attacks[PAWN] | myPiece[c][PAWN] | myPiece[c][KING]);
    piece_terms(c, zone[c ^ 1], mobile, sums[c], terms[c][SQUARES]);
  }
  // One call a side: the colour is a constant in each copy.
  king_and_sum_terms(LIGHT, terms[LIGHT], pe, sums, zone, shelter_in_force);
  king_and_sum_terms(DARK, terms[DARK], pe, sums, zone, shelter_in_force);

  int adjust[2] = {}, extra[2] = {};
  drawish_adjust(adjust);
  ending_extra(extra);

  int total[2] = {adjust[LIGHT] + extra[LIGHT], adjust[DARK] + extra[DARK]};
  add_weighted(terms, phase, weights, total);

  // Tempo, only while the side to move keeps enough pieces to make use of it.
  const int score = total[side] - total[xside] + (SidePieces(side) > TEMPO_MATERIAL ? TEMPO : 0);
  return std::clamp(score, -EVAL_LIMIT, EVAL_LIMIT);
}

namespace {

// Whole scores by position key. A score is a function of the position, which the key stands for
// with the side to move, and of the weights; so an entry holding the full key gives back the very
// score the evaluation would work out, until the weights change and every entry goes.
struct score_entry_t {
  U64 key;
  int score;
};

constexpr int SCORE_CACHE_BITS = 14;
constexpr U64 SCORE_SLOT_MASK = (1ULL << SCORE_CACHE_BITS) - 1;
score_entry_t score_cache[SCORE_SLOT_MASK + 1];
// The weight options the kept scores were worked out with, as a block; none before the first
// evaluation, so that it takes the weights in force.
int score_cache_options[WEIGHT_OPTIONS] = {-1, -1, -1, -1, -1, -1, -1};
eval_weights_t score_cache_weights;

// New weights: every kept score goes (an emptied slot holds the key of the slot after it, which
// no position looking here has), and the shelter scores are worked out at the new weight.
void take_weights() {
  memcpy(score_cache_options, weight_options(), WEIGHTS_SIZE);
  for (U64 slot = 0; slot <= SCORE_SLOT_MASK; slot++) score_cache[slot].key = slot + 1;
  score_cache_weights = weights_in_force();
  shelter_in_force = shelter_scores(score_cache_weights.shelter);
}

// Whether a weight option changed since the kept scores were worked out. The block is compared as
// four words, the last overlapping the third, which every compiler keeps inline (WebAssembly's
// would call memcmp for it, at more cost than the compare).
bool weights_changed() {
  const char* now = weight_options();
  const char* kept = reinterpret_cast<const char*>(score_cache_options);
  static_assert(WEIGHTS_SIZE > 24 && WEIGHTS_SIZE <= 32, "four words cover the block");
  constexpr size_t WORDS_AT[4] = {0, 8, 16, WEIGHTS_SIZE - 8};
  U64 differ = 0;
  for (size_t at : WORDS_AT) {
    U64 a, b;
    memcpy(&a, now + at, sizeof a);
    memcpy(&b, kept + at, sizeof b);
    differ |= a ^ b;
  }
  return differ != 0;
}

}  // namespace

int eval() {
  if (weights_changed()) take_weights();
  score_entry_t& e = score_cache[hash & SCORE_SLOT_MASK];
  if (e.key == hash) return e.score;
  e.key = hash;
  e.score = evaluate(score_cache_weights);
  return e.score;
}

void prefetch_eval(U64 key) {
  __builtin_prefetch(&score_cache[key & SCORE_SLOT_MASK]);
}
