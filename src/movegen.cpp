// SPDX-License-Identifier: GPL-3.0-or-later
// Move lists: every generated move is appended for the current ply and scored at once, so the
// search only has to pick the highest score.
#include <cstring>

#include "board.h"
#include "data.h"

// The end of the list being generated; the generators open the list of the ply and close it.
static gen_rec_t* list_end;

static inline void open_list() {
  list_end = &gen_dat[first_move[ply]];
}

static inline void close_list() {
  first_move[ply + 1] = static_cast<int>(list_end - gen_dat);
}

static inline gen_rec_t* push_entry(int from, int to, int promote, int bits) {
  gen_rec_t* g = list_end++;
  // The move is written as one 32-bit value (from in the lowest byte): the killer test reads it
  // back whole right away, which byte-wise writes would stall.
  g->m.u = (int32_t)((uint32_t)from | (uint32_t)to << 8 | (uint32_t)promote << 16 |
                     (uint32_t)bits << 24);
  g->score = 0;
  return g;
}

// What a capture wins, at least, as far as its sign: the exchange is worked out only when a
// bigger piece takes a smaller one, as one worth at least its taker can lose nothing (the taker
// is the most the other side can win back).
static inline int exchange(int from, int to) {
  const int d = seeValues[piece[to]] - seeValues[piece[from]];
  return d < 0 ? see(from, to) : d;
}

// Victim first, then attacker, in the band of what the exchange wins.
static inline int banded_score(int wins, int v, int a) {
  if (wins > 0) return ORDER_WINNING_CAPTURE + piece_value[v] - piece_value[a];
  if (wins == 0) return ORDER_EVEN_CAPTURE + piece_value[v] - a;
  return ORDER_LOSING_CAPTURE + piece_value[v] - piece_value[a];
}

// Most listed captures are never searched, as an earlier move refutes the node. So a bigger
// piece taking a smaller one is listed in the winning band, the best its exchange could give,
// and the exchange is worked out only when the move would lead the pick (settle_score).
static inline int capture_score(int from, int to) {
  const int v = piece[to], a = piece[from];
  const int d = seeValues[v] - seeValues[a];
  return banded_score(d < 0 ? 1 : d, v, a);
}

int settle_score(gen_rec_t& g) {
  const int bits = g.m.b.bits, from = g.m.b.from, to = g.m.b.to;
  if (!(bits & MF_CAPTURE) || (bits & (MF_EP | MF_PROMOTE))) return g.score;
  const int v = piece[to], a = piece[from];
  if (seeValues[v] < seeValues[a] && g.score == banded_score(1, v, a))
    g.score = banded_score(see(from, to), v, a);
  return g.score;
}

// A capture scored below the even band lost its exchange. The principal-variation move has lost
// its score and is worked out again.
bool capture_loses(const gen_rec_t& g) {
  if (g.score != ORDER_PV_MOVE) return g.score < ORDER_EVEN_CAPTURE;
  return exchange(g.m.b.from, g.m.b.to) < 0;
}

// The quiet moves that refuted a node, by ply: the last two, and the last that scored a mate.
static gen_rec_t killer1[MAX_PLY], killer2[MAX_PLY], mkiller1[MAX_PLY];

void clear_killers() {
  memset(killer1, 0, sizeof killer1);
  memset(killer2, 0, sizeof killer2);
  memset(mkiller1, 0, sizeof mkiller1);
}

// Captures, castling and promotions never become killers.
void remember_killer(move m, bool mates) {
  if (m.b.bits & (MF_CAPTURE | MF_CASTLE | MF_PROMOTE)) return;
  if (killer1[ply].m.u != m.u) {
    killer2[ply] = killer1[ply];
    killer1[ply].m = m;
  }
  if (mates) mkiller1[ply].m = m;
}

// Read once per list of a node: its killers (this ply's, then those of two plies up, none for
// the root and its children) and, by the kind of piece moving, the squares where a quiet move
// loses points for danger.
static int32_t node_killers[6];
static Bitboard danger[KING + 1];

// The squares the killers go to: a move to any other square is none of them.
static Bitboard killer_targets;

static inline int move_target(int32_t m) {
  return (m >> 8) & 63;
}

// The plies at which a quiet move onto a covered square is put back.
constexpr int SHALLOW_PLY = 6;

