// SPDX-License-Identifier: GPL-3.0-or-later
// Playing a game through UCI: the clock, searches that wait for stop or ponderhit, the end of the
// input, book moves and ponder replies. Time bounds on the engine's side are what it reports;
// the bounds the test measures itself only guard against a hang.
#include <sys/stat.h>

#include <cstdio>
#include <thread>

#include "uci_harness.h"

namespace {

using uci::Lines;
using namespace std::chrono_literals;

const char* const kOneMove = "position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1";  // only Kxg2
const char* const kMateIn1 = "position fen 6k1/5ppp/8/8/8/8/8/R3K3 w - - 0 1";
constexpr int kHangGuardMs = 20000;

// The milliseconds of the "info nodes N time T" line before the last line, or -1.
int reported_time(const Lines& out) {
  int ms = -1;
  if (out.size() >= 2) sscanf(out[out.size() - 2].c_str(), "info nodes %*d time %d", &ms);
  return ms;
}

// Processor time the engine has used so far, in milliseconds.
long cpu_ms(const uci::Engine& e) {
  const std::string stat = uci::file_text("/proc/" + std::to_string(e.pid) + "/stat");
  unsigned long user = 0, system = 0;  // fields 14 and 15, behind the command name
  if (sscanf(stat.c_str() + stat.rfind(')') + 2,
             "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
    return -1;
  return (long)((user + system) * 1000 / sysconf(_SC_CLK_TCK));
}

// Whether the line of moves can be played from the position, one after the other.
bool playable(const std::string& position, const std::string& moves) {
  uci::engine_in_process();
  uci::handle(position);
  const int before = hply;
  uci::handle(position + (position.find(" moves ") == std::string::npos ? " moves " : " ") + moves);
  return hply - before == (int)std::count(moves.begin(), moves.end(), ' ') + 1;
}

// A search never reports more time than its clock allows, and one on an empty clock plays at once.
TEST(Clock, NoClockIsOverrunAndAnEmptyOneMovesAtOnce) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const int at_once = 1000;  // generous: without the rule these searches take minutes
  const struct {
    const char* position;
    const char* go;
    int most_ms;  // the longest time the engine may report
  } cases[] = {
      {"position startpos", "go wtime 500 btime 500 winc 1000 binc 1000", 440},
      {"position startpos moves e2e4", "go wtime 9000 btime 800 binc 1000 movestogo 1", 740},
      {"position startpos", "go wtime 0 btime 1000", at_once},
      {"position startpos", "go wtime -20 btime 1000 winc 100", at_once},
      {"position startpos", "go btime 1000", at_once},  // the other clock only: ours is empty
      {"position startpos", "go movetime 0", at_once},
      {"position startpos", "go movetime 500", 500},
      {kOneMove, "go movetime 300", 300},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(uci::send(e, std::string(c.position) + "\n" + c.go));
    Lines out = uci::read_until(e, "bestmove", c.most_ms + kHangGuardMs);
    const int ms = reported_time(out);
    EXPECT_TRUE(ms >= 0 && ms <= c.most_ms) << c.go << ": " << out[out.size() - 2];
    EXPECT_TRUE(playable(c.position, out.back().substr(9))) << c.go << ": " << out.back();
  }
  EXPECT_EQ(uci::quit(e), 0);
}

// Move Overhead is kept back from the clock. With 3000 ms for the last move before the control,
// the default plans 2058 ms and, the start position being unclear, thinks at least half of that;
// an overhead of 2900 leaves 100 ms, so the same go answers sooner (the wide margin absorbs a
// loaded machine).
TEST(Clock, MoveOverheadIsKeptBackFromTheClock) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const char* const go = "position startpos\ngo wtime 3000 btime 3000 movestogo 1";
  ASSERT_TRUE(uci::send(e, go));
  Lines out = uci::read_until(e, "bestmove", kHangGuardMs);
  const int by_default = reported_time(out);
  EXPECT_TRUE(by_default >= 1029 && by_default <= 2940) << out[out.size() - 2];
  EXPECT_EQ(uci::ask(e, "setoption name Move Overhead value 2900"),
            Lines{"info string Move Overhead is set to 2900"});
  ASSERT_TRUE(uci::send(e, go));
  out = uci::read_until(e, "bestmove", kHangGuardMs);
  const int larger = reported_time(out);
  EXPECT_TRUE(larger >= 0 && larger < by_default) << out[out.size() - 2];
  EXPECT_TRUE(playable("position startpos", out.back().substr(9))) << out.back();
  EXPECT_EQ(uci::quit(e), 0);
}

// An infinite or ponder search that has run out of work waits, idle, for stop or ponderhit, and
// meanwhile answers isready and ignores a position line.
TEST(InfiniteAndPonder, AnswerOnlyAfterStopOrPonderhitAndWaitIdle) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  // position, go, the line printed when the search has run out of work (nullptr: none), the
  // command that ends the search and its answer (nullptr: any move)
  const char* cases[][5] = {
      {kOneMove, "go infinite", "info depth 128 ", "stop", "bestmove h1g2"},
      {"position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go ponder", nullptr, "stop",
       "bestmove 0000"},  // stalemate
      {kMateIn1, "go infinite mate 1", "info depth 1 ", "stop", "bestmove a1a8"},
      {kOneMove, "go ponder wtime 1000 btime 1000", "info depth 128 ", "ponderhit",
       "bestmove h1g2"},
      {kMateIn1, "go ponder depth 2 wtime 9000 btime 9000", "info depth 2 ", "ponderhit",
       "bestmove a1a8"},
      {"position startpos", "go ponder depth 3", "info depth 3 ", "stop", nullptr},
  };
  for (auto [position, go, last_line, ender, reply] : cases) {
    ASSERT_TRUE(uci::send(e, std::string(position) + "\n" + go));
    if (last_line) {
      EXPECT_TRUE(uci::read_until(e, last_line).back().starts_with(last_line)) << go;
    }
    const long cpu = cpu_ms(e);
    std::this_thread::sleep_for(200ms);
    for (const std::string& line : uci::ask(e, "position fen 8/8/8/8/8/8/8/8 w - - 0 1"))
      EXPECT_FALSE(line.starts_with("bestmove") || line.starts_with("info string fen")) << line;
    EXPECT_LT(cpu_ms(e) - cpu, 100) << go << ": the wait must not spin";
    Lines out = uci::ask(e, ender);
    ASSERT_FALSE(out.empty()) << go;
    EXPECT_TRUE(reply ? out.back() == reply : out.back().starts_with("bestmove "))
        << go << ": " << out.back();
  }
  EXPECT_EQ(uci::quit(e), 0);
}

