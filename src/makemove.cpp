// SPDX-License-Identifier: GPL-3.0-or-later
// Playing and retracting moves; every redundant form of the position moves in step.
#include "board.h"
#include "data.h"
#include "hash.h"

static inline void toggle(int c, int kind, int sq) {
  Bitboard b = square_bit(sq);
  myPiece[c][kind] ^= b;
  Pos.bySide[c] ^= b;
  Pos.occupied ^= b;
}

static inline void place(int kind, int c, int sq) {
  piece[sq] = kind;
  color[sq] = c;
  pl_add(c, kind, sq);
  toggle(c, kind, sq);
  if (kind == KING) (c == LIGHT ? wking_loc : bking_loc) = sq;
}

static inline void place_hash(int kind, int c, int sq) {
  place(kind, c, sq);
  hash ^= hash_piece[c][kind][sq];
}

// Takes a piece off without touching the key (take back restores the key as a whole).
static inline void lift(int c, int sq) {
  int kind = piece[sq];
  toggle(c, kind, sq);
  pl_remove(c, kind, sq);
  piece[sq] = color[sq] = EMPTY;
}

// A piece going from one square to another, without the key (take back restores the key as a
// whole); the piece list changes as by a removal and an addition.
static inline void shift(int kind, int c, int from, int to) {
  const Bitboard both = square_bit(from) | square_bit(to);
  myPiece[c][kind] ^= both;
  Pos.bySide[c] ^= both;
  Pos.occupied ^= both;
  pl_move(c, kind, from, to);
  piece[to] = kind;
  color[to] = c;
  piece[from] = color[from] = EMPTY;
  if (kind == KING) (c == LIGHT ? wking_loc : bking_loc) = to;
}

static inline void shift_hash(int kind, int c, int from, int to) {
  shift(kind, c, from, to);
  hash ^= hash_piece[c][kind][from] ^ hash_piece[c][kind][to];
}

// A piece leaves the bitboards, the key and its list; its square on the board is left as it is.
static inline void leave_sets_hash(int kind, int colour, int sq) {
  toggle(colour, kind, sq);
  hash ^= hash_piece[colour][kind][sq];
  pl_remove(colour, kind, sq);
}

static void piece_remove_hash(int kind, int colour, int sq) {
  leave_sets_hash(kind, colour, sq);
  piece[sq] = color[sq] = EMPTY;
}

// The en-passant square is kept only when an enemy pawn stands ready to take.
static void set_ep(int colour, int to) {
  int f = to & 7;
  int enemy = colour ^ 1;
  bool left = f > 0 && piece[to - 1] == PAWN && color[to - 1] == enemy;
  bool right = f < 7 && piece[to + 1] == PAWN && color[to + 1] == enemy;
  if (left || right) ep = colour == LIGHT ? to + 8 : to - 8;
}

struct castle_path_t {
  int rook_from, rook_to;
  int empty[3], n_empty;
  int safe[2];
};

static const castle_path_t* castle_path(int to) {
  static const castle_path_t paths[4] = {{63, 61, {61, 62, -1}, 2, {61, 62}},
                                         {56, 59, {57, 58, 59}, 3, {58, 59}},
                                         {7, 5, {5, 6, -1}, 2, {5, 6}},
                                         {0, 3, {1, 2, 3}, 3, {2, 3}}};
  switch (to) {
    case 62:
      return &paths[0];
    case 58:
      return &paths[1];
    case 6:
      return &paths[2];
    case 2:
      return &paths[3];
  }
  return nullptr;
}

static bool castle_blocked(const castle_path_t* c) {
  if (c == nullptr) return true;
  if (attackBB(side == LIGHT ? wking_loc : bking_loc, xside)) return true;
  for (int i = 0; i < c->n_empty; i++)
    if (color[c->empty[i]] != EMPTY) return true;
  return attackBB(c->safe[0], xside) || attackBB(c->safe[1], xside);
}

// The rook's half of a castling, when the way is free and safe; false when it is not. Castling
// is rare, so it stays out of the line every other move takes.
[[gnu::noinline]] static bool castle_rook(int to) {
  const castle_path_t* c = castle_path(to);
  if (castle_blocked(c)) return false;
  shift_hash(ROOK, side, c->rook_from, c->rook_to);
  return true;
}

// The rights that neither square of the move takes away, and the en-passant square the move
// leaves behind: only a double step beside an enemy pawn leaves one.
static inline void update_rights_and_ep(int from, int to, int bits) {
  int rights = castle & castle_mask[from] & castle_mask[to];
  if (rights != castle) {
    hash ^= hash_castle[castle] ^ hash_castle[rights];
    castle = rights;
  }
  if (ep != -1) {
    hash ^= hash_ep[ep];
    ep = -1;
  }
  if (bits & MF_DOUBLE) {
    set_ep(side, to);
    if (ep != -1) hash ^= hash_ep[ep];
  }
}

// A capture or a pawn move starts the fifty-move count again; anything else adds to it.
static inline void capture_and_count(int bits, int x, int to) {
  if (!(bits & (MF_CAPTURE | MF_PAWN))) {
    fifty++;
    return;
  }
  fifty = 0;
  if (x != EMPTY) {
    // The mover fills the square of the man taken.
    leave_sets_hash(x, xside, to);
    count_piece(xside, x, -1);
  }
}

// The mover lands, promoted or not; a pawn taken en passant leaves the square behind it.
static inline void land(move_bytes m, int p) {
  const int from = m.from, to = m.to, bits = m.bits;
  if (!(bits & MF_PROMOTE)) {
    shift_hash(p, side, from, to);
  } else {
    place_hash(m.promote, side, to);
    piece_remove_hash(PAWN, side, from);
    count_piece(side, PAWN, -1);
    count_piece(side, m.promote, 1);
  }
  if (bits & MF_EP) {
    piece_remove_hash(PAWN, xside, side == LIGHT ? to + 8 : to - 8);
    count_piece(xside, PAWN, -1);
  }
}

