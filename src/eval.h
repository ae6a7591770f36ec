// SPDX-License-Identifier: GPL-3.0-or-later
// Static evaluation: a tapered middlegame/endgame score of the current position.
#pragma once

#include "types.h"

// The evaluation never goes beyond this either way, whatever the weights: far from the mate
// scores, which a static score must never be taken for. At the default weights no position comes
// near it.
constexpr int EVAL_LIMIT = 20000;

// Score of the position for the side to move.
int eval();
// Asks the processor for the kept score of the position with this key, ahead of eval().
void prefetch_eval(U64 key);
