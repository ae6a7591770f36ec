// Searching through UCI end to end: go lines, replies, and commands that arrive mid-search.
#include <algorithm>
#include <cstdio>
#include <string>

#include "uci_harness.h"

namespace {

using uci::Lines;

bool has_prefix(const Lines& lines, const std::string& prefix) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& l) { return l.starts_with(prefix); });
}

// Whether the whole line reads as the scanf format, whose conversions all skip (%*).
bool reads_as(const std::string& line, const std::string& format) {
  int end = -1;
  sscanf(line.c_str(), (format + "%n").c_str(), &end);
  return end == (int)line.size();
}

TEST(GoCommand, MalformedLinesAreAnsweredAndNotSearched) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  EXPECT_EQ(uci::ask(e, "go"), Lines{}) << "go needs a blank behind it";
  EXPECT_EQ(uci::ask(e, "go "), Lines{"info string unknown command \"go \"??"});
  EXPECT_EQ(uci::ask(e, "go movetime abc"),
            (Lines{"info string movetime param is not a digit??",
                   "info string unknown command \"go movetime\"??"}));
  EXPECT_EQ(uci::ask(e, "go depth"), Lines{"info string missing depth param??"});
  Lines zero = uci::ask(e, "go depth 0");
  ASSERT_EQ(zero.size(), 2u);
  EXPECT_TRUE(zero[0].starts_with("info nodes 0 time ")) << zero[0];
  EXPECT_EQ(zero[1], "bestmove 0000");
  // searchmoves takes the rest of the line and limits the root to its legal moves.
  ASSERT_TRUE(uci::send(e, "go depth 2 searchmoves a2a3 e2e5"));
  Lines out = uci::read_until(e, "bestmove");
  EXPECT_EQ(out.front(), "info string the move (e2e5) to search is illegal??");
  EXPECT_EQ(out.back(), "bestmove a2a3");
  EXPECT_EQ(uci::quit(e), 0);
}

TEST(GoCommand, DepthSearchReportsAndPlaysALegalMove) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  ASSERT_TRUE(uci::send(e, "position startpos moves e2e4"));
  ASSERT_TRUE(uci::send(e, "go foo depth 3"));
  Lines out = uci::read_until(e, "bestmove");
  ASSERT_GE(out.size(), 5u);
  for (int i = 0; i < 3; i++)
    EXPECT_TRUE(reads_as(out[i], "info depth " + std::to_string(i + 1) +
                                     " seldepth %*u score cp %*d time %*u nodes %*u nps %*u pv "
                                     "%*[a-h1-8nbrq ]"))
        << out[i];
  EXPECT_TRUE(out[3].starts_with("info nodes ")) << out[3];
  EXPECT_EQ(out[4], "bestmove " + out[2].substr(out[2].find(" pv ") + 4, 4)) << "the line's move";
  EXPECT_EQ(uci::quit(e), 0);
}

TEST(GoCommand, StopIsreadyAndQuitActDuringTheSearch) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  ASSERT_TRUE(uci::send(e, "go infinite"));
  // isready is answered at once; a position line is ignored while the search runs.
  Lines during = uci::ask(e, "position fen 8/8/8/8/8/8/8/8 w - - 0 1");
  EXPECT_FALSE(has_prefix(during, "bestmove"));
  EXPECT_FALSE(has_prefix(during, "info string fen error"));
  ASSERT_TRUE(uci::send(e, "stop"));
  Lines out = uci::read_until(e, "bestmove");
  EXPECT_TRUE(reads_as(out.back(), "bestmove %*1[a-h]%*1[12]%*1[a-h]%*1[34]"))
      << "a start-position move, even when the stop comes at once: " << out.back();
  EXPECT_TRUE(out[out.size() - 2].starts_with("info nodes ")) << out[out.size() - 2];

  // quit in the middle of a search ends the engine without a reply.
  ASSERT_TRUE(uci::send(e, "go infinite"));
  uci::ask(e, "");
  EXPECT_EQ(uci::quit(e), 0);
  EXPECT_FALSE(has_prefix(uci::read_rest(e), "bestmove"));
}

// The node count of the bench is the engine's signature: a change of it must be deliberate.
TEST(Diagnostics, BenchSignature) {
#ifdef ZELTRO_SLOW_BUILD
  GTEST_SKIP() << "the bench takes too long without optimisation";
#endif
  uci::Run r = uci::run({"bench"}, 4 * uci::kTimeoutMs);  // a busy machine may take a while
  EXPECT_EQ(r.status, 0);
  ASSERT_GE(r.out.size(), 3u);
  EXPECT_TRUE(reads_as(r.out.back(), "29093238 nodes %*u nps")) << r.out.back();
  EXPECT_TRUE(reads_as(r.out[r.out.size() - 3],
                       "# t_time=%*u msec, t_nodes=29093238, ave_nps=%*uK, t_score=50."))
      << r.out[r.out.size() - 3];
}

TEST(Diagnostics, SymmetryTestFindsNoMistake) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  EXPECT_EQ(uci::ask(e, "symtestpos"), Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"});
  EXPECT_EQ(uci::quit(e), 0);
}

}  // namespace
