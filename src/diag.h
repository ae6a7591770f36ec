// SPDX-License-Identifier: GPL-3.0-or-later
// Diagnostics: perft, the bench, the profile run, the colour-symmetry test and the board picture.
#pragma once

#include "types.h"

// Bench leaves its totals for the command line.
extern U64 bench_nodes;
extern int bench_ms;

U64 perft(int depth);
void print_board();
void bench();
// One search of a suite position: no input is read and no periodic lines are printed; with show
// each finished iteration is.
void suite_search(int depth, int time, int* ms, move* best, U64* n, int show = 1);
void profile();
void symtestpos();
