// SPDX-License-Identifier: GPL-3.0-or-later
// The clock: how much of it one move may take, and when a running search extends or stops.
#include "timeman.h"

#include "board.h"
#include "option.h"
#include "platform.h"

// The planned time never takes more than this share of what the clock holds above the reserve,
// however large the increment: clients that add the increment after the move send clocks smaller
// than it late in a game.
static const int CLOCK_SHARE_PERCENT = 75;
// Without a clock a search ends only by its depth or a stop.
static const int NO_CLOCK_MS = 6000000;
// A fixed time per move keeps back a tenth (at most the reserve) for the last poll of the clock,
// the reply and its way through the pipe.
static const int MOVETIME_MARGIN_DIVISOR = 10;
// The last move before the time control may take this share of the clock.
static const int LAST_MOVE_PERCENT = 70;
// Without movestogo the clock, less a safety margin, is spread over this many moves.
static const int SUDDEN_DEATH_SAFETY_MS = 300;
static const int SUDDEN_DEATH_MOVES = 30;
// Above this increment all of it but INCREMENT_KEPT_MS is spent, and INCREMENT_BONUS_MS more;
// below, about three quarters.
static const int LARGE_INCREMENT_MS = 101;
static const int INCREMENT_KEPT_MS = 50, INCREMENT_BONUS_MS = 25;
// A smaller increment gives its half and a quarter more, or 5 ms when its half is under 10 ms.
static const int HALF = 2, QUARTER = 4;
static const int SMALL_HALF_MS = 9, SMALL_QUARTER_MS = 5;
// A ponder search plans this share more: the opponent's time is thinking time too.
static const int PONDER_EXTRA_DIVISOR = QUARTER;

// The hard limit is a tenth of the clock when that is more than the planned time.
static const int HARD_LIMIT_DIVISOR = 10;
// Scores within this band are unclear enough to be worth more time.
static const int UNCLEAR_SCORE = 500;
// A drop by this much from the last iteration earns the score-drop extension.
static const int SCORE_DROP = 30;
// The score-drop extension into a deficit, in percent of the planned time.
static const int SCORE_DROP_PERCENT = 80;
// Below this the score-drop extension is the smaller one.
static const int SMALL_LEAD = 74;
// While pondering a new best move earns this many times the time spent so far.
static const int NEW_BEST_PONDER_FACTOR = 2;
// While pondering a drop by more than this counts as a failure.
static const int PONDER_SCORE_DROP = 49;
// The first moves out of book get a share more time when the game is long enough.
static const int LONG_GAME_MS = 120000;
static const int LONGER_GAME_MS = 150000;
// Shares of the planned time that the extensions add: a new best move, a score drop into a small
// lead and a failure low in a long losing game half of it, a failure low a quarter.
static const int NEW_BEST_DIVISOR = HALF, SMALL_LEAD_DROP_DIVISOR = HALF;
static const int FAIL_LOW_DIVISOR = QUARTER, LOSING_FAIL_LOW_DIVISOR = HALF;
// The first move out of book gets a sixth more, the next ones up to the third an eighth.
static const int FIRST_OUT_OF_BOOK_DIVISOR = 6, LATER_OUT_OF_BOOK_DIVISOR = 8;
static const int OUT_OF_BOOK_MOVES = 3;
// A forced reply gives back half the planned time.
static const int FORCED_REPLY_DIVISOR = HALF;
// The soft stop is weighed only once half the planned time is spent; a stable position gives
// time back only while more than half of the last iteration's time is left.
static const int SOFT_STOP_DIVISOR = HALF, GIVE_BACK_LEFT_DIVISOR = HALF;
// A stable position gives back depth/GIVE_BACK_DIVISOR of the time left.
static const int GIVE_BACK_DIVISOR = 128;
static const int GIVE_BACK_DEPTH = 12;

search_info_t si;
int max_depth, max_time, ext_time_control_type;
int ext_max_tt;
int start_time, stop_time;
// What a new best move, a failure low and a dropping score add to the plan.
static int NewPvTimeExtension, FailLowTimeExtension, ScoreDropExtension1, ScoreDropExtension2;

void ResetSearch() {
  si.fixed_time = si.pondering = si.infinite = si.stop_requested = false;
  si.ponder_time = si.time_avail = 0;
  ext_time_control_type = TC_UNSET;
}

