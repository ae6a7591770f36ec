// SPDX-License-Identifier: GPL-3.0-or-later
// Static exchange evaluation: the material the side to move gains, in pawns, when its piece on
// `from` goes to `to` and both sides keep recapturing there with their cheapest piece.
#include "board.h"

const int seeValues[7] = {1, 3, 3, 5, 10, 100, 0};

namespace {

// A capturer leaving its square may uncover a slider behind it on the same line: pawns, bishops
// and queens open diagonals, rooks and queens open ranks and files.
Bitboard reveal(int kind, int to, Bitboard occ, Bitboard diag, Bitboard orth) {
  Bitboard found = 0;
  if (kind == PAWN || kind == BISHOP || kind == QUEEN) found |= bishopAttacks(occ, to) & diag;
  if (kind == ROOK || kind == QUEEN) found |= rookAttacks(occ, to) & orth;
  return found & occ;
}

}  // namespace

int see(int from, int to) {
  const Bitboard diag =
      myPiece[LIGHT][BISHOP] | myPiece[LIGHT][QUEEN] | myPiece[DARK][BISHOP] | myPiece[DARK][QUEEN];
  const Bitboard orth =
      myPiece[LIGHT][ROOK] | myPiece[LIGHT][QUEEN] | myPiece[DARK][ROOK] | myPiece[DARK][QUEEN];
  // One entry per capture; every capture takes a piece off the board, so 64 always suffice.
  int swap[64];

  Bitboard attackers = AttacksTo(to);
  swap[0] = seeValues[piece[to]];
  int last = seeValues[piece[from]];

  Bitboard occ = Pos.occupied & ~(square_bit(from));
  attackers |= reveal(piece[from], to, occ, diag, orth);
  if (!(attackers & Pos.bySide[side ^ 1])) return swap[0];

  attackers &= occ;
  int c = side ^ 1;
  int n = 1;
  while (attackers) {
    int kind = PAWN;
    while (kind <= KING && !(attackers & myPiece[c][kind])) kind++;
    if (kind > KING) break;

    const Bitboard ofKind = attackers & myPiece[c][kind];
    occ &= ~(ofKind & (0 - ofKind));
    attackers |= reveal(kind, to, occ, diag, orth);

    swap[n] = last - swap[n - 1];
    n++;
    last = seeValues[kind];
    // The side that just captured stays ahead even if it loses its capturer: no need to go on.
    if (swap[n - 1] - last > 0) break;

    attackers &= occ;
    c ^= 1;
  }

  for (int k = n - 2; k >= 0; k--)
    if (-swap[k + 1] < swap[k]) swap[k] = -swap[k + 1];
  return swap[0];
}

int see_move(move m) {
  return see(m.b.from, m.b.to);
}
