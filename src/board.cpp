// SPDX-License-Identifier: GPL-3.0-or-later
#include "board.h"

#include <cstdio>
#include <cstring>

#include "hash.h"

int piece[64], color[64];
int side, xside, castle, ep, fifty, ply, hply;
U64 hash;
bool side_checked;
int wking_loc, bking_loc;
int wp, wn, wb, wr, wq, bp, bn, bb, br, bq;
int wpc, bpc, wpiece, bpiece;
int material_sum[2], phase_sum;
Bitboard myPiece[2][7];
position_t Pos;
int pl[12][16], plc[12];
// Where each occupied square stands in its piece list.
static int pl_at[64];
gen_rec_t gen_dat[GEN_STACK];
int first_move[MAX_PLY + 1];
hist_rec_t hist_dat[HIST_STACK];

const int piece_value[7] = {100, 315, 325, 500, 1000, 0, 0};

// Middlegame and endgame values, packed as the evaluation adds them.
const int material_value[5] = {make_score(30, 120), make_score(325, 300), make_score(325, 325),
                               make_score(490, 500), make_score(900, 1100)};
const int phase_value[5] = {0, 3, 3, 5, 10};

void init_materials() {
  wp = wn = wb = wr = wq = bp = bn = bb = br = bq = 0;
  wpc = bpc = wpiece = bpiece = 0;
  material_sum[LIGHT] = material_sum[DARK] = phase_sum = 0;
}

bool mat_is_draw() {
  return wp + bp == 0 && wpiece + bpiece <= piece_value[BISHOP];
}

int SidePieces(int c) {
  return c ? bpiece : wpiece;
}

int KingLocation(int c) {
  return c ? bking_loc : wking_loc;
}

void pl_add(int c, int k, int sq) {
  int i = c * 6 + k;
  pl_at[sq] = plc[i];
  pl[i][plc[i]++] = sq;
}

// The last entry fills the hole, so the list order follows the history of moves.
void pl_remove(int c, int k, int sq) {
  int i = c * 6 + k;
  int j = pl_at[sq], last = pl[i][--plc[i]];
  pl[i][j] = last;
  pl_at[last] = j;
}

// The same list as a removal from `from` and an addition on `to`: the last entry fills the hole
// and the moved piece becomes the last.
void pl_move(int c, int k, int from, int to) {
  int i = c * 6 + k, end = plc[i] - 1;
  int j = pl_at[from], last = pl[i][end];
  pl[i][j] = last;
  pl_at[last] = j;
  pl[i][end] = to;
  pl_at[to] = end;
}

// The key of the current position computed from scratch.
static U64 compute_hash() {
  U64 h = 0;
  for (int sq = 0; sq < 64; sq++)
    if (color[sq] != EMPTY) h ^= hash_piece[color[sq]][piece[sq]][sq];
  if (side == DARK) h ^= hash_side;
  h ^= hash_castle[castle & 15];
  if (ep != -1) h ^= hash_ep[ep];
  return h;
}

bool board_consistent(char* why, int why_size) {
  auto fail = [&](const char* what) {
    if (why) snprintf(why, why_size, "%s", what);
    return false;
  };
  Bitboard pieces[2][7] = {}, sides[2] = {}, occ = 0;
  int count[2][6] = {}, value[2] = {}, kings[2] = {-1, -1}, material[2] = {}, phase = 0;
  for (int sq = 0; sq < 64; sq++) {
    if ((color[sq] == EMPTY) != (piece[sq] == EMPTY)) return fail("piece and color disagree");
    if (color[sq] == EMPTY) continue;
    int c = color[sq], k = piece[sq];
    Bitboard bit = square_bit(sq);
    pieces[c][k] |= bit;
    sides[c] |= bit;
    occ |= bit;
    count[c][k]++;
    if (k != PAWN) value[c] += piece_value[k];
    if (k != KING) {
      material[c] = add_packed(material[c], material_value[k]);
      phase += phase_value[k];
    }
    if (k == KING) kings[c] = sq;
    const int j = pl_at[sq];
    if (j >= plc[c * 6 + k] || pl[c * 6 + k][j] != sq)
      return fail("square missing from its piece list");
  }
  for (int i = 0; i < 12; i++)
    if (plc[i] != count[i / 6][i % 6]) return fail("piece list length");
  if (memcmp(pieces, myPiece, sizeof pieces) != 0) return fail("piece bitboards");
  if (sides[0] != Pos.bySide[0] || sides[1] != Pos.bySide[1] || occ != Pos.occupied)
    return fail("occupancy bitboards");
  int own[2][5] = {{wp, wn, wb, wr, wq}, {bp, bn, bb, br, bq}};
  for (int c = 0; c < 2; c++)
    for (int k = 0; k < 5; k++)
      if (own[c][k] != count[c][k]) return fail("piece counts");
  if (wpc != count[0][1] + count[0][2] + count[0][3] + count[0][4] ||
      bpc != count[1][1] + count[1][2] + count[1][3] + count[1][4])
    return fail("piece totals");
  if (wpiece != value[0] || bpiece != value[1]) return fail("material sums");
  if (material_sum[0] != material[0] || material_sum[1] != material[1] || phase_sum != phase)
    return fail("evaluation's material and phase sums");
  if (kings[0] != wking_loc || kings[1] != bking_loc) return fail("king squares");
  if (xside != (side ^ 1)) return fail("side and xside");
  if (hash != compute_hash()) return fail("position key");
  if (side_checked != in_check(side)) return fail("check of the side to move");
  return true;
}
