// SPDX-License-Identifier: GPL-3.0-or-later
// Polyglot book keys: the published table of random numbers and the key of a position given as
// FEN text. This key is unrelated to the engine's own Zobrist key.
#pragma once

#include "types.h"

// The 781 numbers of the Polyglot book standard and its four sections.
extern const U64 Random64[781];
extern const U64* const RandomPiece;      // 768: 64 * piece + 8 * row + file, row 0 = rank 1
extern const U64* const RandomCastle;     // 4: K, Q, k, q
extern const U64* const RandomEnPassant;  // 8: by file, only when a pawn can take there
extern const U64* const RandomTurn;       // 1: White to move

extern const char piece_names[];     // Polyglot piece order: Black pawn 0 ... White king 11
extern const char promote_pieces[];  // promotion letter by promotion code 1 .. 4

U64 pg_key(const char* fen);
