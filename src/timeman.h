// SPDX-License-Identifier: GPL-3.0-or-later
// The clock of one move: the budget from a go line, the plan of a search, and the verdict of the
// clock after each finished iteration (extend, stop or go on).
#pragma once

#include <climits>

#include "types.h"

// What ext_time_control_type says about the clock of the running search.
enum time_control_kind {
  TC_UNSET = 0,         // a plain clock, or none: no movestogo was given
  TC_MOVES_TO_GO = 1,   // a movestogo was given
  TC_SUDDEN_DEATH = 2,  // "movestogo 0" with a clock that is not empty
  TC_FIXED_TIME = 3,    // movetime
};

// The state of the running search: what its go line asked for, its clock, and its stop flags.
extern search_info_t si;
// The depth and the planned milliseconds of a search; ext_time_control_type: a time_control_kind.
extern int max_depth, max_time, ext_time_control_type;
// The hard limit of the running search, in milliseconds from its start.
extern int ext_max_tt;
// The millisecond clock when the running search started, and when it plans to stop.
extern int start_time, stop_time;

// Iterations of one search at most: the depth of a search without a depth limit.
const int MAX_ITERATION = 128;

// A go value the line did not carry; a parsed value never reaches it.
const int GO_ABSENT = INT_MIN;

// What a go line asks for, in its own units; GO_ABSENT where it is silent.
struct go_limits_t {
  int wtime, btime, winc, binc, movestogo, movetime;
  int depth, mate;
  bool infinite, ponder;
};

// The facts of one finished iteration that the clock weighs.
struct iteration_facts_t {
  int depth;
  int score, previous;  // of this iteration and of the one before
  int elapsed;          // milliseconds since the search started
  int mate_moves;       // of the last line reported; 0 when it is no mate
  bool failed_low;      // the score fell to the lower edge of the window
  bool best_changed;    // the best move differs from the last iteration's
  bool multipv;
};

// The time one search plans to take, in milliseconds from its start, and the best-move changes
// that earned it more.
struct time_plan_t {
  int budget;
  int changes;
};

// Forgets what the last go line asked for: no stop, ponder, infinite or fixed-time search, no
// clock. Every search and diagnostic run starts from here.
void ResetSearch();

// The millisecond clock wraps, so times are compared by their difference.
int ms_diff(int later, int earlier);
int ms_add(int t, int ms);
// The depth, the clock and the kind of search that the limits ask for.
void apply_limits(const go_limits_t& limits);
// The budget of one move from the clock of the side to move (values absent: GO_ABSENT).
void time_budget(int own, int inc, int movestogo, int movetime);
// The search starts now.
void start_clock();
// The hard limit, the extensions and the stop time of a search that starts at start_time, the
// first moves out of book getting more.
void plan_search_time(int moves_out_of_book);
// A forced reply needs little thought: the stop time comes closer.
void hurry_forced_reply();
// Weighs one finished iteration against the stop time in force and moves the stop time by what
// the plan gained or gave back; true when the search must stop now.
bool weigh_iteration(const iteration_facts_t& it, time_plan_t* plan);
// Weighs one finished iteration: extends the plan, or says the search must stop now.
bool stop_after_iteration(const iteration_facts_t& it, time_plan_t* plan);
