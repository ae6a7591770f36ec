// Static evaluation: a tapered middlegame/endgame score of the current position.
#pragma once

#include "types.h"

// Rebuilt by every eval() call: the attack sets of each colour and piece kind, and what the
// attackers of each king zone add up to.
struct eval_ref_t {
  Bitboard attacks[2][7];
  Bitboard kingZone[2];
  int zoneAttackers[2];
  int zoneAttackWeight[2];
};

extern eval_ref_t evalref;

// Score of the position for the side to move.
int eval();
// Blends a middlegame and an endgame value by phase 0 (endgame) .. 64 (middlegame).
int interpolate(int mg, int eg, int phase);
// The zone around the enemy king of us, and the attackers us already has in it from pawns.
void init_eval_info(int us);

// Pawn predicates and the king shelter, for the pawn or king standing on board square sq.
bool PassedPawn(int sq);
bool BackWardPawn(int sq);
bool IsolatedPawn(int sq);
bool DoubledPawn(int sq);
int KingShelter(int sq);