int ms_diff(int later, int earlier) {
  return (int)((uint32_t)later - (uint32_t)earlier);
}
int ms_add(int t, int ms) {
  return (int)((uint32_t)t + (uint32_t)ms);
}

static int movetime_margin(int movetime) {
  const int tenth = movetime / MOVETIME_MARGIN_DIVISOR;
  return tenth < OptionUci.TimeReserve ? tenth : OptionUci.TimeReserve;
}

// The increment's share of the budget.
static long long increment_share(int inc) {
  if (inc > LARGE_INCREMENT_MS) return (inc - INCREMENT_KEPT_MS) + INCREMENT_BONUS_MS;
  if (inc <= 0) return 0;
  const int half = inc / HALF;
  return (inc - half) + (half > SMALL_HALF_MS ? inc / QUARTER : SMALL_QUARTER_MS);
}

// The time this move may take, from the clock of the side to move. A clock of 0 or less is an
// empty clock: the move comes at once.
void time_budget(int own, int inc, int movestogo, int movetime) {
  if (movetime != GO_ABSENT) {
    ext_time_control_type = TC_FIXED_TIME;
    si.time_avail = movetime;
    max_time = movetime - movetime_margin(movetime);
    return;
  }
  if (own == GO_ABSENT) {
    max_time = si.time_avail = NO_CLOCK_MS;
    return;
  }
  const long long above_reserve = own > OptionUci.TimeReserve ? own - OptionUci.TimeReserve : 0;
  long long avail = above_reserve, budget;
  if (movestogo > 0) {
    ext_time_control_type = TC_MOVES_TO_GO;
    budget = movestogo == 1 ? avail * LAST_MOVE_PERCENT / 100 : avail / movestogo;
  } else {
    avail = avail - SUDDEN_DEATH_SAFETY_MS > 0 ? avail - SUDDEN_DEATH_SAFETY_MS : 0;
    budget = avail / SUDDEN_DEATH_MOVES;
  }
  budget += increment_share(inc);
  const long long ceiling = above_reserve * CLOCK_SHARE_PERCENT / 100;
  max_time = (int)(budget < ceiling ? budget : ceiling);
  si.time_avail = (int)avail;
}

void apply_limits(const go_limits_t& l) {
  si.fixed_time = l.movetime != GO_ABSENT;
  si.pondering = l.ponder;
  if (l.movestogo != GO_ABSENT) ext_time_control_type = TC_MOVES_TO_GO;
  // A mate in n moves lies 2n - 1 plies deep.
  max_depth = l.depth >= 0 ? l.depth : l.mate >= 0 ? 2 * l.mate - 1 : MAX_ITERATION;
  int own = side == DARK ? l.btime : l.wtime, inc = side == DARK ? l.binc : l.winc;
  if (l.movestogo == 0 && own != 0) ext_time_control_type = TC_SUDDEN_DEATH;
  // A line with the other side's clock only still plays on a clock: its own one is empty.
  if (own == GO_ABSENT && (l.wtime != GO_ABSENT || l.btime != GO_ABSENT)) own = 0;
  time_budget(own, inc, l.movestogo, l.movetime);
  // Analysis, like a search for a mate, never ends by the clock.
  si.infinite = l.mate > 0 || l.infinite ? true : OptionUci.AnalyseMode;
  if (l.ponder) {
    max_time = max_time + max_time / PONDER_EXTRA_DIVISOR;
    si.ponder_time = max_time;
  }
}

void start_clock() {
  start_time = get_ms();
}

void plan_search_time(int moves_out_of_book) {
  const int tenth = si.time_avail / HARD_LIMIT_DIVISOR;
  ext_max_tt = si.fixed_time ? max_time : (tenth > max_time ? tenth : max_time);
  NewPvTimeExtension = max_time / NEW_BEST_DIVISOR;
  FailLowTimeExtension = max_time / FAIL_LOW_DIVISOR;
  ScoreDropExtension1 = (int)((long long)max_time * SCORE_DROP_PERCENT / 100);
  ScoreDropExtension2 = max_time / SMALL_LEAD_DROP_DIVISOR;
  stop_time = ms_add(start_time, max_time);
  if (moves_out_of_book >= 1 && moves_out_of_book <= OUT_OF_BOOK_MOVES &&
      si.time_avail > LONG_GAME_MS) {
    const int divisor =
        moves_out_of_book == 1 ? FIRST_OUT_OF_BOOK_DIVISOR : LATER_OUT_OF_BOOK_DIVISOR;
    stop_time = ms_add(stop_time, max_time / divisor);
  }
}