// A piece other than a pawn is in danger where an enemy pawn covers it; a rook, queen or king
// also where an enemy knight or bishop does. Deeper than the shallow plies nothing is.
static void set_danger() {
  if (ply > SHALLOW_PLY) {
    for (Bitboard& d : danger) d = 0;
    return;
  }
  // Attacks are symmetric: a piece on `to` would hit the enemy piece that covers it.
  const int enemy = side ^ 1;
  const Bitboard pawns = myPiece[enemy][PAWN];
  const Bitboard pawn_covered =
      enemy == LIGHT ? noEaOne(pawns) | noWeOne(pawns) : soEaOne(pawns) | soWeOne(pawns);
  Bitboard minor_covered = 0;
  for (Bitboard b = myPiece[enemy][KNIGHT]; b;) minor_covered |= gKnightMovesTable[pop_lsb(&b)];
  for (Bitboard b = myPiece[enemy][BISHOP]; b;)
    minor_covered |= bishopAttacks(Pos.occupied, pop_lsb(&b));
  danger[PAWN] = 0;
  danger[KNIGHT] = danger[BISHOP] = pawn_covered;
  danger[ROOK] = danger[QUEEN] = danger[KING] = pawn_covered | minor_covered;
}

static void prepare_scores() {
  const bool up = ply >= 2;
  node_killers[0] = mkiller1[ply].m.u;
  node_killers[1] = up ? mkiller1[ply - 2].m.u : 0;
  node_killers[2] = killer1[ply].m.u;
  node_killers[3] = up ? killer1[ply - 2].m.u : 0;
  node_killers[4] = killer2[ply].m.u;
  node_killers[5] = up ? killer2[ply - 2].m.u : 0;
  killer_targets = 0;
  for (int32_t k : node_killers) killer_targets |= 1ULL << move_target(k);
  set_danger();
}

// 0 when the move is no killer (no move is 0, so an empty killer never matches).
static inline int killer_score(int32_t m, bool* penalise) {
  *penalise = true;
  if (!((killer_targets >> move_target(m)) & 1)) return 0;
  if (m == node_killers[0]) return *penalise = false, ORDER_MATE_KILLER;
  if (m == node_killers[1]) return ORDER_MATE_KILLER_UP;
  if (m == node_killers[2]) return *penalise = false, ORDER_KILLER1;
  if (m == node_killers[3]) return ORDER_KILLER1_UP;
  if (m == node_killers[4]) return ORDER_KILLER2;
  if (m == node_killers[5]) return ORDER_KILLER2_UP;
  return 0;
}

// in_danger: the danger squares of the kind moving.
static inline void score_quiet(gen_rec_t* g, Bitboard in_danger, int to, int bits) {
  bool penalise;
  int s = killer_score(g->m.u, &penalise);
  if (s == 0 && (bits & MF_CASTLE)) {
    g->score = ORDER_CASTLE;
    return;
  }
  if (penalise && (in_danger & (square_bit(to)))) s -= ORDER_DANGER_PENALTY;
  g->score = s;
}

// The quiescence search lists only the knight and the queen of the four promotions.
static void gen_promote(int from, int to, int bits, bool quiescence) {
  bits |= MF_PROMOTE;
  push_entry(from, to, KNIGHT, bits)->score = ORDER_KNIGHT_PROMOTION;
  if (!quiescence) {
    push_entry(from, to, BISHOP, bits)->score = ORDER_BISHOP_PROMOTION;
    push_entry(from, to, ROOK, bits)->score = ORDER_ROOK_PROMOTION;
  }
  push_entry(from, to, QUEEN, bits)->score = ORDER_QUEEN_PROMOTION;
}

static inline bool last_rank(int to) {
  return side == LIGHT ? to < 8 : to > 55;
}

// A move with its score; in the quiescence lists a quiet move (a pawn's step to the last rank
// is a promotion) scores nothing.
template <bool QUIESCENCE>
static void gen_push(int from, int to, int bits) {
  if ((bits & MF_PAWN) && last_rank(to)) {
    gen_promote(from, to, bits, QUIESCENCE);
    return;
  }
  gen_rec_t* g = push_entry(from, to, EMPTY, bits);
  if (color[to] != EMPTY)
    g->score = capture_score(from, to);
  else if (bits & MF_EP)
    g->score = ORDER_EVEN_CAPTURE;
  else if (!QUIESCENCE)
    score_quiet(g, danger[piece[from]], to, bits);
}

