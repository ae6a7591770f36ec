// SPDX-License-Identifier: GPL-3.0-or-later
// FEN text in and out.
#pragma once

// Sets the game up from FEN text: the board, an empty history and new keys. A FEN that cannot
// be played is refused with its reason, and the start position set up instead.
void init_board(const char* text);
void get_fen(char* out);

// Set when the last FEN read was refused and the start position put in its place.
extern bool fen_refused;
