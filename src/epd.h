// SPDX-License-Identifier: GPL-3.0-or-later
// Moves in standard algebraic notation (SAN), and the runner of EPD test suites.
#pragma once

#include "types.h"

// The legal move of the current position that text names; no move (u == 0) when the text is
// not SAN, names no legal move, fits more than one, or carries a check or mate mark that the
// move does not earn; *why then says which.
move san_move(const char* text, const char** why);
// The SAN of a legal move of the current position, with its check or mate mark (out: 12 bytes).
void san_text(move m, char* out);
// Searches every position of the suite at path (depth, or else movetime in ms); prints a line
// per position and the tally. False when the file cannot be read.
bool epd_suite(const char* path, int depth, int movetime);
