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

// A move as one 32-bit value, from in the lowest byte.
static inline int32_t packed_move(int from, int to, int promote, int bits) {
  return (int32_t)((uint32_t)from | (uint32_t)to << 8 | (uint32_t)promote << 16 |
                   (uint32_t)bits << 24);
}

static inline gen_rec_t* push_entry(int from, int to, int promote, int bits) {
  gen_rec_t* g = list_end++;
  // The move is written whole: the killer test reads it back right away, which byte-wise writes
  // would stall.
  g->m.u = packed_move(from, to, promote, bits);
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
// and the exchange is worked out only when the move would lead the pick (settle_score). Until
// then it scores one above that, which no exchange of the same two men settles to, so a capture
// that does win is not worked out again.
static inline int unsettled_score(int v, int a) {
  return banded_score(1, v, a) + 1;
}

static inline int capture_score(int from, int to) {
  const int v = piece[to], a = piece[from];
  const int d = seeValues[v] - seeValues[a];
  return d < 0 ? unsettled_score(v, a) : banded_score(d, v, a);
}

int settle_score(gen_rec_t& g) {
  const int bits = g.m.b.bits, from = g.m.b.from, to = g.m.b.to;
  if (!(bits & MF_CAPTURE) || (bits & (MF_EP | MF_PROMOTE))) return g.score;
  const int v = piece[to], a = piece[from];
  if (seeValues[v] < seeValues[a] && g.score == unsettled_score(v, a))
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

// What a list holds: every move (gen), the captures and the knight and queen promotions
// (gen_caps), or the priority moves (gen_priority).
enum list_kind { LIST_ALL, LIST_CAPTURES, LIST_PRIORITY };

// The priority moves of a node are every move but a quiet one that scores nothing beyond the
// danger penalty: captures, promotions, castling, the node's killers and the principal move, which
// a priority list also takes in when the position offers it.
static int32_t principal_move;
// The squares where a killer or the principal move lands, one bit per board square as in
// killer_targets; a quiet move to any other square is no priority move.
static Bitboard priority_squares;

static inline bool priority_quiet(int from, int to, int bits) {
  if (!((priority_squares >> to) & 1)) return false;
  const int32_t m = packed_move(from, to, EMPTY, bits);
  if (m == principal_move) return true;
  for (int32_t k : node_killers)
    if (m == k) return true;
  return false;
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
// is a promotion) scores nothing, and a priority list leaves out a quiet move that is no priority
// move.
template <list_kind LIST>
static void gen_push(int from, int to, int bits) {
  if ((bits & MF_PAWN) && last_rank(to)) {
    gen_promote(from, to, bits, LIST == LIST_CAPTURES);
    return;
  }
  if (LIST == LIST_PRIORITY && color[to] == EMPTY && !(bits & MF_EP) &&
      !priority_quiet(from, to, bits))
    return;
  gen_rec_t* g = push_entry(from, to, EMPTY, bits);
  if (color[to] != EMPTY)
    g->score = capture_score(from, to);
  else if (bits & MF_EP)
    g->score = ORDER_EVEN_CAPTURE;
  else if (LIST != LIST_CAPTURES)
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

// The piece lists of the side to move, kind by kind, in the order a generator walks them: the
// board's own, or the order a priority list was generated in (see gen_rest).
struct piece_walk_t {
  const int (*squares)[16];
  const int* count;
};

static inline piece_walk_t board_walk() {
  return {&pl[side * 6], &plc[side * 6]};
}

// The order of the pieces when a ply's priority list was generated. Every move played and taken
// back puts its piece last in its list, so the rest of the list, generated after some moves are
// searched, walks the pieces in the order the priority list saw.
struct piece_order_t {
  int squares[KING + 1][16];
  int count[KING + 1];
};
static piece_order_t priority_order[MAX_PLY];

// The kings never stand next to each other.
static inline bool near_enemy_king(int t) {
  int k = side == LIGHT ? bking_loc : wking_loc;
  int df = (t & 7) - (k & 7), dr = (t >> 3) - (k >> 3);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

static inline bool own(int sq, int kind) {
  return piece[sq] == kind && color[sq] == side;
}

// The squares of the pawns a priority list looks at: those that can take, those one step from
// promotion, and those whose step or double step may land on a priority square.
static Bitboard priority_pawns;
constexpr Bitboard RANK_2 = 0xFF00ULL, RANK_7 = 0xFF000000000000ULL;

static Bitboard pawns_of_interest(int c, Bitboard enemy, Bitboard priority) {
  if (c == LIGHT)
    return soEaOne(enemy) | soWeOne(enemy) | RANK_7 | soutOne(priority) |
           soutOne(soutOne(priority));
  return noEaOne(enemy) | noWeOne(enemy) | RANK_2 | nortOne(priority) | nortOne(nortOne(priority));
}

// Captures first, then the step ahead and the double step; the quiescence lists step only onto
// the last rank.
template <list_kind LIST>
static void gen_pawns(const piece_walk_t& walk) {
  constexpr bool QUIESCENCE = LIST == LIST_CAPTURES;
  const int* list = walk.squares[PAWN];
  int n = walk.count[PAWN];
  if (LIST == LIST_PRIORITY && !priority_pawns) return;
  for (int j = 0; j < n; j++) {
    int s = list[j], f = s & 7;
    if (LIST == LIST_PRIORITY && !(priority_pawns & square_bit(s))) continue;
    if (side == LIGHT) {
      if (f > 0 && color[s - 9] == DARK) gen_push<LIST>(s, s - 9, MF_PAWN | MF_CAPTURE);
      if (f < 7 && color[s - 7] == DARK) gen_push<LIST>(s, s - 7, MF_PAWN | MF_CAPTURE);
      if ((!QUIESCENCE || s < 16) && color[s - 8] == EMPTY) {
        gen_push<LIST>(s, s - 8, MF_PAWN);
        if (!QUIESCENCE && s >= 48 && color[s - 16] == EMPTY)
          gen_push<LIST>(s, s - 16, MF_PAWN | MF_DOUBLE);
      }
    } else {
      if (f > 0 && color[s + 7] == LIGHT) gen_push<LIST>(s, s + 7, MF_PAWN | MF_CAPTURE);
      if (f < 7 && color[s + 9] == LIGHT) gen_push<LIST>(s, s + 9, MF_PAWN | MF_CAPTURE);
      if ((!QUIESCENCE || s >= 48) && color[s + 8] == EMPTY) {
        gen_push<LIST>(s, s + 8, MF_PAWN);
        if (!QUIESCENCE && s <= 15 && color[s + 16] == EMPTY)
          gen_push<LIST>(s, s + 16, MF_PAWN | MF_DOUBLE);
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

// The squares a piece of the kind reaches from sq.
template <int KIND>
static inline Bitboard reach(int sq) {
  const Bitboard occ = Pos.occupied;
  if (KIND == KNIGHT) return gKnightMovesTable[sq];
  if (KIND == BISHOP) return bishopAttacks(occ, sq);
  if (KIND == ROOK) return rookAttacks(occ, sq);
  if (KIND == QUEEN) return bishopAttacks(occ, sq) | rookAttacks(occ, sq);
  return gKingMovesTable[sq];
}

// What a priority list looks for, as bitboard bits: enemy men to take and the empty priority
// squares.
static Bitboard priority_reach;

template <list_kind LIST>
static inline void push_quiet_listed(int from, int to, Bitboard in_danger) {
  if (LIST != LIST_PRIORITY || priority_quiet(from, to, 0)) push_quiet(from, to, in_danger);
}

// Whether a priority list is done with the piece on sq: it reaches nothing the list looks for, or
// one target, listed at once. With more, its lines are walked as gen walks them, in gen's order.
template <int KIND, list_kind LIST>
static inline bool priority_done(int sq) {
  if (LIST != LIST_PRIORITY) return false;
  Bitboard targets = reach<KIND>(sq) & priority_reach;
  if (targets & (targets - 1)) return false;
  if (!targets) return true;
  const int t = pop_lsb(&targets);
  if (KIND == KING && near_enemy_king(t)) return true;
  if (color[t] == EMPTY)
    push_quiet_listed<LIST>(sq, t, danger[KIND]);
  else
    push_capture(sq, t);
  return true;
}

// Each kind's generator is compiled for that kind, its direction count and tables fixed.
template <int KIND, list_kind LIST>
static void gen_steps(const piece_walk_t& walk) {
  const int* list = walk.squares[KIND];
  int n = walk.count[KIND];
  const Bitboard in_danger = danger[KIND];
  for (int j = 0; j < n; j++) {
    int s = list[j];
    if (priority_done<KIND, LIST>(s)) continue;
    for (int k = 0; k < offsets[KIND]; k++) {
      int t = rays[KIND][s][k][0];
      if (t == RAY_END) continue;
      if (KIND == KING && near_enemy_king(t)) continue;
      if (color[t] == EMPTY)
        push_quiet_listed<LIST>(s, t, in_danger);
      else if (color[t] == xside)
        push_capture(s, t);
    }
  }
}

template <int KIND, list_kind LIST>
static void gen_slides(const piece_walk_t& walk) {
  const int* list = walk.squares[KIND];
  int n = walk.count[KIND];
  const Bitboard in_danger = danger[KIND];
  for (int j = 0; j < n; j++) {
    int s = list[j];
    if (priority_done<KIND, LIST>(s)) continue;
    for (int k = 0; k < offsets[KIND]; k++) {
      for (const int8_t* r = rays[KIND][s][k]; *r != RAY_END; r++) {
        const int t = *r;
        if (color[t] == EMPTY) {
          push_quiet_listed<LIST>(s, t, in_danger);
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
      gen_push<LIST_ALL>(60, 62, MF_CASTLE);
    if ((castle & 2) && color[59] == EMPTY && color[58] == EMPTY && color[57] == EMPTY &&
        !near_enemy_king(58))
      gen_push<LIST_ALL>(60, 58, MF_CASTLE);
  } else {
    if ((castle & 4) && color[5] == EMPTY && color[6] == EMPTY && !near_enemy_king(6))
      gen_push<LIST_ALL>(4, 6, MF_CASTLE);
    if ((castle & 8) && color[3] == EMPTY && color[2] == EMPTY && color[1] == EMPTY &&
        !near_enemy_king(2))
      gen_push<LIST_ALL>(4, 2, MF_CASTLE);
  }
}

// Board squares count from a8 and bitboard bits from a1, so a set of board squares read as a
// bitboard has its ranks in reverse order: reversing its bytes puts them right.
static void aim_priority() {
  priority_squares = killer_targets | 1ULL << move_target(principal_move);
  const Bitboard priority = __builtin_bswap64(priority_squares) & ~Pos.occupied;
  const Bitboard enemy = Pos.bySide[xside];
  priority_reach = enemy | priority;
  priority_pawns = myPiece[side][PAWN] & pawns_of_interest(side, enemy, priority);
}

// The generators in gen's order, walking the pieces in the order given. Castling is always a
// priority move, so every list takes it as gen does.
template <list_kind LIST>
static void gen_list(const piece_walk_t& walk) {
  open_list();
  prepare_scores();
  if (LIST == LIST_PRIORITY) aim_priority();
  gen_pawns<LIST>(walk);
  gen_en_passant(gen_push<LIST>);
  gen_steps<KNIGHT, LIST>(walk);
  gen_slides<BISHOP, LIST>(walk);
  gen_slides<ROOK, LIST>(walk);
  gen_slides<QUEEN, LIST>(walk);
  gen_steps<KING, LIST>(walk);
  gen_castles();
  close_list();
}

void gen() {
  gen_list<LIST_ALL>(board_walk());
}

void gen_priority(int32_t principal) {
  principal_move = principal;
  // List by list: a copy of all six at once becomes a slow string instruction.
  piece_order_t& order = priority_order[ply];
  for (int kind = PAWN; kind <= KING; kind++) {
    order.count[kind] = plc[side * 6 + kind];
    memcpy(order.squares[kind], pl[side * 6 + kind], sizeof order.squares[kind]);
  }
  gen_list<LIST_PRIORITY>(board_walk());
}

void gen_rest() {
  const piece_order_t& order = priority_order[ply];
  gen_list<LIST_ALL>({order.squares, order.count});
}

static inline void push_targets(int from, Bitboard targets) {
  while (targets) push_capture(from, pop_lsb(&targets));
}

void gen_caps() {
  open_list();
  Bitboard enemy = Pos.bySide[xside], occ = Pos.occupied;
  gen_pawns<LIST_CAPTURES>(board_walk());
  gen_en_passant(gen_push<LIST_CAPTURES>);
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
          gen_push<LIST_ALL>(t + 8, t, MF_PAWN);
        else if (row == 4 && color[t + 8] == EMPTY && own(t + 16, PAWN))
          gen_push<LIST_ALL>(t + 16, t, MF_PAWN | MF_DOUBLE);
      } else {
        if (row > 1 && own(t - 8, PAWN))
          gen_push<LIST_ALL>(t - 8, t, MF_PAWN);
        else if (row == 3 && color[t - 8] == EMPTY && own(t - 16, PAWN))
          gen_push<LIST_ALL>(t - 16, t, MF_PAWN | MF_DOUBLE);
      }
      pieces_to(t, push_block);
    }
  }

  // Captures of the checker.
  int row = c >> 3, f = c & 7;
  const int bits = MF_PAWN | MF_CAPTURE;
  if (side == LIGHT) {
    if (row <= 5) {
      if (f > 0 && own(c + 7, PAWN)) gen_push<LIST_ALL>(c + 7, c, bits);
      if (f < 7 && own(c + 9, PAWN)) gen_push<LIST_ALL>(c + 9, c, bits);
    }
  } else if (row >= 2) {
    if (f < 7 && own(c - 7, PAWN)) gen_push<LIST_ALL>(c - 7, c, bits);
    if (f > 0 && own(c - 9, PAWN)) gen_push<LIST_ALL>(c - 9, c, bits);
  }
  gen_en_passant(gen_push<LIST_ALL>);
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
