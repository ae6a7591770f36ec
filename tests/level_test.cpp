// SPDX-License-Identifier: GPL-3.0-or-later
// Playing at a level through UCI: every kind of go answered with a legal move in time, nothing
// changed while the level is off or in the diagnostics, games that vary with the seed, and full
// strength that does not. How strong a level plays is measured by tools/calibrate.sh, not here.
#include <cstdio>
#include <set>

#include "uci_harness.h"

namespace {

using uci::Lines;

constexpr int kHangGuardMs = 20000;
const char* const kLimit = "setoption name UCI_LimitStrength value true";

// Starts the engine with its choices seeded (ZELTRO_SEED), optionally at a level.
bool launch_at(uci::Engine& e, unsigned long long seed, int elo) {
  setenv("ZELTRO_SEED", std::to_string(seed).c_str(), 1);
  const bool up = uci::launch(e);
  unsetenv("ZELTRO_SEED");
  if (up && elo > 0) uci::ask(e, std::string(kLimit) + "\nsetoption name UCI_Elo value " +
                                     std::to_string(elo));
  return up;
}

// A search's lines with the times and speeds taken out, which differ from run to run, and so
// the progress lines that the clock brings.
Lines without_times(const Lines& out) {
  Lines kept;
  for (std::string line : out) {
    if (line.starts_with("info nodes ") && line.find(" nps ") != std::string::npos) continue;
    for (const char* word : {" time ", " nps "}) {
      const size_t at = line.find(word);
      if (at == std::string::npos) continue;
      const size_t end = line.find(' ', at + strlen(word));
      line.erase(at, (end == std::string::npos ? line.size() : end) - at);
    }
    kept.push_back(line);
  }
  return kept;
}

// Whether the move text is legal in the position.
bool legal(const std::string& position, const std::string& text) {
  uci::engine_in_process();
  uci::handle(position);
  const int before = hply;
  uci::handle(position + (position.find(" moves ") == std::string::npos ? " moves " : " ") + text);
  return hply == before + 1;
}

std::string bestmove(const Lines& out) {
  return out.empty() || !out.back().starts_with("bestmove ") ? "<none>" : out.back().substr(9, 4);
}

// At the lowest and at a middle level every kind of go is answered with a legal move, within the
// time it may take; searches that wait for stop or ponderhit still wait.
TEST(LimitedPlay, AnswersEveryKindOfGoWithALegalMoveInTime) {
  const char* const position = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5";
  const struct {
    const char* go;
    int most_ms;         // the longest time the engine may report
    const char* ender;   // sent after the go when the search waits for it
  } cases[] = {
      {"go wtime 60000 btime 60000 winc 1000 binc 1000", 45000, nullptr},
      {"go wtime 300 btime 300", 240, nullptr},
      {"go movetime 500", 500, nullptr},
      {"go depth 30", kHangGuardMs, nullptr},
      {"go infinite", kHangGuardMs, "stop"},
      {"go ponder wtime 1000 btime 1000", kHangGuardMs, "ponderhit"},
  };
  for (int elo : {1000, 1700}) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, 7, elo));
    for (int multipv : {1, 3}) {
      uci::ask(e, "setoption name MultiPV value " + std::to_string(multipv));
      for (const auto& c : cases) {
        const std::string what = std::to_string(elo) + " multipv " + std::to_string(multipv) +
                                 ": " + c.go;
        ASSERT_TRUE(uci::send(e, std::string(position) + "\n" + c.go));
        Lines out;
        if (c.ender) {
          out = uci::ask(e, "");
          for (const std::string& line : out)
            EXPECT_FALSE(line.starts_with("bestmove")) << what << ": answered before " << c.ender;
          ASSERT_TRUE(uci::send(e, c.ender));
        }
        for (const std::string& line : uci::read_until(e, "bestmove", c.most_ms + kHangGuardMs))
          out.push_back(line);
        int ms = -1;
        if (out.size() >= 2) sscanf(out[out.size() - 2].c_str(), "info nodes %*d time %d", &ms);
        EXPECT_TRUE(ms >= 0 && ms <= c.most_ms) << what << ": " << out[out.size() - 2];
        EXPECT_TRUE(legal(position, bestmove(out))) << what << ": " << out.back();
        auto shown = [&](int line) {
          return std::any_of(out.begin(), out.end(), [&](const std::string& l) {
            return l.find(" multipv " + std::to_string(line) + " ") != std::string::npos;
          });
        };
        EXPECT_TRUE(shown(multipv) && !shown(multipv + 1)) << what << ": the lines asked for";
      }
    }
    EXPECT_EQ(uci::quit(e), 0);
  }
}

