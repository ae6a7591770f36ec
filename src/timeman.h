// SPDX-License-Identifier: GPL-3.0-or-later
// The clock of one move: the budget from a go line, the plan of a search, and the verdict of the
// clock after each finished iteration (extend, stop or go on).
#pragma once

#include <climits>

// What ext_time_control_type says about the clock of the running search.
enum time_control_kind {
  TC_UNSET = 0,         // a plain clock, or none: no movestogo was given
  TC_MOVES_TO_GO = 1,   // a movestogo was given
  TC_SUDDEN_DEATH = 2,  // "movestogo 0" with a clock that is not empty
  TC_FIXED_TIME = 3,    // movetime
};

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

// The millisecond clock wraps, so times are compared by their difference.
int ms_diff(int later, int earlier);
int ms_add(int t, int ms);
// The depth, the clock and the kind of search that the limits ask for.
void apply_limits(const go_limits_t& limits);
// The budget of one move from the clock of the side to move (values absent: GO_ABSENT).
void time_budget(int own, int inc, int movestogo, int movetime);
// The hard limit, the extensions and the stop time of a search that starts at start_time.
void plan_search_time();
// Weighs one finished iteration: extends the plan, or says the search must stop now.
bool stop_after_iteration(const iteration_facts_t& it, time_plan_t* plan);