// Piece moves: no promotion and no en passant to look at.
static inline void push_quiet(int from, int to, Bitboard in_danger) {
  score_quiet(push_entry(from, to, EMPTY, 0), in_danger, to, 0);
}

static void push_block(int from, int to) {
  push_quiet(from, to, danger[piece[from]]);
}

static inline void push_capture(int from, int to) {
  push_entry(from, to, EMPTY, MF_CAPTURE)->score = capture_score(from, to);
}

// A king never takes a defended piece here: such captures are not listed at all.
static void gen_push_king_evade(int from, int to, int bits) {
  gen_rec_t* g = push_entry(from, to, EMPTY, bits);
  if (color[to] != EMPTY) {
    if (see(from, to) <= 0) {
      list_end--;
      return;
    }
    g->score = ORDER_WINNING_CAPTURE + piece_value[piece[to]] - piece_value[KING];
    return;
  }
  bool penalise;
  g->score = killer_score(g->m.u, &penalise);
}

// The squares each kind meets from each square, direction by direction in the order of its
// offsets, ended by -1: one step for knights and kings, the whole line for sliders.
constexpr int RAY_END = -1;
static int8_t rays[KING + 1][64][8][8];

void init_move_rays() {
  for (int kind = KNIGHT; kind <= KING; kind++)
    for (int sq = 0; sq < 64; sq++)
      for (int k = 0; k < offsets[kind]; k++) {
        int8_t* r = rays[kind][sq][k];
        int n = 0;
        const int dir = offset[kind][k];
        for (int t = mailbox[mailbox64[sq] + dir]; t != -1; t = mailbox[mailbox64[t] + dir]) {
          r[n++] = static_cast<int8_t>(t);
          if (!slide[kind]) break;
        }
        r[n] = RAY_END;
      }
}

