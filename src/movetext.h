// SPDX-License-Identifier: GPL-3.0-or-later
// Moves and pieces as text: the coordinates of UCI moves and the letters of the pieces.
#pragma once

#include "types.h"

// The letters of the kinds PAWN .. KING, as White's pieces are written.
extern const char piece_char[];
// The kind a capital letter names (P, N, B, R, Q or K), EMPTY for any other character.
int kind_of_letter(char c);
// The board square (a8 = 0) of a file letter and a rank digit.
int square_at(char file, char rank);
// A move in coordinates, "e2e4" or "e7e8q", in a buffer that the next call overwrites.
char* move_str(move m);
// Where in the root list the move that coordinate text names stands, -1 when none does.
int parse_move(const char* text);
