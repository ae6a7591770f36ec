// The search seen from inside: mate, draw and contempt scores, the time budget, and whole
// searches on small positions.
#include "search.h"

#include <string>

#include "common.h"
#include "protocol.h"

namespace {

class SearchTest : public EngineTest {
 protected:
  void SetUp() override {
    // Searches here never read the test's own standard input and never stop on the clock.
    si.poll_input = false;
    si.quiet = true;
    si.infinite = true;
    si.pondering = si.stopped = si.stop_requested = si.fixed_time = false;
    ext_root_side = LIGHT;
    nodes = 1;
  }
  void TearDown() override {
    EngineTest::TearDown();
    si.infinite = false;
    si.poll_input = true;
  }
  // Searches to the depth; returns what the search printed.
  static std::string think_for(int depth) {
    max_depth = depth;
    max_time = si.time_avail = 1000000;
    testing::internal::CaptureStdout();
    think(0);
    return testing::internal::GetCapturedStdout();
  }
};

TEST_F(SearchTest, MatesAndDraws) {
  setup("7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(search(-30000, 30000, 4, true), -30000) << "mated at the root";
  setup("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
  EXPECT_EQ(search(-30000, 30000, 4, false), 0) << "stalemate";
  setup("7k/8/8/8/8/8/8/K6N w - - 0 1");
  EXPECT_EQ(search(-30000, 30000, 4, false), 0) << "a lone knight cannot win";

  setup("7k/6Q1/6K1/8/8/8/8/8 b - - 100 80");
  EXPECT_EQ(search(-30000, 30000, 4, true), -30000) << "mate on the hundredth ply still counts";
  EXPECT_EQ(qsearch(-30000, 30000, 0, true), 15) << "quiescence calls it a draw";
  setup("7k/8/6K1/8/8/8/6Q1/8 b - - 101 80");
  EXPECT_EQ(search(-30000, 30000, 4, false), 15) << "draw seen from the opponent of the root side";
}

TEST_F(SearchTest, RepetitionIsScoredWithContempt) {
  uci::handle("position startpos moves g1f3 g8f6 f3g1 f6g8");
  ASSERT_EQ(hply, 4);
  ply = 1;  // repetitions count below the root only
  ext_root_side = LIGHT;
  EXPECT_EQ(search(-30000, 30000, 4, false), -15) << "the engine itself repeats";
  ext_root_side = DARK;
  EXPECT_EQ(search(-30000, 30000, 4, false), 15);
  EXPECT_EQ(qsearch(-30000, 30000, 0, false), 15);
  OptionUci.AnalyseMode = true;
  EXPECT_NE(qsearch(-30000, 30000, 0, false), 15) << "analysis wants a second repetition";
  uci::handle("position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8");
  ply = 1;
  EXPECT_EQ(qsearch(-30000, 30000, 0, false), 15);
}

TEST_F(SearchTest, FindsMatesAndLeavesTheReply) {
  setup("6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1");
  think_for(4);
  EXPECT_EQ(std::string(move_str(pv[0][0])), "a1a8");
  EXPECT_EQ(value_to_mate(iscore[4]), 1);
  setup(spos);
  think_for(3);
  ASSERT_GE(pv_length[0], 2);
  EXPECT_EQ(si.ponder_move.u, pv[0][1].u) << "the expected reply is the second move of the line";

  // Moves to mate as reported: whole moves, none for scores short of a mate.
  const int mates[][2] = {{29999, 1}, {29997, 2}, {29800, 0}, {0, 0}, {-29998, -1}, {-29800, 0}};
  for (auto [score, moves] : mates) EXPECT_EQ(value_to_mate(score), moves) << score;
}

TEST_F(SearchTest, MultiPvCollectsOneLinePerRootMove) {
  OptionUci.MultiPV = 3;
  setup("7k/8/8/8/8/8/5q2/6RK w - - 0 1");
  std::string out = think_for(2);
  EXPECT_NE(out.find("info depth 2 multipv 3 "), std::string::npos) << out;
  setup("7k/8/8/8/8/8/6q1/7K w - - 0 1");  // only Kxg2 is legal
  out = think_for(2);
  EXPECT_NE(out.find("info depth 2 multipv 1 "), std::string::npos) << out;
  EXPECT_EQ(out.find("multipv 2"), std::string::npos) << out;
  EXPECT_EQ(std::string(move_str(pv[0][0])), "h1g2");
}

// The plan never reaches past the clock, whatever the increment; an empty clock plans nothing.
TEST_F(SearchTest, TimeBudget) {
  setup("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  const int none = GO_ABSENT;
  struct {
    int own, inc, movestogo, movetime, max_time, avail, type;
  } cases[] = {
      {100000, none, none, none, 3321, 99640, 0},  // plain clock: a thirtieth of what is left
      {60000, 1000, none, none, 2963, 59640, 0},   // the increment on top
      {30000, 20, 1, none, 20973, 29940, 1},       // one move to the control
      {100000, none, none, 2500, 2440, 2500, 3},   // a fixed time wins, less its margin
      {100, none, none, 100, 90, 100, 3},          // a tenth of a short fixed time
      {500, 1000, none, none, 330, 140, 0},        // clock below the increment: held to 3/4
      {2000, 1000, 1, none, 1455, 1940, 1},        // the last move before the control too
      {800, 1000, 0, none, 555, 440, 0},
      {60, 1000, none, none, 0, 0, 0},  // nothing above the reserve
      {0, 1000, none, none, 0, 0, 0},   // an empty clock is still a clock
      {-20, none, 5, none, 0, 0, 1},
      {none, 1000, none, none, 6000000, 6000000, 0},  // no clock at all
  };
  for (const auto& c : cases) {
    ext_time_control_type = 0;
    time_budget(c.own, c.inc, c.movestogo, c.movetime);
    EXPECT_EQ(max_time, c.max_time) << c.own << " " << c.inc << " " << c.movestogo;
    EXPECT_EQ(si.time_avail, c.avail) << c.own;
    EXPECT_EQ(ext_time_control_type, c.type) << c.own;
  }
}

}  // namespace
