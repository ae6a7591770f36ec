// SPDX-License-Identifier: GPL-3.0-or-later
// The UCI front end and the command line end to end through pipes: the handshake, options, go
// lines, diagnostics, perft, EPD suites and the manual; the position command seen from inside.

#include "uci_harness.h"

namespace {

using uci::Lines;

// The manual's entry for an option line of the uci reply: name, type, range and default, with a
// minus sign written \-.
std::string manual_entry(const std::string& line) {
  std::smatch m;
  const std::regex option("option name (.+) type (\\w+) default (\\S+)(?: min (\\S+) max (\\S+))?");
  if (!std::regex_match(line, m, option)) return "<not an option line: " + line + ">";
  return std::regex_replace(".B " + m[1].str() + "\n" + m[2].str() + ", " +
                                (m[4].matched ? m[4].str() + " to " + m[5].str() + ", " : "") +
                                "default " + m[3].str() + ".",
                            std::regex("-"), "\\-");
}

// The uci reply declares each option as the manual documents it, and the evaluation passes its
// colour-symmetry diagnostic. Commands match exactly and case-sensitively, other lines go
// unanswered; a carriage return before the line feed, or a line split at the 65535-character
// buffer, hides no command. Malformed go lines are answered as such; a search shows its info
// lines and plays its line's move, and one limited by searchmoves names the moves it cannot
// search; quit in the middle of a search ends it without a move.
TEST(UciSession, HandshakeRepliesGoLinesAndQuit) {
  const std::string manual = uci::file_text(TEST_DATA_DIR "/../../docs/zeltro.6");
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const Lines reply = uci::ask(e, "uci");
  ASSERT_EQ(reply.size(), 17u);
  EXPECT_EQ(reply[0], "id name Zeltro 1800");
  EXPECT_EQ(reply[1], "id author Oskvarin");
  for (size_t i = 2; i < 16; i++)
    EXPECT_NE(manual.find(manual_entry(reply[i])), std::string::npos) << reply[i];
  EXPECT_EQ(reply[16], "uciok");
  EXPECT_EQ(uci::ask(e, "symtestpos"), Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"});
  for (const char* line :
       {"debug on", "", "  isready", "isready ", "ISREADY", "stop", "ponderhit", "ucinewgame",
        "hello", "setoption value 3 name MultiPV", "position startpos moves e2e4 e7e5"})
    EXPECT_EQ(uci::ask(e, line), Lines{}) << "line '" << line << "'";
  EXPECT_EQ(uci::ask(e, std::string(200000, 'x')), Lines{});
  for (const std::string& input :
       {std::string("isready\r\nuci\n"), std::string(65535, 'x') + "isready\nuci\n"}) {
    ASSERT_TRUE(uci::send(e, input, ""));
    Lines again = uci::read_until(e, "uciok");
    EXPECT_EQ(again.front(), "readyok");
    again.erase(again.begin());
    EXPECT_EQ(again, reply);
  }
  EXPECT_EQ(uci::ask(e, "go"), Lines{}) << "go needs a blank behind it";
  EXPECT_EQ(uci::ask(e, "go "), Lines{"info string unknown command \"go \"??"});
  EXPECT_EQ(uci::ask(e, "go movetime abc"),
            (Lines{"info string movetime param is not a digit??",
                   "info string unknown command \"go movetime\"??"}));
  EXPECT_EQ(uci::ask(e, "go depth"), Lines{"info string missing depth param??"});
  Lines out = uci::ask(e, "go depth 0");
  EXPECT_TRUE(out.size() == 2 && out[0].starts_with("info nodes 0 time ") &&
              out[1] == "bestmove 0000")
      << testing::PrintToString(out);
  out = uci::search(e, "go depth 2 searchmoves a2a3 e2e5");
  EXPECT_EQ(out.front(), "info string the move (e2e5) to search is illegal??");
  EXPECT_EQ(out.back(), "bestmove a2a3");
  out = uci::search(e, "position startpos moves e2e4\ngo foo depth 3");
  ASSERT_GE(out.size(), 5u);
  for (int i = 0; i < 3; i++)
    EXPECT_TRUE(std::regex_match(out[i], std::regex("info depth " + std::to_string(i + 1) +
                                                    " seldepth \\d+ score cp -?\\d+ time \\d+ "
                                                    "nodes \\d+ nps \\d+ pv [a-h1-8nbrq ]+")))
        << out[i];
  EXPECT_TRUE(out[3].starts_with("info nodes ")) << out[3];
  EXPECT_EQ(out[4], "bestmove " + out[2].substr(out[2].find(" pv ") + 4, 4)) << "the line's move";
  ASSERT_TRUE(uci::send(e, "go infinite"));
  EXPECT_EQ(uci::quit(e), 0);
  for (const std::string& l : uci::read_until(e, nullptr))
    EXPECT_FALSE(l.starts_with("bestmove")) << l;
}

// Each value set is clamped or read as the engine takes it, answered, and declared by "uci" after
// it (unless hidden): never a text that was set but not taken. Hash takes 1 to 4 MB, and the size
// in force goes unanswered.
TEST(UciSession, SetoptionRepliesAndClamping) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  const std::pair<const char*, const char*> cases[] = {
      {"MultiPV value 500", "MultiPV is set to 300"},
      {"ponder value TRUE", "Ponder is set to true"},
      {"OwnBook value yes", "OwnBook is set to true"},
      {"OwnBook value on", "OwnBook is set to false"},
      {"RepeatScore value -40000", "RepeatScore is set to -32000"},
      {"kingshelterweight value 1001", "KingShelterWeight is set to 1000"},
      {"move overhead value 5001", "Move Overhead is set to 5000"},
      {"Move Overhead value -1", "Move Overhead is set to 0"},
      {"MobilityWeight value lots", "MobilityWeight is set to 0"},
      {"UCI_AnalyseMode value 1", "UCI_AnalyseMode is set to true"},
      {"uci_limitstrength value true", "UCI_LimitStrength is set to true"},
      {"UCI_Elo value 5000", "UCI_Elo is set to 1850"},
      {"UCI_Elo value 999", "UCI_Elo is set to 1000"},
      {"UCI_Elo value 1575", "UCI_Elo is set to 1575"},
      {"hash value 9", "Hash is set to 4mb"},
      {"Hash value 0", "Hash is set to 1mb"},
      {"Hash value 1", nullptr},
      {"NoSuchOption value 1", nullptr}};
  for (auto [option, reply] : cases) {
    EXPECT_EQ(uci::ask(e, std::string("setoption name ") + option),
              reply ? Lines{std::string("info string ") + reply} : Lines{})
        << option;
    std::string declared;  // the uci reply, each line ended by a blank
    for (const std::string& line : uci::ask(e, "uci")) declared += line + " \n";
    std::smatch m;  // the value taken is declared, but for the options uci hides or names in mb
    const std::string said = reply ? reply : "";
    const bool declares = std::regex_match(said, m, std::regex("(.+) is set to (.+)")) &&
                          m[1] != "Hash" && m[1] != "UCI_AnalyseMode";
    EXPECT_TRUE(!declares ||
                std::regex_search(declared, std::regex("option name " + m[1].str() +
                                                       " type \\w+ default " + m[2].str() + " ")))
        << option << ":\n"
        << declared;
    EXPECT_EQ(std::count(declared.begin(), declared.end(), '\n'), 17) << option;
  }
}

// Perft, the bench, help and version; a bad argument is one line on standard error and status 2.
// The bench's node count is the engine's signature: a change of it must be deliberate (the bench
// takes too long in the builds without optimisation).
TEST(CommandLine, PerftBenchSignatureHelpVersionAndBadArguments) {
  uci::Run r = uci::run({"perft", "2", "4k3/8/8/8/8/8/8/4K3", "w", "-", "-", "0", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(r.out, (Lines{"e1d2: 5", "e1e2: 5", "e1f2: 5", "e1d1: 5", "e1f1: 5", "",
                          "Nodes searched: 25"}));
  EXPECT_EQ(uci::run({"perft", "3"}).out.back(), "Nodes searched: 8902");
#ifndef ZELTRO_SLOW_BUILD
  r = uci::run({"bench"}, 4 * uci::kTimeoutMs);  // a busy machine may take a while
  const std::string totals = r.out.size() < 3 ? "" : r.out[r.out.size() - 3] + "|" + r.out.back();
  EXPECT_TRUE(r.status == 0 &&
              std::regex_match(totals, std::regex("# t_time=\\d+ msec, t_nodes=29093238, "
                                                  "ave_nps=\\d+K, t_score=50\\.\\|"
                                                  "29093238 nodes \\d+ nps")))
      << totals;
#endif
  const uci::Run help = uci::run({"--help"});
  EXPECT_TRUE(help.status == 0 && !help.out.empty() && help.out[0] == "Usage: zeltro [COMMAND]");
  EXPECT_EQ(uci::run({"-h"}).out, help.out);
  EXPECT_EQ(uci::run({"--version"}).out, Lines{"Zeltro 1800 Build 4"});

  const std::string suite = TEST_DATA_DIR "/tactics.epd";
  for (Lines args :
       {Lines{"--version", "x"}, Lines{"-h", "x"}, Lines{"--helps"}, Lines{"epd"},
        Lines{"epd", suite, "depth"}, Lines{"epd", suite, "depth", "0"},
        Lines{"epd", suite, "depth", "101"}, Lines{"epd", suite, "movetime", "1s"},
        Lines{"epd", suite, "nodes", "5"}, Lines{"epd", TEST_DATA_DIR "/none.epd"}, Lines{"perft"},
        Lines{"perft", "0"}, Lines{"perft", "two"}, Lines{"perft", "3x"},
        Lines{"perft", "2", "8/8/8/8/8/8/8/8 w - - 0 1"}, Lines{"frobnicate"}}) {
    r = uci::run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_TRUE(r.errors.starts_with("zeltro: ") && r.errors.find('\n') == r.errors.size() - 1)
        << args.back() << ": " << r.errors;
  }
}

// The EPD runner end to end.
TEST(EpdSuite, SolvesTheShippedTacticsAndSkipsWhatItCannotRead) {
  uci::Run r = uci::run({"epd", TEST_DATA_DIR "/tactics.epd", "depth", "5"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.errors, "");
  Lines seen;  // without the nodes and time, which vary with the machine, and the padding
  for (const std::string& line : r.out)
    seen.push_back(
        std::regex_replace(std::regex_replace(line, std::regex(" +nodes +\\d+ +time +\\d+ ms"), ""),
                           std::regex(" +"), " "));
  EXPECT_EQ(seen, (Lines{
                      "zt.backrank bm Re8# found Re8# solved",
                      "zt.backrank.b bm Re1# found Re1# solved",
                      "zt.fork bm Nc7+ am Nd6+ found Nc7+ solved",
                      "zt.underpromo bm f8=N+ found f8=N+ solved",
                      "zt.enpassant bm exf6+ found exf6+ solved",
                      "zt.castle.mate bm O-O# found O-O# solved",
                      "zt.two.knights bm Ndf7# Ngf7# found Ndf7# solved",
                      "zt.poisoned am Qxd5 found Qc1 solved",
                      "zt.missed am Re8# found Re8# missed",
                      "line 12: skipped, cannot read bm Nf7# (ambiguous)",
                      "line 13: skipped, cannot read bm Nge4 (no such legal move)",
                      "line 14: skipped, cannot read bm Nc7# (wrong check mark)",
                      "line 15: skipped, cannot read bm Re9 (not SAN)",
                      "line 16: skipped, no bm or am operation",
                      "info string fen error side to move is not w or b",
                      "info string reset to orig board position",
                      "line 17: skipped, the position was refused",
                      "solved 8 of 9, 6 lines skipped",
                  }));
}

// The trees of positions full of priority moves (captures, promotions, en passant, castling),
// whose quiet moves a node lists only when it gets to them: the node counts must not move.
TEST(EpdSuite, PositionsFullOfPriorityMovesKeepTheirTrees) {
  uci::Run r = uci::run({"epd", TEST_DATA_DIR "/tactical_trees.epd", "depth", "6"});
  Lines seen;  // without the time, which varies with the machine, and the padding
  for (const std::string& line : r.out)
    seen.push_back(std::regex_replace(std::regex_replace(line, std::regex(" +time +\\d+ ms"), ""),
                                      std::regex(" +"), " "));
  EXPECT_EQ(seen, (Lines{
                      "zt.castling.both bm Bxa6 found Bxa6 nodes 753187 solved",
                      "zt.promotions bm gxh1=Q found gxh1=Q nodes 102677 solved",
                      "zt.promotion.race bm c5 found c5 nodes 180049 solved",
                      "zt.rook.ending bm Rxf4+ found Rxf4+ nodes 42777 solved",
                      "zt.en.passant bm Qd3 found Qd3 nodes 557389 solved",
                      "solved 5 of 5",
                  }));
}

// A position line plays its moves up to the first one that is malformed or illegal; a promotion
// letter picks the piece, and a wrong one a queen.
TEST(PositionCommand, PlaysMovesUntilTheFirstBadOne) {
  const std::pair<std::string, int> games[] = {
      {"startpos moves e2e4 e7e5 e1e2", 3},
      {"startpos moves e2e5 e7e5", 0},
      {"startpos moves e2e4e7e5", 2},
      {"startpos moves e2e4 e7e5 x1 b1c3", 2},
      {"fen 4k3/4r3/8/8/8/8/8/3K4 w - - 0 1 moves d1d2 e8d8 d2e2 d8c8", 2},  // d2e2 illegal
  };
  for (const auto& [game, plies] : games) {
    EXPECT_EQ(std::pair(uci::handle("position " + game), hply), std::pair(Lines{}, plies))
        << game.substr(0, 60);
  }
  for (auto [text, kind] :
       {std::pair{"a7a8", QUEEN}, {"a7a8N", KNIGHT}, {"a7a8b", BISHOP}, {"a7a8x", QUEEN}}) {
    EXPECT_EQ(uci::handle(std::string("position fen 7k/P7/8/8/8/8/8/K7 w - - 0 1 moves ") + text),
              Lines{"index i has value equal to 0"});
    EXPECT_TRUE(piece[0] == kind && color[0] == LIGHT) << text;
  }
}

// A game of any length is played to its last move and keeps the positions a repetition can reach.
// The game steps each pawn in turn and shuffles the knights between the steps; at every point where
// a knight move would repeat a position, well past the history stack's length, the search takes
// the repetition that RepeatScore makes the best move, and searches just as it does in a short game
// of the same pawn steps with only the last shuffles (the same position, piece lists and recent
// history), which no stack can run short of.
TEST_F(EngineTest, LongGamesKeepTheirRepetitions) {
  const auto without_times = [](const Lines& out) {
    Lines kept;
    for (const std::string& line : out)
      kept.push_back(std::regex_replace(line, std::regex(" (time|nps) \\d+"), ""));
    return kept;
  };
  uci::handle("setoption name RepeatScore value 300");
  const char* const pawn_steps[] = {"a2a3 a7a6", "a3a4 a6a5", "b2b3 b7b6", "b3b4 b6b5",
                                    "c2c3 c7c6", "c3c4 c6c5", "d2d3 d7d6", "d3d4 d6d5",
                                    "e2e3 e7e6", "e3e4 e6e5", "h2h3 h7h6", "h3h4 h6h5"};
  const int SHUFFLES = 24;  // four plies each: the fifty-move count stays below 100
  std::string game = "position startpos moves";
  int plies = 0;
  std::string steps = "position startpos moves";
  for (const char* step : pawn_steps) {
    game += std::string(" ") + step;
    steps += std::string(" ") + step;
    std::string short_game = steps;
    plies += 2;
    for (int i = 0; i < SHUFFLES; i++) {
      game += " g1f3 g8f6 f3g1 f6g8";
      short_game += " g1f3 g8f6 f3g1 f6g8";
      plies += 4;
      if (plies < HIST_STACK / 2) continue;
      ASSERT_EQ(uci::handle(game), Lines{}) << plies;
      const Lines out = uci::handle("go depth 2");
      const auto last_depth = std::find_if(out.rbegin(), out.rend(), [](const std::string& line) {
        return line.starts_with("info depth ");
      });
      ASSERT_NE(last_depth, out.rend()) << plies;
      EXPECT_TRUE(last_depth->starts_with("info depth 2 ") &&
                  last_depth->find(" score cp 300 ") != std::string::npos)
          << plies << ": " << *last_depth;
      EXPECT_EQ(uci::bestmove(out), "g1f3") << plies;
      uci::handle(short_game);
      EXPECT_EQ(without_times(out), without_times(uci::handle("go depth 2"))) << plies;
    }
  }
  EXPECT_GT(plies, HIST_STACK);
}

}  // namespace
