// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a game through UCI, at full strength and at a level. Time bounds on the engine's side
// are what it reports; the bounds the test measures itself only guard against a hang. How strong a
// level plays is measured by tools/calibrate.sh, not here.
#include <sys/stat.h>

#include <map>
#include <set>
#include <thread>

#include "uci_harness.h"

namespace {

using uci::Lines;

const char* const kOneMove = "position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1";  // only Kxg2
const char* const kMateIn1 = "position fen 6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1";
const char* const kLevelGame = "position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5";

// Every kind of go, at full strength and at the lowest and a middle level, with one line or
// several, is answered in the time it may take with a legal move and a reply ("ponder") that can
// follow it, however the search ended; the lines asked for are shown and no more. Searches that
// wait for stop or ponderhit still wait, an empty clock plays at once, go mate n ends by itself.
TEST(Play, EveryKindOfGoIsAnsweredInTimeWithALegalMoveAndReply) {
  const int guard = uci::kHangGuardMs;
  struct Case {
    int elo, lines;  // elo 0: full strength
    const char *position, *go;
    int most_ms;                  // the longest time the engine may report
    const char* ender = nullptr;  // sent after the go when the search waits for it
    const char* best = nullptr;   // the move it must play (nullptr: any legal one)
  };
  std::vector<Case> cases = {
      {0, 1, "position startpos", "go wtime 500 btime 500 winc 1000 binc 1000", 440},
      // The other clock only: ours is empty (1000 is generous: without the rule it takes minutes).
      {0, 1, "position startpos", "go btime 1000", 1000},
      {0, 1, "position startpos", "go movetime 500", 500},
      {0, 1, kOneMove, "go movetime 300", 300},
      {0, 1, kMateIn1, "go mate 2", guard, nullptr, "a1a8"},
      {0, 1, "position startpos", "go depth 3", guard},
      {0, 2, kOneMove, "go depth 2", guard},
      {0, 2, "position startpos moves e2e4 e7e5 g1f3", "go depth 3", guard},
      {0, 1, "position startpos moves d2d4", "go movetime 30", guard},
      {0, 2, "position startpos moves d2d4", "go movetime 30", guard},
      {0, 1, "position startpos moves d2d4", "go movetime 200", guard},
      {0, 2, "position startpos moves d2d4", "go movetime 200", guard},
  };
  const Case at_level[] = {
      {0, 0, kLevelGame, "go wtime 60000 btime 60000 winc 1000 binc 1000", 45000},
      {0, 0, kLevelGame, "go wtime 300 btime 300", 240},
      {0, 0, kLevelGame, "go movetime 500", 500},
      {0, 0, kLevelGame, "go depth 30", guard},
      {0, 0, kLevelGame, "go infinite", guard, "stop"},
      {0, 0, kLevelGame, "go ponder wtime 1000 btime 1000", guard, "ponderhit"},
  };
  for (auto [elo, lines] : {std::pair{1000, 3}, {1700, 1}})
    for (Case c : at_level) c.elo = elo, c.lines = lines, cases.push_back(c);
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e, nullptr, "7"));
  uci::ask(e, "setoption name Ponder value true");
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.elo) + "/" + std::to_string(c.lines) + " " + c.go;
    uci::ask(e, "setoption name UCI_LimitStrength value " + std::string(c.elo ? "true" : "false") +
                    "\nsetoption name UCI_Elo value " + std::to_string(c.elo) +
                    "\nsetoption name MultiPV value " + std::to_string(c.lines));
    ASSERT_TRUE(uci::send(e, std::string(c.position) + "\n" + c.go));
    Lines out = c.ender ? uci::ask(e, "") : Lines{};  // a search that waits has no move yet
    EXPECT_TRUE(out.empty() || !out.back().starts_with("bestmove")) << what;
    ASSERT_TRUE(!c.ender || uci::send(e, c.ender));
    for (const std::string& line : uci::read_until(e, "bestmove", c.most_ms + guard))
      out.push_back(line);
    const int ms = uci::reported_time(out);
    EXPECT_TRUE(ms >= 0 && ms <= c.most_ms) << what << ": " << ms;
    const std::string best = uci::bestmove(out);
    EXPECT_TRUE(best.starts_with(c.best ? c.best : "") && uci::playable(c.position, best))
        << what << ": " << out.back();
    std::string text;  // the lines asked for are shown, and no more
    for (const std::string& line : out) text += line + "\n";
    auto shown = [&](int n) {
      return text.find(" multipv " + std::to_string(n) + " ") != std::string::npos;
    };
    EXPECT_TRUE((!c.elo || shown(c.lines)) && !shown(c.lines + 1)) << what << ": " << text;
    // The lines of the last depth come best first, at a level too; at full strength the first
    // one is played, and at a level showing one line, the line shown last is.
    std::map<int, std::pair<int, std::string>> last;  // score and move of each line
    const std::regex line("info depth \\d+ multipv (\\d+) score cp (\\S+) .* pv (\\S+).*");
    for (std::smatch m; const std::string& l : out)
      if (std::regex_match(l, m, line)) last[std::stoi(m[1])] = {std::stoi(m[2]), m[3]};
    for (auto [n, scored] : last)
      EXPECT_TRUE(n == 1 ? (c.elo && c.lines > 1) || best.starts_with(scored.second)
                         : scored.first <= last[n - 1].first)
          << what << ": " << text;
  }
  EXPECT_EQ(uci::quit(e), 0);
}

