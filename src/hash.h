// SPDX-License-Identifier: GPL-3.0-or-later
// Zobrist keys of the position and the transposition-table block. The search does not read the
// table: its size (the Hash option) never changes play.
#pragma once

#include "types.h"

extern U64 hash_piece[2][6][64];
extern U64 hash_side;
extern U64 hash_ep[64];
extern U64 hash_castle[16];
extern unsigned char* hashREC;
extern uint32_t TT_size;

void init_hash();
void init_ttable(unsigned mb);
void clearHash();
void free_tt();
