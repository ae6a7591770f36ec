// SPDX-License-Identifier: GPL-3.0-or-later
#include "movetext.h"

#include <cstdio>
#include <cstring>

#include "board.h"

const char piece_char[] = "PNBRQK";

int kind_of_letter(char c) {
  const char* p = c ? strchr(piece_char, c) : nullptr;
  return p ? (int)(p - piece_char) : EMPTY;
}

int square_at(char file, char rank) {
  return (file - 'a') + ('8' - rank) * 8;
}

char* move_str(move m) {
  static char text[6];
  text[0] = (char)('a' + (m.b.from & 7));
  text[1] = (char)('8' - (m.b.from >> 3));
  text[2] = (char)('a' + (m.b.to & 7));
  text[3] = (char)('8' - (m.b.to >> 3));
  text[4] = 0;
  if (m.b.bits & MF_PROMOTE) {
    text[4] = m.b.promote == KNIGHT   ? 'n'
              : m.b.promote == BISHOP ? 'b'
              : m.b.promote == ROOK   ? 'r'
                                      : 'q';
    text[5] = 0;
  }
  return text;
}

int parse_move(const char* text) {
  if (text[0] < 'a' || text[0] > 'h' || text[1] < '0' || text[1] > '9') return -1;
  if (text[2] < 'a' || text[2] > 'h' || text[3] < '0' || text[3] > '9') return -1;
  int from = square_at(text[0], text[1]);
  int to = square_at(text[2], text[3]);
  for (int i = 0; i < first_move[1]; i++) {
    move m = gen_dat[i].m;
    if (m.b.from != from || m.b.to != to) continue;
    if (!(m.b.bits & MF_PROMOTE)) return i;
    // The four promotions of one pair stand together: knight, bishop, rook, queen.
    // Clients have long seen this line before every promotion; it stays.
    printf("index i has value equal to %d\n", i);
    switch (text[4]) {
      case 'n':
      case 'N':
        return i;
      case 'b':
      case 'B':
        return i + 1;
      case 'r':
      case 'R':
        return i + 2;
      default:
        return i + 3;
    }
  }
  return -1;
}