// Processor time the engine has used so far, in milliseconds.
long cpu_ms(const uci::Engine& e) {
  clockid_t clock;
  timespec t = {};
  if (clock_getcpuclockid(e.pid, &clock) == 0) clock_gettime(clock, &t);
  return t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

// A search that waits for stop or ponderhit, still searching or idle once out of work, answers
// isready, refuses a diagnostic with a line, and lets a new position, an option, another go or a
// ponder hit of an analysis change nothing, its moves to search included (its board: the session
// fuzz target's saved inputs). A go line longer than its word table is read up to the table's end.
TEST(Play, ASearchThatWaitsIgnoresOtherInputUntilStopOrPonderhit) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const char* const during[][2] = {
      {"symtestpos", "info string symtestpos ignored: a search is running"},
      {"bench", "info string bench ignored: a search is running"},
      {"profile", "info string profile ignored: a search is running"},
      {"position fen 8/8/8/8/8/8/8/8 w - - 0 1", nullptr},
      {"position startpos moves e2e4", nullptr},
      {"setoption name MultiPV value 3", nullptr},
      {"ucinewgame", nullptr},
      {"go depth 1", nullptr},
      {"debug on", nullptr},
      {"ponderhit", nullptr}};  // ponderhit: to the searches that do not ponder
  const char* const stalemate = "position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1";
  // position, go, the line printed when the search has run out of work ("": it searches on,
  // nullptr: none), the command that ends the search and the start of its answer
  const char* cases[][5] = {
      {"position startpos", "go infinite searchmoves a2a3", "", "stop", "bestmove a2a3"},
      {kOneMove, "go infinite", "info depth 128 ", "stop", "bestmove h1g2"},
      {stalemate, "go ponder", nullptr, "stop", "bestmove 0000"},
      {kMateIn1, "go infinite mate 1", "info depth 1 ", "stop", "bestmove a1a8"},
      {kOneMove, "go ponder wtime 1000 btime 1000", "info depth 128 ", "ponderhit",
       "bestmove h1g2"},
      {kMateIn1, "go ponder depth 2 wtime 9000", "info depth 2 ", "ponderhit", "bestmove a1a8"},
      {"position startpos", "go ponder depth 3", "info depth 3 ", "stop", "bestmove "},
  };
  for (auto [position, go, last_line, ender, reply] : cases) {
    ASSERT_TRUE(uci::send(e, std::string(position) + "\n" + go));
    if (last_line && *last_line) {
      EXPECT_TRUE(uci::read_until(e, last_line).back().starts_with(last_line)) << go;
    }
    const long cpu = cpu_ms(e);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    for (auto [line, answer] : during) {
      if (strstr(go, "ponder") && !strcmp(line, "ponderhit")) continue;
      Lines out;  // without the search's own progress
      for (const std::string& l : uci::ask(e, line))
        if (!std::regex_match(l, std::regex("info (depth|nodes|currmove) .*"))) out.push_back(l);
      EXPECT_EQ(out, answer ? Lines{answer} : Lines{}) << go << " / " << line;
    }
    EXPECT_TRUE((last_line && !*last_line) || cpu_ms(e) - cpu < 100)
        << go << ": the wait must not spin";
    const Lines out = uci::ask(e, ender);
    EXPECT_TRUE(!out.empty() && out.back().starts_with(reply)) << go << ": " << out.back();
  }
  std::string many = "position startpos\ngo depth 1 searchmoves";
  for (int i = 0; i < 5000; i++) many += " e2e4";
  const Lines out = uci::search(e, many);
  EXPECT_EQ(out.front(), "info string go line too long, words from 4097 on are ignored");
  EXPECT_EQ(out.back(), "bestmove e2e4");
  EXPECT_EQ(uci::quit(e), 0);
}