// Whether the pieces of colour `by` hit square k along the line through k and `through`, if
// there is one: the only attack a piece leaving `through` can open onto k.
static inline bool line_attack(int k, int through, int by) {
  const Bitboard* mine = myPiece[by];
  const Bitboard b = square_bit(through);
  if (gBishopRays[k] & b) return bishopAttacks(Pos.occupied, k) & (mine[BISHOP] | mine[QUEEN]);
  if (gRookRays[k] & b) return rookAttacks(Pos.occupied, k) & (mine[ROOK] | mine[QUEEN]);
  return false;
}

// Whether the move just made left the mover's own king attacked. Out of check only a king move,
// an en-passant capture (two men leave the same rank) or a piece leaving a line through its own
// king can do that; in check every move is tried in full.
static inline bool own_king_exposed(int kind, int from, int bits, bool was_checked) {
  const int k = xside == LIGHT ? wking_loc : bking_loc;
  if (was_checked || kind == KING || (bits & MF_EP)) return attackBB(k, side);
  return line_attack(k, from, side);
}

// Whether the move just made checks the side now to move. That king was not attacked before
// (the position was legal), so only the man that landed or a line opened behind it can check it;
// castling and en passant move more than one man and are tried in full.
static inline bool gives_check(int kind, int from, int to, int bits) {
  const int k = side == LIGHT ? wking_loc : bking_loc;
  if (bits & (MF_CASTLE | MF_EP)) return attackBB(k, xside);
  const Bitboard king = square_bit(k), occ = Pos.occupied;
  Bitboard hits = 0;
  switch (kind) {
    case PAWN:
      hits = pawnAttacks(to, xside);
      break;
    case KNIGHT:
      hits = gKnightMovesTable[to];
      break;
    case BISHOP:
      if (gBishopRays[to] & king) hits = bishopAttacks(occ, to);
      break;
    case ROOK:
      if (gRookRays[to] & king) hits = rookAttacks(occ, to);
      break;
    case QUEEN:
      if (gBishopRays[to] & king) hits = bishopAttacks(occ, to);
      if (gRookRays[to] & king) hits = rookAttacks(occ, to);
      break;
  }
  return (hits & king) || line_attack(k, from, xside);
}

int legal_unplayed(move_bytes m) {
  if (side_checked || piece[m.from] == KING || (m.bits & MF_EP) || piece[m.to] == KING) return -1;
  const int k = side == LIGHT ? wking_loc : bking_loc;
  const Bitboard from = square_bit(m.from), to = square_bit(m.to);
  // The board as the move leaves it; a piece taken on `to` attacks nothing any more.
  const Bitboard occ = (Pos.occupied ^ from) | to;
  const Bitboard* enemy = myPiece[xside];
  if (gBishopRays[k] & from) return !(bishopAttacks(occ, k) & (enemy[BISHOP] | enemy[QUEEN]) & ~to);
  if (gRookRays[k] & from) return !(rookAttacks(occ, k) & (enemy[ROOK] | enemy[QUEEN]) & ~to);
  return 1;
}

bool makemove(move_bytes m) {
  int from = m.from, to = m.to, bits = m.bits;
  int p = piece[from], x = piece[to];
  // Only a position handed in with the side not to move in check offers a king; it stays.
  if (x == KING) return false;
  hist_rec_t& h = hist_dat[hply];
  h.hash = hash;
  h.m.b = m;
  h.capture = x;
  h.castle = castle;
  h.ep = ep;
  h.fifty = fifty;
  h.checked = side_checked;
  ply++;
  hply++;

  if ((bits & MF_CASTLE) && !castle_rook(to)) {
    ply--;
    hply--;
    return false;
  }
  update_rights_and_ep(from, to, bits);
  capture_and_count(bits, x, to);
  land(m, p);

  side ^= 1;
  xside ^= 1;
  hash ^= hash_side;
  // A move that leaves its own king attacked is taken back.
  if (own_king_exposed(p, from, bits, h.checked)) {
    takeback();
    return false;
  }
  // The position as set up may have the side not to move in check already.
  const int landed = bits & MF_PROMOTE ? m.promote : p;
  side_checked = hply == 1 ? in_check(side) : gives_check(landed, from, to, bits);
  return true;
}

void takeback() {
  xside ^= 1;
  ply--;
  side ^= 1;
  hply--;
  const hist_rec_t& h = hist_dat[hply];
  castle = h.castle;
  ep = h.ep;
  fifty = h.fifty;
  hash = h.hash;
  side_checked = h.checked;
  int from = h.m.b.from, to = h.m.b.to, bits = h.m.b.bits;
  int x = h.capture;

  if (!(bits & MF_PROMOTE)) {
    shift(piece[to], side, to, from);
  } else {
    int promoted = piece[to];
    lift(side, to);
    place(PAWN, side, from);
    count_piece(side, PAWN, 1);
    count_piece(side, promoted, -1);
  }

  if (x != EMPTY) {
    place(x, xside, to);
    count_piece(xside, x, 1);
  }

  if (bits & MF_CASTLE) {
    const castle_path_t* c = castle_path(to);
    shift(ROOK, side, c->rook_to, c->rook_from);
  }

  if (bits & MF_EP) {
    place(PAWN, xside, side == LIGHT ? to + 8 : to - 8);
    count_piece(xside, PAWN, 1);
  }
}