// A level set while UCI_LimitStrength is off changes no line of a search, and with it on the
// diagnostics still search at full strength.
TEST(LimitedPlay, OffChangesNothingAndTheDiagnosticsIgnoreTheLevel) {
  const std::string search = "position startpos moves d2d4 g8f6\ngo depth 5";
  uci::Engine plain, set;
  ASSERT_TRUE(launch_at(plain, 1, 0));
  ASSERT_TRUE(launch_at(set, 2, 0));
  EXPECT_EQ(uci::ask(set, "setoption name UCI_Elo value 1200"),
            Lines{"info string UCI_Elo is set to 1200"});
  ASSERT_TRUE(uci::send(plain, search) && uci::send(set, search));
  const Lines expected = without_times(uci::read_until(plain, "bestmove"));
  EXPECT_EQ(without_times(uci::read_until(set, "bestmove")), expected);
  EXPECT_EQ(uci::quit(plain), 0);

  uci::ask(set, kLimit);
  EXPECT_EQ(uci::ask(set, "symtestpos"), Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"});
#ifndef ZELTRO_SLOW_BUILD  // the bench takes too long without optimisation
  ASSERT_TRUE(uci::send(set, "bench"));
  const Lines bench = uci::read_until(set, "# t_time=", 4 * uci::kTimeoutMs);
  EXPECT_NE(bench.back().find(" t_nodes=29093238,"), std::string::npos) << bench.back();
#endif
  EXPECT_EQ(uci::quit(set), 0);
}

// Limited searches of one position vary with the seed and repeat with the same seed; at full
// strength (off, or on at the top level) the seed changes nothing.
TEST(LimitedPlay, ChoicesVaryWithTheSeedFullStrengthDoesNot) {
  const std::string search = "position startpos moves e2e4 e7e5\ngo depth 5";
  std::set<std::string> moves;
  std::string first;
  for (unsigned long long seed = 1; seed <= 10; seed++) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, seed, 1000));
    ASSERT_TRUE(uci::send(e, search));
    const std::string move = bestmove(uci::read_until(e, "bestmove"));
    if (seed == 1) first = move;
    moves.insert(move);
    EXPECT_EQ(uci::quit(e), 0);
  }
  EXPECT_GE(moves.size(), 3u) << "ten seeds at the lowest level";
  uci::Engine again;
  ASSERT_TRUE(launch_at(again, 1, 1000));
  ASSERT_TRUE(uci::send(again, search));
  EXPECT_EQ(bestmove(uci::read_until(again, "bestmove")), first) << "the same seed";
  EXPECT_EQ(uci::quit(again), 0);

  Lines full;
  for (int seed : {1, 2, 3}) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, seed, seed == 3 ? 1800 : 0));
    ASSERT_TRUE(uci::send(e, "position startpos moves e2e4 e7e5\ngo depth 5"));
    const Lines out = without_times(uci::read_until(e, "bestmove"));
    if (seed == 1) full = out;
    EXPECT_EQ(out, full) << "seed " << seed;
    EXPECT_EQ(uci::quit(e), 0);
  }
}

// A level misjudges close choices, not clear ones: even the lowest takes a queen left hanging and
// mates in one, whatever the seed.
TEST(LimitedPlay, ClearWinsAreTakenAtEveryLevel) {
  const struct {
    const char* position;
    const char* move;
  } cases[] = {
      {"position fen 4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1", "d2d5"},  // the queen hangs
      {"position fen 6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8"},  // mate in one
  };
  for (unsigned long long seed = 1; seed <= 5; seed++) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, seed, 1000));
    for (const auto& c : cases) {
      ASSERT_TRUE(uci::send(e, std::string(c.position) + "\ngo wtime 10000 btime 10000"));
      EXPECT_EQ(bestmove(uci::read_until(e, "bestmove")), c.move) << c.position << " seed " << seed;
    }
    EXPECT_EQ(uci::quit(e), 0);
  }
}

}  // namespace