// The kings never stand next to each other.
static inline bool near_enemy_king(int t) {
  int k = side == LIGHT ? bking_loc : wking_loc;
  int df = (t & 7) - (k & 7), dr = (t >> 3) - (k >> 3);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

static inline bool own(int sq, int kind) {
  return piece[sq] == kind && color[sq] == side;
}

// Captures first, then the step ahead and the double step; the quiescence lists step only onto
// the last rank.
template <bool QUIESCENCE>
static void gen_pawns() {
  const int* list = pl[side * 6 + PAWN];
  int n = plc[side * 6 + PAWN];
  for (int j = 0; j < n; j++) {
    int s = list[j], f = s & 7;
    if (side == LIGHT) {
      if (f > 0 && color[s - 9] == DARK) gen_push<QUIESCENCE>(s, s - 9, MF_PAWN | MF_CAPTURE);
      if (f < 7 && color[s - 7] == DARK) gen_push<QUIESCENCE>(s, s - 7, MF_PAWN | MF_CAPTURE);
      if ((!QUIESCENCE || s < 16) && color[s - 8] == EMPTY) {
        gen_push<QUIESCENCE>(s, s - 8, MF_PAWN);
        if (!QUIESCENCE && s >= 48 && color[s - 16] == EMPTY)
          gen_push<false>(s, s - 16, MF_PAWN | MF_DOUBLE);
      }
    } else {
      if (f > 0 && color[s + 7] == LIGHT) gen_push<QUIESCENCE>(s, s + 7, MF_PAWN | MF_CAPTURE);
      if (f < 7 && color[s + 9] == LIGHT) gen_push<QUIESCENCE>(s, s + 9, MF_PAWN | MF_CAPTURE);
      if ((!QUIESCENCE || s >= 48) && color[s + 8] == EMPTY) {
        gen_push<QUIESCENCE>(s, s + 8, MF_PAWN);
        if (!QUIESCENCE && s <= 15 && color[s + 16] == EMPTY)
          gen_push<false>(s, s + 16, MF_PAWN | MF_DOUBLE);
      }
    }
  }
}

static void gen_en_passant(void (*push)(int, int, int)) {
  if (ep == -1) return;
  const int bits = MF_PAWN | MF_EP | MF_CAPTURE;
  int f = ep & 7;
  if (side == LIGHT) {
    if (f > 0 && own(ep + 7, PAWN)) push(ep + 7, ep, bits);
    if (f < 7 && own(ep + 9, PAWN)) push(ep + 9, ep, bits);
  } else {
    if (f > 0 && own(ep - 9, PAWN)) push(ep - 9, ep, bits);
    if (f < 7 && own(ep - 7, PAWN)) push(ep - 7, ep, bits);
  }
}

// Each kind's generator is compiled for that kind, its direction count and tables fixed.
template <int KIND>
static void gen_steps() {
  const int* list = pl[side * 6 + KIND];
  int n = plc[side * 6 + KIND];
  const Bitboard in_danger = danger[KIND];
  for (int j = 0; j < n; j++) {
    int s = list[j];
    for (int k = 0; k < offsets[KIND]; k++) {
      int t = rays[KIND][s][k][0];
      if (t == RAY_END) continue;
      if (KIND == KING && near_enemy_king(t)) continue;
      if (color[t] == EMPTY)
        push_quiet(s, t, in_danger);
      else if (color[t] == xside)
        push_capture(s, t);
    }
  }
}

template <int KIND>
static void gen_slides() {
  const int* list = pl[side * 6 + KIND];
  int n = plc[side * 6 + KIND];
  const Bitboard in_danger = danger[KIND];
  for (int j = 0; j < n; j++) {
    int s = list[j];
    for (int k = 0; k < offsets[KIND]; k++) {
      for (const int8_t* r = rays[KIND][s][k]; *r != RAY_END; r++) {
        const int t = *r;
        if (color[t] == EMPTY) {
          push_quiet(s, t, in_danger);
          continue;
        }
        if (color[t] == xside) push_capture(s, t);
        break;
      }
    }
  }
}

static void gen_castles() {
  if (side == LIGHT) {
    if ((castle & 1) && color[61] == EMPTY && color[62] == EMPTY && !near_enemy_king(62))
      gen_push<false>(60, 62, MF_CASTLE);
    if ((castle & 2) && color[59] == EMPTY && color[58] == EMPTY && color[57] == EMPTY &&
        !near_enemy_king(58))
      gen_push<false>(60, 58, MF_CASTLE);
  } else {
    if ((castle & 4) && color[5] == EMPTY && color[6] == EMPTY && !near_enemy_king(6))
      gen_push<false>(4, 6, MF_CASTLE);
    if ((castle & 8) && color[3] == EMPTY && color[2] == EMPTY && color[1] == EMPTY &&
        !near_enemy_king(2))
      gen_push<false>(4, 2, MF_CASTLE);
  }
}

void gen() {
  open_list();
  prepare_scores();
  gen_pawns<false>();
  gen_en_passant(gen_push<false>);
  gen_steps<KNIGHT>();
  gen_slides<BISHOP>();
  gen_slides<ROOK>();
  gen_slides<QUEEN>();
  gen_steps<KING>();
  gen_castles();
  close_list();
}

static inline void push_targets(int from, Bitboard targets) {
  while (targets) push_capture(from, pop_lsb(&targets));
}

void gen_caps() {
  open_list();
  Bitboard enemy = Pos.bySide[xside], occ = Pos.occupied;
  gen_pawns<true>();
  gen_en_passant(gen_push<true>);
  const int base = side * 6;
  for (int j = 0; j < plc[base + KNIGHT]; j++) {
    int s = pl[base + KNIGHT][j];
    push_targets(s, gKnightMovesTable[s] & enemy);
  }
  for (int j = 0; j < plc[base + BISHOP]; j++) {
    int s = pl[base + BISHOP][j];
    push_targets(s, bishopAttacks(occ, s) & enemy);
  }
  for (int j = 0; j < plc[base + ROOK]; j++) {
    int s = pl[base + ROOK][j];
    push_targets(s, rookAttacks(occ, s) & enemy);
  }
  for (int j = 0; j < plc[base + QUEEN]; j++) {
    int s = pl[base + QUEEN][j];
    push_targets(s, (bishopAttacks(occ, s) | rookAttacks(occ, s)) & enemy);
  }
  int k = side == LIGHT ? wking_loc : bking_loc;
  for (int d = 0; d < 8; d++) {
    int t = rays[KING][k][d][0];
    if (t != RAY_END && color[t] == xside && !near_enemy_king(t)) push_capture(k, t);
  }
  close_list();
}

static void gen_all_king() {
  int k = side == LIGHT ? wking_loc : bking_loc;
  for (int d = 0; d < 8; d++) {
    int t = rays[KING][k][d][0];
    if (t == RAY_END || near_enemy_king(t)) continue;
    if (color[t] == EMPTY)
      gen_push_king_evade(k, t, 0);
    else if (color[t] == xside)
      gen_push_king_evade(k, t, MF_CAPTURE);
  }
}

static void gen_king() {
  open_list();
  prepare_scores();
  gen_all_king();
  close_list();
}

// The first piece met along a ray, or RAY_END at the edge.
static inline int first_piece(const int8_t* r) {
  while (*r != RAY_END && color[*r] == EMPTY) r++;
  return *r;
}

// Own pieces that can reach sq (other than the king and pawns), each through push.
static void pieces_to(int sq, void (*push)(int, int)) {
  for (int k = 0; k < 8; k++) {
    int s = rays[KNIGHT][sq][k][0];
    if (s != RAY_END && own(s, KNIGHT)) push(s, sq);
  }
  for (int k = 0; k < 4; k++) {
    int s = first_piece(rays[BISHOP][sq][k]);
    if (s != RAY_END && (own(s, BISHOP) || own(s, QUEEN))) push(s, sq);
  }
  for (int k = 0; k < 4; k++) {
    int s = first_piece(rays[ROOK][sq][k]);
    if (s != RAY_END && (own(s, ROOK) || own(s, QUEEN))) push(s, sq);
  }
}

static void gen_evade() {
  open_list();
  prepare_scores();
  gen_all_king();
  int c = gchecker1, k = side == LIGHT ? wking_loc : bking_loc;
  int kind = piece[c];

  // Blocks on the line between a sliding checker and the king, in rising square order.
  int df = (c & 7) - (k & 7), dr = (c >> 3) - (k >> 3);
  if (df < 0) df = -df;
  if (dr < 0) dr = -dr;
  int d = df > dr ? df : dr;
  if ((kind == BISHOP || kind == ROOK || kind == QUEEN) && d >= 2) {
    int lo = c < k ? c : k, hi = c < k ? k : c;
    int stride = (hi - lo) / d;
    for (int t = lo + stride; t < hi; t += stride) {
      int row = t >> 3;
      if (side == LIGHT) {
        if (row < 6 && own(t + 8, PAWN))
          gen_push<false>(t + 8, t, MF_PAWN);
        else if (row == 4 && color[t + 8] == EMPTY && own(t + 16, PAWN))
          gen_push<false>(t + 16, t, MF_PAWN | MF_DOUBLE);
      } else {
        if (row > 1 && own(t - 8, PAWN))
          gen_push<false>(t - 8, t, MF_PAWN);
        else if (row == 3 && color[t - 8] == EMPTY && own(t - 16, PAWN))
          gen_push<false>(t - 16, t, MF_PAWN | MF_DOUBLE);
      }
      pieces_to(t, push_block);
    }
  }

  // Captures of the checker.
  int row = c >> 3, f = c & 7;
  const int bits = MF_PAWN | MF_CAPTURE;
  if (side == LIGHT) {
    if (row <= 5) {
      if (f > 0 && own(c + 7, PAWN)) gen_push<false>(c + 7, c, bits);
      if (f < 7 && own(c + 9, PAWN)) gen_push<false>(c + 9, c, bits);
    }
  } else if (row >= 2) {
    if (f < 7 && own(c - 7, PAWN)) gen_push<false>(c - 7, c, bits);
    if (f > 0 && own(c - 9, PAWN)) gen_push<false>(c - 9, c, bits);
  }
  gen_en_passant(gen_push<false>);
  pieces_to(c, push_capture);
  close_list();
}

void gen_node(bool in_check) {
  if (!in_check) {
    gen();
    return;
  }
  get_checker(side);
  if (gchecker2 == -1)
    gen_evade();
  else
    gen_king();
}

int legal_moves(move* out, int max) {
  ply = 0;
  gen();
  int n = 0;
  for (int i = first_move[0]; i < first_move[1] && n < max; i++) {
    if (!makemove(gen_dat[i].m.b)) continue;
    takeback();
    out[n++] = gen_dat[i].m;
  }
  return n;
}