// The lines of a reply that are not the search's own progress.
Lines without_progress(const Lines& out) {
  Lines kept;
  for (const std::string& l : out)
    if (!l.starts_with("info depth ") && !l.starts_with("info nodes ") &&
        !l.starts_with("info currmove "))
      kept.push_back(l);
  return kept;
}

// While a search runs only stop, ponderhit, isready and quit act: a diagnostic, a new position,
// an option, another go or a ponder hit of an analysis leave it, its searchmoves and its board
// as they were, and after bestmove the board is still the position the go searched.
TEST(InputDuringSearch, LeavesTheSearchItsMovesAndItsBoard) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  // position, go, the lines sent during the search and the reply each must get, the move
  // expected after stop (nullptr: any move of the position)
  struct Case {
    const char* position;
    const char* go;
    std::vector<std::pair<const char*, const char*>> during;
    const char* best;
  } cases[] = {
      {"position startpos", "go infinite",
       {{"symtestpos", "info string symtestpos ignored: a search is running"},
        {"bench", "info string bench ignored: a search is running"},
        {"profile", "info string profile ignored: a search is running"}},
       nullptr},
      {"position startpos", "go infinite searchmoves a2a3",
       {{"position startpos moves e2e4", nullptr},
        {"setoption name MultiPV value 3", nullptr},
        {"ucinewgame", nullptr},
        {"go depth 1", nullptr},
        {"ponderhit", nullptr},
        {"debug on", nullptr}},
       "bestmove a2a3"},
      {"position startpos moves e2e4 e7e5", "go ponder", {{"go infinite", nullptr}, {"position startpos", nullptr}}, nullptr},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(uci::send(e, std::string(c.position) + "\n" + c.go));
    for (auto [line, reply] : c.during)
      EXPECT_EQ(without_progress(uci::ask(e, line)), reply ? Lines{reply} : Lines{})
          << c.go << " / " << line;
    const std::string best = uci::ask(e, "stop").back();
    EXPECT_TRUE(c.best ? best == c.best : playable(c.position, best.substr(9))) << c.go << ": " << best;
    // The same position is searched again, without a position line, and to the same move.
    auto search = [&](const std::string& go) {
      return uci::send(e, go) ? uci::read_until(e, "bestmove") : Lines{"<engine gone>"};
    };
    const std::string again = search("go depth 3").back();
    EXPECT_TRUE(playable(c.position, again.substr(9))) << c.go << ": then " << again;
    EXPECT_EQ(search("go depth 3").back(), again) << c.go;
  }
  // A go line longer than its word table is read up to the table's end.
  std::string many = "go depth 1 searchmoves";
  for (int i = 0; i < 5000; i++) many += " e2e4";
  ASSERT_TRUE(uci::send(e, "position startpos\n" + many));
  Lines out = uci::read_until(e, "bestmove");
  EXPECT_EQ(out.front(), "info string go line too long, words from 4097 on are ignored");
  EXPECT_EQ(out.back(), "bestmove e2e4");
  EXPECT_EQ(uci::quit(e), 0);
}

