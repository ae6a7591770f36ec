// SPDX-License-Identifier: GPL-3.0-or-later
#include "fen.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "board.h"
#include "data.h"
#include "hash.h"
#include "movetext.h"

static void put_piece(int kind, int c, int sq) {
  piece[sq] = kind;
  color[sq] = c;
  myPiece[c][kind] |= square_bit(sq);
  hash ^= hash_piece[c][kind][sq];
  if (kind != KING) {
    count_piece(c, kind, 1);
  } else if (c == LIGHT) {
    wking_loc = sq;
  } else {
    bking_loc = sq;
  }
}

static bool rook_on(int sq, int c) {
  return piece[sq] == ROOK && color[sq] == c;
}

// An en-passant square is kept only where a pawn that has just stepped twice stands beyond it;
// anything else would let a capture remove a pawn that is not there.
static bool ep_plausible(int sq) {
  if (sq < 0 || sq > 63 || color[sq] != EMPTY) return false;
  if (side == LIGHT) return (sq >> 3) == 2 && piece[sq + 8] == PAWN && color[sq + 8] == DARK;
  if (side == DARK) return (sq >> 3) == 5 && piece[sq - 8] == PAWN && color[sq - 8] == LIGHT;
  return false;
}

bool fen_refused = false;

static void fen_refuse(const char* why) {
  printf("info string fen error %s\n", why);
  printf("info string reset to orig board position\n");
  init_board(spos);
  fen_refused = true;
}

// The text being read and how far the reading has come. Each field's reader stops after the
// first character that does not belong to that field.
struct fen_reader_t {
  const char* text;
  int len, at;
};

// What the board field held, for the checks made once everything is read.
struct fen_men_t {
  int kings[2], men[2];
  bool too_many_squares;
};

static void clear_position() {
  hash = 0;
  memset(myPiece, 0, sizeof myPiece);
  for (int sq = 0; sq < 64; sq++) piece[sq] = color[sq] = EMPTY;
  side = xside = -1;
  fen_refused = false;
}

// Squares are filled one after another from a8; '/' changes nothing.
static void read_board(fen_reader_t& r, fen_men_t& n) {
  int sq = 0;
  while (r.at < r.len) {
    char ch = r.text[r.at++];
    if (ch >= '1' && ch <= '8') {
      sq += ch - '0';
      if (sq > 64) n.too_many_squares = true;
      continue;
    }
    if (ch == '/') continue;
    int kind = kind_of_letter((char)toupper((unsigned char)ch));
    if (kind == EMPTY) break;
    int c = isupper((unsigned char)ch) ? LIGHT : DARK;
    if (sq > 63) {
      n.too_many_squares = true;
      continue;
    }
    put_piece(kind, c, sq);
    n.men[c]++;
    if (kind == KING) n.kings[c]++;
    sq++;
  }
}

static void read_side(fen_reader_t& r) {
  while (r.at < r.len) {
    char ch = r.text[r.at++];
    if (ch == 'w') {
      side = LIGHT;
      xside = DARK;
    } else if (ch == 'b') {
      side = DARK;
      xside = LIGHT;
    } else {
      break;
    }
  }
  if (side == DARK) hash ^= hash_side;
}

// Rights are granted only where king and rook stand at home.
static void read_castling(fen_reader_t& r) {
  castle = 0;
  while (r.at < r.len) {
    char ch = r.text[r.at++];
    if (ch == 'K') {
      if (wking_loc == 60 && rook_on(63, LIGHT)) castle |= 1;
    } else if (ch == 'Q') {
      if (wking_loc == 60 && rook_on(56, LIGHT)) castle |= 2;
    } else if (ch == 'k') {
      if (bking_loc == 4 && rook_on(7, DARK)) castle |= 4;
    } else if (ch == 'q') {
      if (bking_loc == 4 && rook_on(0, DARK)) castle |= 8;
    } else if (ch != '-') {
      break;
    }
  }
  hash ^= hash_castle[castle];
}

// A file letter sets the file, a rank digit adds its row.
static void read_en_passant(fen_reader_t& r) {
  ep = -1;
  while (r.at < r.len) {
    char ch = r.text[r.at++];
    if (ch >= 'a' && ch <= 'h') {
      ep = ch - 'a';
    } else if (ch >= '1' && ch <= '7') {
      ep += (8 - (ch - '0')) * 8;
    } else if (ch != '8' && ch != '-') {
      break;
    }
  }
  if (ep != -1 && !ep_plausible(ep)) ep = -1;
  if (ep != -1) hash ^= hash_ep[ep];
}

