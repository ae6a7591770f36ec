// SPDX-License-Identifier: GPL-3.0-or-later
// Playing at a level through UCI: every kind of go answered with a legal move in time, nothing
// changed while the level is off or in the diagnostics, choices that vary with the seed, and full
// strength that does not. How strong a level plays is measured by tools/calibrate.sh, not here.
#include <cstdio>
#include <set>

#include "search.h"
#include "uci_harness.h"

namespace {

using uci::Lines;

constexpr int kHangGuardMs = 20000;

// Starts the engine with its choices seeded (ZELTRO_SEED), at a level unless elo is 0.
bool launch_at(uci::Engine& e, unsigned long long seed, int elo) {
  setenv("ZELTRO_SEED", std::to_string(seed).c_str(), 1);
  const bool up = uci::launch(e);
  unsetenv("ZELTRO_SEED");
  if (up && elo > 0)
    uci::ask(e, "setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value " +
                    std::to_string(elo));
  return up;
}

// A search's lines without the times and speeds, and without the progress lines the clock brings.
Lines without_times(const Lines& out) {
  Lines kept;
  for (std::string line : out) {
    if (line.starts_with("info nodes ") && line.find(" nps ") != std::string::npos) continue;
    for (const char* word : {" time ", " nps "}) {
      const size_t at = line.find(word);
      if (at != std::string::npos) line.erase(at, line.find(' ', at + strlen(word)) - at);
    }
    kept.push_back(line);
  }
  return kept;
}

std::string bestmove(const Lines& out) {
  return out.empty() || !out.back().starts_with("bestmove ") ? "<none>" : out.back().substr(9, 4);
}

// At the lowest and at a middle level, with one line or three, every kind of go is answered with
// a legal move in the time it may take, showing the lines asked for and no more; searches that
// wait for stop or ponderhit still wait.
TEST(LimitedPlay, AnswersEveryKindOfGoWithALegalMoveInTime) {
  const std::string position = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5";
  const struct {
    const char* go;
    int most_ms;        // the longest time the engine may report
    const char* ender;  // sent after the go when the search waits for it
  } cases[] = {
      {"go wtime 60000 btime 60000 winc 1000 binc 1000", 45000, nullptr},
      {"go wtime 300 btime 300", 240, nullptr},
      {"go movetime 500", 500, nullptr},
      {"go depth 30", kHangGuardMs, nullptr},
      {"go infinite", kHangGuardMs, "stop"},
      {"go ponder wtime 1000 btime 1000", kHangGuardMs, "ponderhit"},
  };
  uci::engine_in_process();
  for (int elo : {1000, 1700}) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, 7, elo));
    for (int multipv : {1, 3}) {
      uci::ask(e, "setoption name MultiPV value " + std::to_string(multipv));
      for (const auto& c : cases) {
        const std::string what = std::to_string(elo) + "/" + std::to_string(multipv) + " " + c.go;
        ASSERT_TRUE(uci::send(e, position + "\n" + c.go));
        Lines out;
        if (c.ender) {
          out = uci::ask(e, "");
          EXPECT_TRUE(out.empty() || !out.back().starts_with("bestmove")) << what;
          ASSERT_TRUE(uci::send(e, c.ender));
        }
        for (const std::string& line : uci::read_until(e, "bestmove", c.most_ms + kHangGuardMs))
          out.push_back(line);
        int ms = -1;
        if (out.size() >= 2) sscanf(out[out.size() - 2].c_str(), "info nodes %*d time %d", &ms);
        EXPECT_TRUE(ms >= 0 && ms <= c.most_ms) << what << ": " << out[out.size() - 2];
        uci::handle(position);
        const int before = hply;
        uci::handle(position + " " + bestmove(out));
        EXPECT_EQ(hply, before + 1) << what << ": " << out.back();
        auto shown = [&](int line) {
          const std::string tag = " multipv " + std::to_string(line) + " ";
          return std::any_of(out.begin(), out.end(),
                             [&](const std::string& l) { return l.find(tag) != std::string::npos; });
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
  ASSERT_TRUE(launch_at(plain, 1, 0) && launch_at(set, 2, 0));
  EXPECT_EQ(uci::ask(set, "setoption name UCI_Elo value 1200"),
            Lines{"info string UCI_Elo is set to 1200"});
  ASSERT_TRUE(uci::send(plain, search) && uci::send(set, search));
  EXPECT_EQ(without_times(uci::read_until(set, "bestmove")),
            without_times(uci::read_until(plain, "bestmove")));
  EXPECT_EQ(uci::quit(plain), 0);

  uci::ask(set, "setoption name UCI_LimitStrength value true");
  EXPECT_EQ(uci::ask(set, "symtestpos"), Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"});
#ifndef ZELTRO_SLOW_BUILD  // the bench takes too long without optimisation
  ASSERT_TRUE(uci::send(set, "bench"));
  const Lines bench = uci::read_until(set, "# t_time=", 4 * uci::kTimeoutMs);
  EXPECT_NE(bench.back().find(" t_nodes=29093238,"), std::string::npos) << bench.back();
#endif
  EXPECT_EQ(uci::quit(set), 0);
}

// At the lowest level the choice among close moves varies with the seed and repeats with the same
// seed, but a queen left hanging is always taken and a mate in one always played. At full strength
// (off, or on at the top level) the seed changes nothing.
TEST(LimitedPlay, ChoicesVaryWithTheSeedFullStrengthDoesNot) {
  const char* const cases[][2] = {
      {"position startpos moves e2e4 e7e5", nullptr},
      {"position fen 4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1", "d2d5"},  // the queen hangs
      {"position fen 6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1", "a1a8"},  // mate in one
  };
  Lines chosen;  // at the start position, seed by seed
  for (unsigned long long seed : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1}) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, seed, 1000));
    for (auto [position, clear] : cases) {
      ASSERT_TRUE(uci::send(e, std::string(position) + "\ngo depth 5"));
      const std::string move = bestmove(uci::read_until(e, "bestmove"));
      if (!clear) {
        chosen.push_back(move);
      } else {
        EXPECT_EQ(move, clear) << position << " seed " << seed;
      }
    }
    EXPECT_EQ(uci::quit(e), 0);
  }
  ASSERT_EQ(chosen.size(), 11u);
  EXPECT_EQ(chosen.back(), chosen.front()) << "the same seed again";
  EXPECT_GE(std::set<std::string>(chosen.begin(), chosen.end() - 1).size(), 3u) << "ten seeds";

  Lines full;
  for (int seed : {1, 2, 3}) {
    uci::Engine e;
    ASSERT_TRUE(launch_at(e, seed, seed == 3 ? LEVEL_MAX_ELO : 0));
    ASSERT_TRUE(uci::send(e, "position startpos moves e2e4 e7e5\ngo depth 5"));
    const Lines out = without_times(uci::read_until(e, "bestmove"));
    if (seed == 1) full = out;
    EXPECT_EQ(out, full) << "seed " << seed;
    EXPECT_EQ(uci::quit(e), 0);
  }
}

}  // namespace
