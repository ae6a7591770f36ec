// SPDX-License-Identifier: GPL-3.0-or-later
// Static evaluation: a tapered middlegame/endgame score of the current position.
#pragma once

#include "types.h"

// Score of the position for the side to move.
int eval();
// Forgets every cached pawn structure: the next evaluations work them out afresh.
void clear_pawn_cache();
// Blends a middlegame and an endgame value by phase 0 (endgame) .. 64 (middlegame).
int interpolate(int mg, int eg, int phase);
// Blends n packed scores (make_score) at once, each exactly as interpolate would.
void taper(const int* packed, int* out, int n, int phase);
