// SPDX-License-Identifier: GPL-3.0-or-later
// FEN text in and out.
#pragma once

void fen(const char* text);
void get_fen(char* out);

// Set when the last FEN read was refused and the start position put in its place.
extern bool fen_refused;