// At the end of the input a running search still answers with a move, a last line without its
// line feed still counts, and the engine exits.
TEST(Play, AtTheEndOfTheInputTheSearchIsAnsweredThenTheEngineExits) {
  for (const std::string& input :
       {std::string("position startpos\ngo infinite\n"), std::string(kOneMove) + "\ngo infinite\n",
        std::string("position startpos moves e2e4\ngo ponder wtime 1000 btime 1000\n"),
        std::string("position startpos\ngo depth 1")}) {
    uci::Engine e;
    ASSERT_TRUE(uci::launch(e) && uci::send(e, input, ""));
    close(e.to_engine), e.to_engine = -1;
    const std::string best = uci::bestmove(uci::read_until(e, nullptr));
    EXPECT_TRUE(best != "<none>" && best != "0000") << input << ": " << best;
    EXPECT_EQ(uci::wait_exit(e), 0) << input;
  }
}

// A book move (from a book of one entry, 1. e4, in the engine's directory) is played at once: no
// nodes, and no time carried over from an older search.
TEST(Play, ABookMoveReportsNoNodesAndTheTimeOfItsOwnGo) {
  const std::string dir = testing::TempDir() + "zeltro_play_" + std::to_string(getpid());
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  std::ofstream(dir + "/Zeltro.bin", std::ios::binary)
      .write("\x46\x3B\x96\x18\x16\x91\xFC\x9C\x03\x1C\0\1\0\0\0\0", 16);
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e, dir.c_str()));
  uci::search(e, "setoption name OwnBook value true\nposition startpos moves d2d4\ngo depth 4");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // a gap an older clock shows
  const Lines out = uci::ask(e, "position startpos\ngo wtime 60000 btime 60000");
  EXPECT_TRUE(out.size() == 3 && out[0] == "info string move is e2e4" &&
              out[1].starts_with("info nodes 0 time ") && uci::reported_time(out) < 500 &&
              out[2] == "bestmove e2e4")
      << testing::PrintToString(out);
  EXPECT_EQ(uci::quit(e), 0);
  unlink((dir + "/Zeltro.bin").c_str()), rmdir(dir.c_str());
}

