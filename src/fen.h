// SPDX-License-Identifier: GPL-3.0-or-later
// FEN text in and out.
#pragma once

// Sets the game up from FEN text: the board, an empty history and new keys. A FEN that cannot
// be played is refused with its reason, and the start position set up instead.
void init_board(const char* text);
// The board field of the position's FEN, or of its twin turned over (ranks reversed, colours
// swapped); returns its length. out needs room for 72 bytes.
int board_text(char* out, bool turned);
// The position as FEN without the two clocks (out: 82 bytes).
void get_fen(char* out);

// Set when the last FEN read was refused and the start position put in its place.
extern bool fen_refused;
