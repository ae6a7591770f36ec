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

// Iterations of one search at most: the depth of a search without a depth limit.
const int MAX_ITERATION = 128;
// Being mated at the root scores -MATE; a mate n plies from the root scores MATE - n for the
// winner. Scores beyond MATE_BOUND either way are mates.
const int MATE = 30000;
const int MATE_BOUND = 29800;
// What search_root returns when every root move is excluded: MultiPV has found them all.
const int ALL_MOVES_EXCLUDED = -(MATE + 1);

// The range of UCI_Elo: a beginner, and the engine at full strength.
const int LEVEL_MIN_ELO = 1000;
const int LEVEL_MAX_ELO = 1850;

extern search_info_t si;
extern search_input_t SearchInput;
// The depth and the planned milliseconds of a search; ext_time_control_type: a time_control_kind.
extern int max_depth, max_time, ext_time_control_type;
extern int ext_max_tt;
extern int gSelDepth;
extern gen_rec_t killer1[MAX_PLY], killer2[MAX_PLY], mkiller1[MAX_PLY];

extern move pv[MAX_PLY][MAX_PLY];
extern int pv_length[MAX_PLY];
extern bool follow_pv;
extern uint32_t nodes;
extern U64 rnodes;
extern int ext_root_side;
extern int ralpha, rbeta, idepth;
extern int iscore[MAX_ITERATION + 1];
extern int start_time, stop_time;
extern int NewPvTimeExtension, FailLowTimeExtension, ScoreDropExtension1, ScoreDropExtension2;
extern pv_store_t PVStore[MAX_SEARCHMOVES];
extern int my_cnt;
extern exclude_t ExcludeMove;
extern move rootBestMove;

void ResetSearch();
void seed_level_choices();
void think(int show);
int search_root(int alpha, int beta, int depth, bool checked, int checker1, int checker2);
int search(int alpha, int beta, int depth, bool checked);
int qsearch(int alpha, int beta, int depth, bool checked);
int contempt_value();
void update_pv(move m, int ply);
void update_killers(move m, int score);
int value_to_mate(int score);
void SortByPvScore(int n, pv_store_t* store);
void eventCheck();
void CheckUserInputandTime();