// Only a mate reads as a mate, whatever the options: at the highest weights a side far ahead or
// far behind is scored at the evaluation's limit and still moves, a repetition worth the end of
// RepeatScore's range is worth that limit, and a mate in one stays a mate.
TEST(Play, OnlyAMateReadsAsAMateWhateverTheOptions) {
  const std::string weights =
      "setoption name MaterialWeight value 1000\nsetoption name PassedPawnWeight value 1000";
  const char* const repeatable = "position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1";
  const struct {
    std::string options;
    const char *position, *score, *best;
  } cases[] = {
      {weights, "position fen 4k3/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1", "cp 20000", nullptr},
      {weights, "position fen rnbqkbnr/pppppppp/8/8/8/8/8/4K3 w kq - 0 1", "cp -20000", nullptr},
      {weights, kMateIn1, "mate 1", "a1a8"},
      {"setoption name RepeatScore value 32000", repeatable, "cp 20000", "f6g8"},
  };
  const std::regex depth_line("info depth \\d+ seldepth \\d+ score (\\w+ -?\\d+) .*");
  for (const auto& c : cases) {
    uci::Engine e;
    ASSERT_TRUE(uci::launch(e));
    uci::ask(e, c.options);
    const Lines out = uci::search(e, std::string(c.position) + "\ngo depth 5");
    std::string last;  // the score of the last depth
    for (std::smatch m; const std::string& line : out)
      if (std::regex_match(line, m, depth_line)) last = m[1];
    const std::string best = uci::bestmove(out);
    EXPECT_EQ(last, c.score) << c.position;
    EXPECT_TRUE(c.best ? best == c.best : uci::playable(c.position, best))
        << c.position << ": " << best;
    EXPECT_EQ(uci::quit(e), 0);
  }
}

// A search's lines without times, speeds and the progress lines the clock brings.
Lines without_times(const Lines& out) {
  Lines kept;
  for (const std::string& line : out)
    if (!line.starts_with("info nodes ") || line.find(" nps ") == std::string::npos)
      kept.push_back(std::regex_replace(line, std::regex(" (time|nps) \\d+"), ""));
  return kept;
}

// At the lowest level the choice among close moves varies with the seed and repeats with the same
// seed, but a queen left hanging is always taken and a mate in one always played. At full
// strength (the level off with UCI_Elo set, or on at the top level) no seed changes a line.
TEST(Play, ALevelsChoicesVaryWithTheSeedFullStrengthDoesNot) {
  const char* const cases[][2] = {
      {"position startpos moves e2e4 e7e5", nullptr},
      {"position fen 4k3/8/8/3q4/8/8/3R4/4K3 w - - 0 1", "d2d5"},  // the queen hangs
      {kMateIn1, "a1a8"},
  };
  const char* const full_strength[] = {
      "UCI_LimitStrength value false",
      "UCI_LimitStrength value true\nsetoption name UCI_Elo value 1850"};
  Lines chosen, first;  // the moves chosen at the first position; the lines at full strength
  for (int seed : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1}) {
    uci::Engine e;
    ASSERT_TRUE(uci::launch(e, nullptr, std::to_string(seed)));
    uci::ask(e, "setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1000");
    for (auto [position, clear] : cases) {
      const std::string move =
          uci::bestmove(uci::search(e, std::string(position) + "\ngo depth 5"));
      if (!clear) chosen.push_back(move);
      EXPECT_TRUE(!clear || move == clear) << position << " seed " << seed << ": " << move;
    }
    for (const char* setting : full_strength) {
      uci::ask(e, std::string("setoption name ") + setting + "\nucinewgame");
      const Lines out =
          without_times(uci::search(e, "position startpos moves d2d4 g8f6\ngo depth 5"));
      if (first.empty()) first = out;
      EXPECT_EQ(out, first) << setting << " seed " << seed;
    }
    EXPECT_EQ(uci::quit(e), 0);
  }
  ASSERT_EQ(chosen.size(), 11u);
  EXPECT_EQ(chosen.back(), chosen.front()) << "the same seed again";
  EXPECT_GE(std::set<std::string>(chosen.begin(), chosen.end() - 1).size(), 3u) << "ten seeds";
}

}  // namespace
