// SPDX-License-Identifier: GPL-3.0-or-later
// The position, bitboards, attack detection, exchange evaluation, move generation and make/take
// back.
#pragma once

#include "types.h"

// Position state.
extern int piece[64], color[64];
extern int side, xside, castle, ep, fifty, ply, hply;
extern U64 hash;
// Whether the side to move is in check: worked out in full for a position set up, then kept by
// make and take back.
extern bool side_checked;
extern int wking_loc, bking_loc;
extern int wp, wn, wb, wr, wq, bp, bn, bb, br, bq;
extern int wpc, bpc, wpiece, bpiece;
// Each side's material as the evaluation counts it (middlegame and endgame values packed), and the
// game phase of both sides' pieces: both follow every change of the counts.
extern int material_sum[2], phase_sum;
extern const int material_value[5], phase_value[5];
// The counter of each side's pawns and pieces by kind (the king has none).
inline int* const piece_count[2][5] = {{&wp, &wn, &wb, &wr, &wq}, {&bp, &bn, &bb, &br, &bq}};
extern Bitboard myPiece[2][7];
extern position_t Pos;
extern int pl[12][16], plc[12];
extern gen_rec_t gen_dat[GEN_STACK];
extern int first_move[MAX_PLY + 1];
extern hist_rec_t hist_dat[HIST_STACK];
extern const int piece_value[7];

void init_materials();
// A packed sum adds in unsigned arithmetic, as make_score packs: a board set up with dozens of
// queens (which the FEN reader then refuses) runs past the int range without harm.
inline int add_packed(int sum, int value) {
  return static_cast<int>(static_cast<uint32_t>(sum) + static_cast<uint32_t>(value));
}
// One more (delta 1) or one fewer (-1) piece of a kind other than the king, in every count.
// Every capture counts twice, in make and take back, so the body stays where the callers can
// take it in.
inline void count_piece(int c, int kind, int delta) {
  *piece_count[c][kind] += delta;
  material_sum[c] = add_packed(material_sum[c], delta * material_value[kind]);
  phase_sum += delta * phase_value[kind];
  if (kind != PAWN) {
    (c == LIGHT ? wpc : bpc) += delta;
    (c == LIGHT ? wpiece : bpiece) += delta * piece_value[kind];
  }
}
bool mat_is_draw();
int SidePieces(int c);
int KingLocation(int c);
void pl_add(int c, int k, int sq);
void pl_remove(int c, int k, int sq);
void pl_move(int c, int k, int from, int to);

// Bitboard primitives.
// The bit of a board square (a8 = 0) in a bitboard (a1 = bit 0).
inline Bitboard square_bit(int sq) {
  return 1ULL << (sq ^ 56);
}
int popCount(Bitboard b);
// The board square of the lowest set bit, taken off the set (which must not be empty).
int pop_lsb(Bitboard* b);
Bitboard fileMask(int sq);
Bitboard pawnAttacks(int sq, int side);
Bitboard nortOne(Bitboard b);
Bitboard soutOne(Bitboard b);
Bitboard eastOne(Bitboard b);
Bitboard westOne(Bitboard b);
Bitboard noEaOne(Bitboard b);
Bitboard noWeOne(Bitboard b);
Bitboard soEaOne(Bitboard b);
Bitboard soWeOne(Bitboard b);
Bitboard nortFill(Bitboard b);
Bitboard soutFill(Bitboard b);
int relative_rank(int side, int row);
// A middlegame and an endgame value packed in one int. The shift is done unsigned; a negative
// endgame part borrows from the middlegame half, which mg_value gives back by rounding.
constexpr int make_score(int mg, int eg) {
  return static_cast<int>((static_cast<uint32_t>(mg) << 16) + static_cast<uint32_t>(eg));
}
int mg_value(int s);
int eg_value(int s);

// Sliding-attack and geometry tables (built once by buildBitboardAttackTable).
extern Bitboard gKnightMovesTable[64], gKingMovesTable[64];
extern Bitboard gWhiteFrontSpan[64], gBlackFrontSpan[64];
// Everything a bishop or a rook on a board square would reach on an empty board.
extern Bitboard gBishopRays[64], gRookRays[64];
void buildBitboardAttackTable();
Bitboard rookAttacks(Bitboard occ, int sq);
Bitboard bishopAttacks(Bitboard occ, int sq);

// Attack detection.
extern int gchecker1, gchecker2;
bool in_check(int side);
bool attackBB(int sq, int side);
void get_king_attackers_BB(int sq, int side);
void get_checker(int side);
Bitboard AttacksTo(int sq);

// Static exchange evaluation, in pawn units.
extern const int seeValues[7];
int see(int from, int to);
int see_move(move m);

// Move lists and generators.
// The ordering bands, highest first. Within a capture band the victim's value counts, then the
// attacker's; quiet moves that are no killer score 0, less the danger penalty.
enum order_band {
  ORDER_PV_MOVE = 10000000,        // the move of the last principal variation
  ORDER_MATE_KILLER = 9999000,     // this ply's mate killer
  ORDER_MATE_KILLER_UP = 9998500,  // the mate killer of two plies up
  ORDER_QUEEN_PROMOTION = 9998000,
  ORDER_WINNING_CAPTURE = 9997000,
  ORDER_EVEN_CAPTURE = 9996000,  // en passant too
  ORDER_CASTLE = 9995600,
  ORDER_KILLER1 = 9995500,
  ORDER_KILLER1_UP = 9995400,
  ORDER_KILLER2 = 9995300,
  ORDER_KILLER2_UP = 9995200,
  ORDER_LOSING_CAPTURE = 9994000,
  ORDER_KNIGHT_PROMOTION = 9989500,
  ORDER_ROOK_PROMOTION = 9989400,
  ORDER_BISHOP_PROMOTION = 9989300,
};
// What a quiet move onto a covered square loses.
constexpr int ORDER_DANGER_PENALTY = 7000;
// The killers of each ply, which the move scores read: a quiet move that refuted a node (mates
// tells whether its score was a mate) is remembered at the current ply.
void clear_killers();
void remember_killer(move m, bool mates);
// The generators' tables of the squares each kind meets (built once, after the board tables).
void init_move_rays();
void gen();
// The priority moves of gen's list alone, in its order: every move but the quiet ones that score
// nothing beyond the danger penalty. The principal move is taken in too if the position offers it.
void gen_priority(int32_t principal);
// The whole list of the current ply, as gen would have listed it when gen_priority listed the
// ply's priority moves: the moves searched since change the order of the pieces, not the position.
void gen_rest();
void gen_caps();
// Whether a capture of the list loses material in the exchange, read from its settled score.
bool capture_loses(const gen_rec_t& g);
// The score of a listed move for good: a capture listed at the best its exchange could give has
// the exchange worked out now, once.
int settle_score(gen_rec_t& g);
// The list the search uses at a node: evasions in check (king moves alone in double check).
void gen_node(bool in_check);
// The legal moves of the position at the root ply, in generation order, at most max of them.
int legal_moves(move* out, int max);

// Make and take back.
bool makemove(move_bytes m);
// Whether makemove would take the move (1) or not (0), worked out without playing it: only a
// line through the square the piece leaves can open onto its king. -1 where the move must be
// played to tell: in check, a king move, en passant, or a king taken.
int legal_unplayed(move_bytes m);
void takeback();

// Debug self-check: recomputes every redundant form from the board; true when all agree.
bool board_consistent(char* why, int why_size);