// At the end of the input a running search still answers with a move, a last line without its
// line feed still counts, and the engine exits.
TEST(EndOfInput, TheSearchIsAnsweredThenTheEngineExits) {
  const char* cases[] = {
      "position startpos\ngo infinite",
      "position startpos moves e2e4\ngo ponder wtime 1000 btime 1000",
      "position fen 7k/8/8/8/8/8/6q1/7K w - - 0 1\ngo infinite",
      "position startpos\ngo depth 1",  // no line feed behind it
  };
  for (std::string input : cases) {
    uci::Engine e;
    ASSERT_TRUE(uci::launch(e));
    ASSERT_TRUE(uci::send(e, input, input.ends_with("depth 1") ? "" : "\n"));
    close(e.to_engine);
    e.to_engine = -1;
    Lines out = uci::read_rest(e);
    EXPECT_TRUE(out.back().starts_with("bestmove ")) << input << ": " << out.back();
    EXPECT_NE(out.back(), "bestmove 0000") << input;
    EXPECT_EQ(uci::wait_exit(e), 0) << input;
  }
}

// A book move is played at once: no nodes, and no time carried over from an older search.
TEST(BookMove, ReportsNoNodesAndTheTimeOfItsOwnGo) {
  // A book of one entry: the start position, 1. e4.
  const std::string dir = testing::TempDir() + "zeltro_play_" + std::to_string(getpid());
  ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
  std::ofstream(dir + "/Zeltro.bin", std::ios::binary)
      .write("\x46\x3B\x96\x18\x16\x91\xFC\x9C\x03\x1C\0\1\0\0\0\0", 16);
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e, dir.c_str()));  // the engine reads its book from its directory

  ASSERT_TRUE(
      uci::send(e, "setoption name OwnBook value true\nposition startpos moves d2d4\ngo depth 4"));
  uci::read_until(e, "bestmove");
  std::this_thread::sleep_for(500ms);  // an older search's clock would show this gap
  Lines out = uci::ask(e, "position startpos\ngo wtime 60000 btime 60000");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], "info string move is e2e4");
  EXPECT_TRUE(out[1].starts_with("info nodes 0 time ")) << out[1];
  EXPECT_LT(reported_time(out), 500) << out[1];
  EXPECT_EQ(out[2], "bestmove e2e4");
  EXPECT_EQ(uci::quit(e), 0);
  unlink((dir + "/Zeltro.bin").c_str());
  rmdir(dir.c_str());
}

// A ponder search stopped before the ponder hit leaves the board as it searched it; a go mate n
// searches 2n - 1 plies.
TEST(PonderAndMate, StopTakesBackThePredictionAndMateSetsTheDepth) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  ASSERT_TRUE(uci::send(
      e, "setoption name Ponder value true\nposition startpos moves e2e4 e7e5\ngo ponder"));
  EXPECT_TRUE(uci::ask(e, "stop").back().starts_with("bestmove "));
  ASSERT_TRUE(uci::send(e, "go depth 1"));
  std::string best = uci::read_until(e, "bestmove").back();
  EXPECT_TRUE(playable("position startpos moves e2e4 e7e5", best.substr(9, 4))) << best;
  ASSERT_TRUE(uci::send(e, std::string(kMateIn1) + "\ngo mate 2"));  // answered without a stop
  Lines out = uci::read_until(e, "bestmove");
  EXPECT_EQ(std::count_if(out.begin(), out.end(),
                          [](const std::string& l) { return l.starts_with("info depth "); }),
            3);
  EXPECT_TRUE(out.back().starts_with("bestmove a1a8")) << out.back();
  EXPECT_EQ(uci::quit(e), 0);
}

// "bestmove X ponder Y" names a Y that can follow X, whenever and however the search ended:
// by its depth or its clock, with one line or several.
TEST(PonderMove, IsALegalReplyToTheBestMove) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const char* cases[][3] = {
      {"1", "position startpos", "go depth 3"},
      // Several lines: the reply of the last search belongs to another position.
      {"2", kOneMove, "go depth 2"},
      {"2", "position startpos moves e2e4 e7e5 g1f3", "go depth 3"},
      {"2", "position startpos moves d2d4", "go movetime 30"},
      {"1", "position startpos moves d2d4", "go movetime 30"},
      {"2", "position startpos moves d2d4", "go movetime 200"},
      {"1", "position startpos moves d2d4", "go movetime 200"},
  };
  for (auto [lines, position, go] : cases) {
    ASSERT_TRUE(uci::send(e, std::string("setoption name Ponder value true\n") +
                                 "setoption name MultiPV value " + lines + "\n" + position + "\n" +
                                 go));
    std::string best = uci::read_until(e, "bestmove").back();
    ASSERT_TRUE(best.starts_with("bestmove ")) << best;
    const size_t at = best.find(" ponder ");
    if (at == std::string::npos) continue;
    EXPECT_TRUE(playable(position, best.substr(9, at - 9) + " " + best.substr(at + 8)))
        << position << " / " << go << ": " << best;
  }
  EXPECT_EQ(uci::quit(e), 0);
}

}  // namespace