void hurry_forced_reply() {
  stop_time = ms_add(stop_time, -(max_time / FORCED_REPLY_DIVISOR));
}

// An iteration takes about one and a half times as long as the one before it.
static int next_iteration_ms(int ms) {
  return (3 * ms) / 2;
}

static bool unclear(int score) {
  return score >= -UNCLEAR_SCORE && score <= UNCLEAR_SCORE;
}

// While pondering, an unclear position earns the time the pondered move would have had.
static void extend_for_pondering(const iteration_facts_t& it, time_plan_t* plan) {
  if (it.depth < 3 || !si.pondering || !unclear(it.score)) return;
  if (it.elapsed <= next_iteration_ms(plan->budget - it.elapsed)) return;
  int extra = 0;
  if (it.best_changed)
    extra = NEW_BEST_PONDER_FACTOR * it.elapsed;
  else if (it.failed_low || it.previous > it.score + PONDER_SCORE_DROP)
    extra = next_iteration_ms(it.elapsed);
  si.ponder_time += extra;
  plan->budget += extra;
}

// A new best move, a dropping score or a failure low earns more time; true when it did and the
// soft stop rules wait for the next iteration.
static bool extend_for_instability(const iteration_facts_t& it, time_plan_t* plan) {
  if (it.best_changed) {
    plan->changes++;
    plan->budget += NewPvTimeExtension;
  }
  if (it.multipv) return it.best_changed;
  if (!it.failed_low && unclear(it.score) && it.previous - it.score >= SCORE_DROP) {
    if (it.score < 0)
      plan->budget += ScoreDropExtension1;
    else if (it.score <= SMALL_LEAD)
      plan->budget += ScoreDropExtension2;
    return true;
  }
  if (it.failed_low && unclear(it.score)) {
    int extra = FailLowTimeExtension;
    if (it.score < 0 && it.previous < 0 && si.time_avail > LONGER_GAME_MS)
      extra += max_time / LOSING_FAIL_LOW_DIVISOR;
    plan->budget += extra;
    return true;
  }
  return it.best_changed;
}

// The planned time is spent, or the next iteration would not end in what is left of it (then a
// stable position gives some of that back).
static bool soft_stop(const iteration_facts_t& it, time_plan_t* plan) {
  if (it.depth >= 3 && it.elapsed >= plan->budget) return true;
  if (it.depth < 2 || si.fixed_time || it.elapsed <= max_time / SOFT_STOP_DIVISOR ||
      it.score < it.previous)
    return false;
  if (ext_time_control_type != TC_MOVES_TO_GO && ext_time_control_type != TC_SUDDEN_DEATH)
    return false;
  const int left = plan->budget - it.elapsed;
  if (left < next_iteration_ms(it.elapsed)) return true;
  if (it.depth >= GIVE_BACK_DEPTH && plan->changes == 0 &&
      left > it.elapsed / GIVE_BACK_LEFT_DIVISOR)
    plan->budget -= (left * it.depth) / GIVE_BACK_DIVISOR;
  return false;
}

// A mate this close is played at once.
static const int SHORT_MATE_MOVES = 4;
static const int SHORT_MATE_DEPTH = 4;

bool stop_after_iteration(const iteration_facts_t& it, time_plan_t* plan) {
  extend_for_pondering(it, plan);
  // Nothing but a stop or a ponder hit ends these searches.
  if (si.infinite || si.pondering) return false;
  if (it.elapsed >= ext_max_tt) return true;
  const int mate = it.mate_moves;
  if (it.depth >= SHORT_MATE_DEPTH && mate != 0 && mate >= -SHORT_MATE_MOVES &&
      mate <= SHORT_MATE_MOVES)
    return true;
  if (it.depth >= 3 && !si.fixed_time && extend_for_instability(it, plan)) return false;
  return soft_stop(it, plan);
}

bool weigh_iteration(const iteration_facts_t& it, time_plan_t* plan) {
  plan->budget = ms_diff(stop_time, start_time);
  const bool stop = stop_after_iteration(it, plan);
  stop_time = ms_add(start_time, plan->budget);
  return stop;
}
