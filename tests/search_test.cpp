// SPDX-License-Identifier: GPL-3.0-or-later
// The search seen from inside: mate, draw and contempt scores, the level, and the clock: a go
// line's limits, the verdict after each iteration and the periodic check, which polls the input.
#include <sys/time.h>

#include "platform.h"
#include "uci_harness.h"

namespace {

// Searches here never read the test's own standard input and never stop on the clock.
class SearchTest : public EngineTest {
 protected:
  void SetUp() override {
    si.poll_input = si.pondering = si.stopped = si.stop_requested = si.fixed_time = false;
    si.quiet = si.infinite = true, ext_root_side = LIGHT, nodes = 1;
  }
  void TearDown() override { EngineTest::TearDown(), si.infinite = false, si.poll_input = true; }
};

// Mate, stalemate and draw scores; a draw is the contempt against the side that searches, and a
// repetition counts below the root only and, in analysis, only the second time.
TEST_F(SearchTest, MateAndDrawScores) {
  const char* const repeated = "startpos moves g1f3 g8f6 f3g1 f6g8";
  const int not_a_draw = 1;  // marks a row whose score must be anything but the draw's
  const struct {
    const char* position;
    int ply, root_side, analyse, quiescence, score;
  } cases[] = {
      {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", 0, LIGHT, 0, 0, -30000},  // mated at the root
      {"fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", 0, LIGHT, 0, 0, 0},       // stalemate
      {"fen 7k/8/8/8/8/8/8/K6N w - - 0 1", 0, LIGHT, 0, 0, 0},         // a lone knight cannot win
      {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 100 80", 0, LIGHT, 0, 0, -30000},  // mate on ply 100
      {"fen 7k/6Q1/6K1/8/8/8/8/8 b - - 100 80", 0, LIGHT, 0, 1, 15},      // quiescence: a draw
      {"fen 7k/8/6K1/8/8/8/6Q1/8 b - - 101 80", 0, LIGHT, 0, 0, 15},
      {repeated, 1, LIGHT, 0, 0, -15},  // the engine itself repeats
      {repeated, 1, DARK, 0, 0, 15},
      {repeated, 1, DARK, 0, 1, 15},
      {repeated, 1, DARK, 1, 1, not_a_draw},
      {"startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8", 1, DARK, 1, 1, 15},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(uci::handle(std::string("position ") + c.position), uci::Lines{});
    ply = c.ply, ext_root_side = c.root_side, OptionUci.AnalyseMode = c.analyse;
    const bool checked = in_check(side);
    const int v =
        c.quiescence ? qsearch(-30000, 30000, 0, checked) : search(-30000, 30000, 4, checked);
    EXPECT_TRUE(c.score == not_a_draw ? v != 15 : v == c.score)
        << "row " << &c - cases << ": " << v;
  }
}

// A root in check with one legal reply (Ka2) gives back half of its planned time.
TEST_F(SearchTest, ForcedReplyAtTheRootHalvesThePlan) {
  setup("1r5k/8/8/8/8/8/8/K6r w - - 0 1");
  max_depth = 1, max_time = 1000, si.time_avail = 100000;
  think(0);
  EXPECT_EQ(ms_diff(stop_time, start_time), 500);
}

// The diagnostics (bench, profile, EPD suites) search quietly, and a quiet search plays at full
// strength whatever the level.
TEST_F(SearchTest, QuietSearchesIgnoreTheLevel) {
  U64 nodes_searched[2];
  int ms;
  move best;
  for (bool limited : {false, true}) {
    OptionUci.LimitStrength = limited, OptionUci.Elo = LEVEL_MIN_ELO;
    setup(spos);
    clearHash();
    suite_search(6, 1000000, &ms, &best, &nodes_searched[limited], 0);
  }
  EXPECT_EQ(nodes_searched[1], nodes_searched[0]);
}

// A go line's limits: the planned time never reaches past the clock, whatever the increment; an
// empty clock plans nothing; a mate in n is 2n - 1 plies deep. Move Overhead (60 unless set, held
// to 5000) is kept back from every clock, a movetime (up to a tenth of it) and a ponder search's.
TEST_F(SearchTest, LimitsAndTheTimeBudget) {
  const int A = GO_ABSENT, M = MAX_ITERATION;
  struct {
    const char* fen;
    go_limits_t go;  // wtime btime winc binc movestogo movetime depth mate infinite ponder
    int max_time, avail, type, depth;
    const char* overhead = "60";
  } cases[] = {
      {"w", {100000, 1, A, A, A, A, A, A, 0, 0}, 3321, 99640, TC_UNSET, M},
      {"b", {1, 100000, A, 1000, A, A, 5, A, 0, 0}, 4296, 99640, TC_UNSET, 5},
      {"w", {60000, A, 1000, A, A, A, A, A, 0, 0}, 2963, 59640, TC_UNSET, M},
      {"w", {60000, A, 101, A, A, A, A, A, 0, 0}, 2064, 59640, TC_UNSET, M},
      {"w", {60000, A, 18, A, A, A, A, A, 0, 0}, 2002, 59640, TC_UNSET, M},
      {"w", {30000, A, 20, A, 1, A, A, A, 0, 0}, 20973, 29940, TC_MOVES_TO_GO, M},
      {"w", {30000, A, A, A, 1, A, A, A, 0, 0}, 21000, 30000, TC_MOVES_TO_GO, M, "0"},
      {"w", {30000, A, A, A, 1, A, A, A, 0, 0}, 20300, 29000, TC_MOVES_TO_GO, M, "1000"},
      {"w", {30000, A, A, A, 1, A, A, A, 0, 0}, 17500, 25000, TC_MOVES_TO_GO, M, "9999"},
      {"w", {30000, A, A, A, 0, A, A, A, 0, 0}, 988, 29640, TC_SUDDEN_DEATH, M},
      {"w", {30000, A, A, A, A, A, A, A, 0, 1}, 1235, 29640, TC_UNSET, M},
      {"w", {30000, A, A, A, A, A, A, A, 0, 1}, 1237, 29700, TC_UNSET, M, "0"},
      {"w", {30000, A, A, A, A, A, A, A, 0, 1}, 1195, 28700, TC_UNSET, M, "1000"},
      {"w", {100000, A, A, A, A, 2500, A, 3, 0, 0}, 2440, 2500, TC_FIXED_TIME, 5},
      {"w", {A, A, A, A, A, 2500, A, A, 0, 0}, 2500, 2500, TC_FIXED_TIME, M, "0"},
      {"w", {A, A, A, A, A, 2500, A, A, 0, 0}, 2250, 2500, TC_FIXED_TIME, M, "9999"},
      {"w", {A, A, A, A, A, 100, A, 1, 0, 0}, 90, 100, TC_FIXED_TIME, 1},
      {"w", {A, A, A, A, A, 0, A, A, 0, 0}, 0, 0, TC_FIXED_TIME, M},
      {"w", {500, A, 1000, A, A, A, A, A, 0, 0}, 330, 140, TC_UNSET, M},
      {"w", {2000, A, 1000, A, 1, A, A, A, 0, 0}, 1455, 1940, TC_MOVES_TO_GO, M},
      {"w", {60, A, 1000, A, A, A, A, A, 0, 0}, 0, 0, TC_UNSET, M},
      {"w", {0, A, 1000, A, A, A, A, A, 0, 0}, 0, 0, TC_UNSET, M},
      {"w", {A, 5000, A, A, A, A, A, A, 0, 0}, 0, 0, TC_UNSET, M},
      {"w", {-20, A, A, A, 5, A, A, A, 0, 0}, 0, 0, TC_MOVES_TO_GO, M},
      {"w", {A, A, 1000, A, A, A, A, A, 1, 0}, 6000000, 6000000, TC_UNSET, M},
  };
  for (const auto& c : cases) {
    setup(std::string("4k3/8/8/8/8/8/8/4K3 ") + c.fen + " - - 0 1");
    uci::handle(std::string("setoption name Move Overhead value ") + c.overhead);
    ext_time_control_type = TC_UNSET;
    apply_limits(c.go);
    EXPECT_EQ(
        std::vector({max_time, si.time_avail, ext_time_control_type, max_depth, +si.infinite}),
        std::vector({c.max_time, c.avail, c.type, c.depth, +(c.go.infinite || c.go.mate > 0)}))
        << "row " << &c - cases;
  }
}

// The clock's verdict after an iteration, with 1000 ms planned: stop, or go on with the plan
// moved. Extensions: a new best move 500, a score drop 800 below 0 and 500 up to 74, a failure
// low 250; a stable position gives time back, a ponder search earns time.
TEST_F(SearchTest, StopAndExtensionDecisions) {
  struct {
    bool ponder, sudden_death;
    iteration_facts_t it;  // depth score previous elapsed mate_moves failed_low changed multipv
    int budget, stop, budget_after, changes;
  } cases[] = {
      {0, 0, {5, 20, 20, 300, 0, 0, 0, 0}, 1000, false, 1000, 0},
      {0, 0, {5, 20, 20, 1000, 0, 0, 0, 0}, 1000, true, 1000, 0},  // the planned time is spent
      {0, 0, {2, 20, 20, 1000, 0, 0, 0, 0}, 1000, false, 1000, 0},
      {0, 1, {2, 20, 20, 600, 0, 0, 0, 0}, 1000, true, 1000, 0},       // no time for the next one
      {0, 0, {1, 20, 20, 10000, 0, 0, 0, 0}, 1000, true, 1000, 0},     // the hard limit
      {0, 0, {4, 29995, 29995, 10, 3, 0, 0, 0}, 1000, true, 1000, 0},  // a short mate
      {0, 0, {4, -29996, -29996, 10, -2, 0, 0, 0}, 1000, true, 1000, 0},
      {0, 0, {3, 29995, 29995, 10, 3, 0, 0, 0}, 1000, false, 1000, 0},
      {0, 0, {4, 29989, 29989, 10, 6, 0, 0, 0}, 1000, false, 1000, 0},
      {0, 0, {3, 20, 20, 1200, 0, 0, 1, 0}, 1000, false, 1500, 1},  // a new best move
      {0, 0, {5, -40, 0, 1000, 0, 0, 0, 0}, 1000, false, 1800, 0},  // a drop below 0
      {0, 0, {5, 40, 80, 1000, 0, 0, 0, 0}, 1000, false, 1500, 0},  // a drop to a small lead
      {0, 0, {5, 100, 140, 1000, 0, 0, 0, 0}, 1000, false, 1000, 0},
      {0, 0, {5, 100, 120, 1000, 0, 0, 0, 0}, 1000, true, 1000, 0},    // too small a drop
      {0, 0, {5, -100, -50, 1000, 0, 1, 0, 0}, 1000, false, 1250, 0},  // a failure low
      {0, 0, {2, -40, 0, 1000, 0, 0, 1, 0}, 1000, false, 1000, 0},     // too shallow to extend
      {0, 0, {5, 20, 20, 1000, 0, 0, 1, 1}, 1000, false, 1500, 1},     // MultiPV: a new best
      {0, 0, {5, -40, 0, 1000, 0, 0, 0, 1}, 1000, true, 1000, 0},      // MultiPV: no drop rule
      {0, 1, {12, 20, 20, 600, 0, 0, 0, 0}, 3000, false, 2775, 0},     // time given back
      {0, 1, {11, 20, 20, 600, 0, 0, 0, 0}, 3000, false, 3000, 0},
      {1, 0, {3, 0, 0, 700, 0, 0, 1, 0}, 1000, false, 2400, 0},  // pondering earns time
      {1, 0, {3, 0, 60, 700, 0, 0, 0, 0}, 1000, false, 2050, 0},
      {1, 0, {3, 0, 0, 700, 0, 0, 0, 0}, 1000, false, 1000, 0},
      {1, 0, {3, 0, 0, 10000, 0, 0, 0, 0}, 1000, false, 1000, 0},  // and ignores the clock
  };
  for (const auto& c : cases) {
    si.infinite = false, si.pondering = c.ponder;
    si.time_avail = 100000, max_time = 1000, start_time = 0;
    plan_search_time(0);
    ext_time_control_type = c.sudden_death ? TC_SUDDEN_DEATH : TC_UNSET;
    time_plan_t plan = {c.budget, 0};
    const int stop = stop_after_iteration(c.it, &plan);
    EXPECT_EQ(std::vector({stop, plan.budget, plan.changes}),
              std::vector({c.stop, c.budget_after, c.changes}))
        << "row " << &c - cases;
  }
}

// The periodic check: the clock or a stop ends a search that has a move to play, and a search
// ended by the clock leaves the reply of its line. Each row ends in what it leaves: S when
// stopped, then the move to play and the reply (a, b, or - for none).
TEST_F(SearchTest, ClockAndStopEndTheSearch) {
  setup(spos);
  const move a = gen_dat[first_move[0]].m, b = gen_dat[first_move[0] + 1].m;
  struct {
    int since_stop;  // ms the planned stop lies behind us
    bool ponder, stop_requested, has_move, multipv_best;
    const char* left;
  } cases[] = {{10, 0, 0, 1, 0, "Sab"}, {-1000, 0, 0, 1, 0, "-a-"}, {10, 1, 0, 1, 0, "-a-"},
               {10, 0, 0, 0, 0, "---"}, {-1000, 1, 1, 1, 1, "Sb-"}, {-1000, 0, 1, 0, 0, "---"},
               {10, 0, 0, 1, 1, "Sbb"}};
  auto name = [&](move m) { return m.u == a.u ? 'a' : m.u == b.u ? 'b' : '-'; };
  for (const auto& c : cases) {
    si.infinite = si.stopped = false, si.pondering = c.ponder;
    si.stop_requested = c.stop_requested, si.ponder_move.u = 0;
    pv[0][0] = c.has_move ? a : move{}, pv[0][1] = b, pv_length[0] = 2;
    rootBestMove = c.multipv_best ? b : move{};
    start_time = ms_add(get_ms(), -2000), stop_time = ms_add(get_ms(), -c.since_stop);
    ext_max_tt = 1000000;
    CheckUserInputandTime();
    EXPECT_EQ(std::string({si.stopped ? 'S' : '-', name(pv[0][0]), name(si.ponder_move)}), c.left)
        << "row " << &c - cases;
  }
}

// The input check under a storm of signals: a look cut short is no input.
TEST(Platform, SignalsDoNotPassForInput) {
  int fds[2], seen = 0;
  const int saved = dup(0);
  ASSERT_EQ(pipe(fds), 0);
  dup2(fds[0], 0);
  struct sigaction alarm = {}, old;
  alarm.sa_handler = [](int) {};  // no SA_RESTART: the signal cuts system calls short
  sigaction(SIGALRM, &alarm, &old);
  itimerval often = {{0, 50}, {0, 50}}, off = {};
  setitimer(ITIMER_REAL, &often, nullptr);
  for (int i = 0; i < 20000; i++) seen += bioskey();
  setitimer(ITIMER_REAL, &off, nullptr), sigaction(SIGALRM, &old, nullptr);
  dup2(saved, 0), close(saved), close(fds[0]), close(fds[1]);
  EXPECT_EQ(seen, 0);
}

}  // namespace
