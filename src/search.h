// SPDX-License-Identifier: GPL-3.0-or-later
// The search: iterative deepening, alpha-beta and quiescence, the clock and input check, and the
// records that steer one search.
#pragma once

#include "timeman.h"
#include "types.h"

struct pv_store_t {
  int score;
  move moves[MAX_SEARCHMOVES];
  int count;
  int time;
  U64 nodes;
};

struct exclude_t {
  int count;
  move moves[MAX_SEARCHMOVES];
};

// Being mated at the root scores -MATE; a mate n plies from the root scores MATE - n for the
// winner. Scores beyond MATE_BOUND either way are mates.
const int MATE = 30000;
const int MATE_BOUND = 29800;
// What search_root returns when every root move is excluded: MultiPV has found them all.
const int ALL_MOVES_EXCLUDED = -(MATE + 1);

extern search_input_t SearchInput;
extern int gSelDepth;
// Moves searched since the book last gave one.
extern int out_of_book;

extern move pv[MAX_PLY][MAX_PLY];
extern int pv_length[MAX_PLY];
extern bool follow_pv;
extern uint32_t nodes;
extern U64 rnodes;
extern int ext_root_side;
extern int ralpha, rbeta, idepth;
extern int iscore[MAX_ITERATION + 1];
extern pv_store_t PVStore[MAX_SEARCHMOVES];
extern int my_cnt;
extern exclude_t ExcludeMove;
extern move rootBestMove;

void seed_level_choices();
// After a move of the game: a game grown too long for the history stack keeps only the positions a
// repetition can reach.
void forget_distant_history();
void think(int show);
int search_root(int alpha, int beta, int depth, bool checked);
int search(int alpha, int beta, int depth, bool checked);
int qsearch(int alpha, int beta, int depth, bool checked);
// Reads and runs one line of waiting input; false once the input has ended. The command loop
// installs it at start-up; without it the search leaves waiting input alone.
extern bool (*read_input_line)();
void eventCheck();
void CheckUserInputandTime();