// One or two digits need a blank behind them, three are taken as they are.
static void read_clock(const fen_reader_t& r) {
  fifty = 0;
  auto digit = [&](int k) { return k < r.len && isdigit((unsigned char)r.text[k]); };
  auto blank = [&](int k) { return k < r.len && isspace((unsigned char)r.text[k]); };
  const int i = r.at;
  if (!digit(i)) return;
  int d0 = r.text[i] - '0';
  if (blank(i + 1)) {
    fifty = d0;
  } else if (digit(i + 1)) {
    int d1 = r.text[i + 1] - '0';
    if (blank(i + 2))
      fifty = 10 * d0 + d1;
    else if (digit(i + 2))
      fifty = 100 * d0 + 10 * d1 + (r.text[i + 2] - '0');
  }
}

// Piece lists and colour boards from the arrays, in square order.
static void build_lists() {
  memset(plc, 0, sizeof plc);
  Pos.bySide[0] = Pos.bySide[1] = Pos.occupied = 0;
  for (int s = 0; s < 64; s++) {
    if (color[s] == EMPTY) continue;
    if (plc[color[s] * 6 + piece[s]] < 16) pl_add(color[s], piece[s], s);
    Pos.occupied |= square_bit(s);
    Pos.bySide[color[s]] |= square_bit(s);
  }
}

// Why the position read cannot be played, or nullptr when it can.
static const char* unplayable(const fen_men_t& n) {
  if (n.kings[LIGHT] >= 2) return "too many white king";
  if (n.kings[LIGHT] == 0) return "there's no white king";
  if (n.kings[DARK] >= 2) return "too many dark king";
  if (n.kings[DARK] == 0) return "there's no dark king";
  if (n.too_many_squares) return "board has more than 64 squares";
  if (side == -1) return "side to move is not w or b";
  // Sixteen men a side also keeps every piece list within bounds after any promotion.
  if (n.men[LIGHT] > 16 || n.men[DARK] > 16) return "more than 16 pieces of one colour";
  // A pawn that could step off the board has no place in a position.
  if ((myPiece[LIGHT][PAWN] & 0xFF00000000000000ULL) || (myPiece[DARK][PAWN] & 0xFFULL))
    return "pawn on its last rank";
  return nullptr;
}

static void fen(const char* text) {
  clear_position();
  fen_reader_t r = {text, (int)strlen(text), 0};
  fen_men_t n = {};
  read_board(r, n);
  read_side(r);
  read_castling(r);
  read_en_passant(r);
  read_clock(r);
  build_lists();
  if (const char* why = unplayable(n)) {
    fen_refuse(why);
    return;
  }
  side_checked = in_check(side);
}

int board_text(char* out, bool turned) {
  int n = 0;
  for (int row = 0; row < 8; row++) {
    int run = 0;
    for (int f = 0; f < 8; f++) {
      const int sq = (turned ? 7 - row : row) * 8 + f;
      if (color[sq] == EMPTY) {
        run++;
        continue;
      }
      if (run) out[n++] = (char)('0' + run);
      run = 0;
      const char c = piece_char[piece[sq]];
      out[n++] = (color[sq] == LIGHT) != turned ? c : (char)tolower(c);
    }
    if (run) out[n++] = (char)('0' + run);
    if (row < 7) out[n++] = '/';
  }
  out[n] = 0;
  return n;
}

void get_fen(char* out) {
  int n = board_text(out, false);
  out[n++] = ' ';
  out[n++] = side == LIGHT ? 'w' : 'b';
  out[n++] = ' ';
  if (castle & 1) out[n++] = 'K';
  if (castle & 2) out[n++] = 'Q';
  if (castle & 4) out[n++] = 'k';
  if (castle & 8) out[n++] = 'q';
  if (castle == 0) out[n++] = '-';
  out[n++] = ' ';
  if (ep != -1) {
    out[n++] = square_name[ep][0];
    out[n++] = square_name[ep][1];
  }
  out[n] = 0;
}

// The table block is cleared and the keys drawn afresh with every set-up, as they always were:
// the draws also move the book's choices along.
void init_board(const char* text) {
  init_materials();
  clearHash();
  init_hash();
  fen(text);
  ply = 0;
  hply = 0;
  first_move[0] = 0;
}
