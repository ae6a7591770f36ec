// SPDX-License-Identifier: GPL-3.0-or-later
// Who attacks a square, from the bitboards alone. Kings never count as attackers here except in
// AttacksTo: the king-move generators keep the kings apart, so a king can never give check.
#include "board.h"

int gchecker1 = -1, gchecker2 = -1;

// Sliders are blocked by pieces of either colour; nothing is seen through a piece. The pawns of
// `side` that attack sq stand where a pawn of the other colour on sq would attack.
// A slider off every line through sq cannot reach it, and the lines are looked up only when one
// stands on them.
bool attackBB(int sq, int side) {
  const Bitboard occ = Pos.occupied;
  const Bitboard* mine = myPiece[side];
  if (gKnightMovesTable[sq] & mine[KNIGHT]) return true;
  if (pawnAttacks(sq, side ^ 1) & mine[PAWN]) return true;
  const Bitboard diagonal = (mine[BISHOP] | mine[QUEEN]) & gBishopRays[sq];
  if (diagonal && (bishopAttacks(occ, sq) & diagonal)) return true;
  const Bitboard straight = (mine[ROOK] | mine[QUEEN]) & gRookRays[sq];
  return straight && (rookAttacks(occ, sq) & straight);
}

bool in_check(int side) {
  return attackBB(side == DARK ? bking_loc : wking_loc, side ^ 1);
}

// The lower bit number comes first, so of two checkers the one nearer rank 1 (then file a) is
// gchecker1. A third attacker cannot happen in a legal position and is ignored.
void get_king_attackers_BB(int sq, int side) {
  const Bitboard occ = Pos.occupied;
  const Bitboard* mine = myPiece[side];
  Bitboard a = (bishopAttacks(occ, sq) & (mine[BISHOP] | mine[QUEEN])) |
               (rookAttacks(occ, sq) & (mine[ROOK] | mine[QUEEN])) |
               (gKnightMovesTable[sq] & mine[KNIGHT]) | (pawnAttacks(sq, side ^ 1) & mine[PAWN]);
  if (!a) {
    gchecker1 = gchecker2 = -1;
    return;
  }
  gchecker1 = pop_lsb(&a);
  gchecker2 = a ? pop_lsb(&a) : -1;
}

void get_checker(int side) {
  gchecker1 = gchecker2 = -1;
  get_king_attackers_BB(side == DARK ? bking_loc : wking_loc, side ^ 1);
}

Bitboard AttacksTo(int sq) {
  const Bitboard occ = Pos.occupied;
  const Bitboard* w = myPiece[LIGHT];
  const Bitboard* b = myPiece[DARK];
  return (pawnAttacks(sq, DARK) & w[PAWN]) | (pawnAttacks(sq, LIGHT) & b[PAWN]) |
         ((w[KNIGHT] | b[KNIGHT]) & gKnightMovesTable[sq]) |
         (bishopAttacks(occ, sq) & (w[BISHOP] | w[QUEEN] | b[BISHOP] | b[QUEEN])) |
         (rookAttacks(occ, sq) & (w[ROOK] | w[QUEEN] | b[ROOK] | b[QUEEN])) |
         ((w[KING] | b[KING]) & gKingMovesTable[sq]);
}
