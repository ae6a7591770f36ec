// The UCI front end end to end through pipes: the handshake, options, go lines and searches
// interrupted by other commands; diagnostics; the position command seen from inside.
#include <algorithm>
#include <cstdio>

#include "board.h"
#include "uci_harness.h"

namespace {

using uci::Lines;

// Whether the whole line reads as the scanf format, whose conversions all skip (%*).
bool reads_as(const std::string& line, const std::string& format) {
  int end = -1;
  sscanf(line.c_str(), (format + "%n").c_str(), &end);
  return end == (int)line.size();
}
const char* const kBanner = "info string Zeltro 1800 32bit Build 4";

Lines uci_reply() {
  Lines lines{"id name Zeltro 1800", "id author Oskvarin",
              "option name Ponder type check default false",
              "option name OwnBook type check default false",
              "option name MultiPV type spin default 1 min 1 max 300"};
  for (const char* w : {"Material", "PawnStructure", "PassedPawn", "Mobility", "Threat",
                        "KingAttack", "KingShelter"})
    lines.push_back(std::string("option name ") + w +
                    "Weight type spin default 100 min 0 max 1000");
  lines.push_back("option name RepeatScore type spin default -15 min -32000 max 32000");
  lines.push_back("uciok");
  return lines;
}

TEST(UciSession, HandshakeRepliesOverlongLinesAndQuit) {
  uci::Engine e;
  ASSERT_EQ(uci::launch(e), kBanner);
  EXPECT_EQ(uci::ask(e, "uci"), uci_reply());
  // Commands match exactly and case-sensitively; none of these lines is answered.
  for (const char* line :
       {"debug on", "", "  isready", "isready ", "ISREADY", "stop", "ponderhit", "ucinewgame",
        "hello", "setoption value 3 name MultiPV", "position startpos moves e2e4 e7e5"})
    EXPECT_EQ(uci::ask(e, line), Lines{}) << "line '" << line << "'";
  // A carriage return before the line feed does not reach the parser.
  ASSERT_TRUE(uci::send_raw(e, "isready\r\nuci\n"));
  Lines reply = uci::read_until(e, "uciok");
  EXPECT_EQ(reply.front(), "readyok");
  EXPECT_EQ(reply.size(), 15u);
  EXPECT_EQ(uci::ask(e, std::string(200000, 'x')), Lines{});
  // A line longer than the 65535-character buffer is split; its rest is read as a line.
  ASSERT_TRUE(uci::send(e, std::string(65535, 'x') + "isready\nuci"));
  reply = uci::read_until(e, "uciok");
  EXPECT_EQ(reply.front(), "readyok");
  EXPECT_EQ(reply.size(), 15u);
  EXPECT_EQ(uci::quit(e), 0);
  EXPECT_EQ(uci::read_rest(e), Lines{});
  EXPECT_EQ(e.errors, "");
}

TEST(UciSession, EndOfInputEndsTheEngine) {
  // A last line without its line feed still counts.
  uci::Engine unfinished;
  ASSERT_TRUE(uci::start(unfinished));
  ASSERT_TRUE(uci::send_raw(unfinished, "isready"));
  uci::close_input(unfinished);
  EXPECT_EQ(uci::read_rest(unfinished), (Lines{kBanner, "readyok"}));
  EXPECT_EQ(uci::wait_exit(unfinished), 0);
}

TEST(UciSession, SetoptionRepliesAndClamping) {
  uci::Engine e;
  ASSERT_EQ(uci::launch(e), kBanner);
  const char* cases[][2] = {
      {"MultiPV value 500", "MultiPV is set to 300"},
      {"ponder value TRUE", "Ponder is set to true"},
      {"OwnBook value on", "OwnBook is set to false"},
      {"OwnBook value yes", "OwnBook is set to true"},
      {"RepeatScore value -40000", "RepeatScore is set to -32000"},
      {"kingshelterweight value 1001", "KingShelterWeight is set to 1000"},
      {"MobilityWeight value lots", "MobilityWeight is set to 0"},
      {"UCI_AnalyseMode value 1", "UCI_AnalyseMode is set to true"},
      {"NoSuchOption value 1", nullptr},
  };
  for (auto [option, reply] : cases)
    EXPECT_EQ(uci::ask(e, std::string("setoption name ") + option),
              reply ? Lines{std::string("info string ") + reply} : Lines{})
        << option;
  // The values in force are declared, never a text that was set but not taken.
  Lines declared = uci_reply();
  declared[2] = "option name Ponder type check default true";
  declared[3] = "option name OwnBook type check default true";
  declared[4] = "option name MultiPV type spin default 300 min 1 max 300";
  declared[8] = "option name MobilityWeight type spin default 0 min 0 max 1000";
  declared[11] = "option name KingShelterWeight type spin default 1000 min 0 max 1000";
  declared[12] = "option name RepeatScore type spin default -32000 min -32000 max 32000";
  EXPECT_EQ(uci::ask(e, "uci"), declared);
  EXPECT_EQ(uci::ask(e, "setoption name OwnBook value on"),
            Lines{"info string OwnBook is set to false"});
  declared[3] = "option name OwnBook type check default false";
  EXPECT_EQ(uci::ask(e, "uci"), declared);
}

TEST(GoCommand, MalformedLinesDepthSearchAndCommandsDuringIt) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  EXPECT_EQ(uci::ask(e, "go"), Lines{}) << "go needs a blank behind it";
  EXPECT_EQ(uci::ask(e, "go "), Lines{"info string unknown command \"go \"??"});
  EXPECT_EQ(uci::ask(e, "go movetime abc"),
            (Lines{"info string movetime param is not a digit??",
                   "info string unknown command \"go movetime\"??"}));
  EXPECT_EQ(uci::ask(e, "go depth"), Lines{"info string missing depth param??"});
  Lines out = uci::ask(e, "go depth 0");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_TRUE(out[0].starts_with("info nodes 0 time ")) << out[0];
  EXPECT_EQ(out[1], "bestmove 0000");
  // searchmoves takes the rest of the line and limits the root to its legal moves.
  ASSERT_TRUE(uci::send(e, "go depth 2 searchmoves a2a3 e2e5"));
  out = uci::read_until(e, "bestmove");
  EXPECT_EQ(out.front(), "info string the move (e2e5) to search is illegal??");
  EXPECT_EQ(out.back(), "bestmove a2a3");
  ASSERT_TRUE(uci::send(e, "position startpos moves e2e4\ngo foo depth 3"));
  out = uci::read_until(e, "bestmove");
  ASSERT_GE(out.size(), 5u);
  for (int i = 0; i < 3; i++)
    EXPECT_TRUE(reads_as(out[i], "info depth " + std::to_string(i + 1) +
                                     " seldepth %*u score cp %*d time %*u nodes %*u nps %*u pv "
                                     "%*[a-h1-8nbrq ]"))
        << out[i];
  EXPECT_TRUE(out[3].starts_with("info nodes ")) << out[3];
  EXPECT_EQ(out[4], "bestmove " + out[2].substr(out[2].find(" pv ") + 4, 4)) << "the line's move";
  // During a search isready is answered at once and a position line is ignored.
  ASSERT_TRUE(uci::send(e, "position startpos\ngo infinite"));
  for (const std::string& l : uci::ask(e, "position fen 8/8/8/8/8/8/8/8 w - - 0 1"))
    EXPECT_FALSE(l.starts_with("bestmove") || l.starts_with("info string fen error")) << l;
  out = uci::ask(e, "stop");
  ASSERT_GE(out.size(), 2u);
  EXPECT_TRUE(reads_as(out.back(), "bestmove %*1[a-h]%*1[12]%*1[a-h]%*1[34]"))
      << "a start-position move, even when the stop comes at once: " << out.back();
  EXPECT_TRUE(out[out.size() - 2].starts_with("info nodes ")) << out[out.size() - 2];
  // quit in the middle of a search ends the engine without a reply.
  ASSERT_TRUE(uci::send(e, "go infinite"));
  EXPECT_EQ(uci::quit(e), 0);
  for (const std::string& l : uci::read_rest(e)) EXPECT_FALSE(l.starts_with("bestmove")) << l;
}

// The node count of the bench is the engine's signature: a change of it must be deliberate.
TEST(Diagnostics, BenchSignatureAndSymmetry) {
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  EXPECT_EQ(uci::ask(e, "symtestpos"), Lines{"# Total=152, Correct=152, Mistake=0, Correct=100%"});
  EXPECT_EQ(uci::quit(e), 0);
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

TEST(CommandLine, PerftPrintsEachRootMoveAndTheTotal) {
  uci::Run r = uci::run({"perft", "3"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.errors, "");
  ASSERT_EQ(r.out.size(), 22u);
  EXPECT_EQ(r.out[21], "Nodes searched: 8902");
  // The FEN may come as separate words.
  r = uci::run({"perft", "2", "4k3/8/8/8/8/8/8/4K3", "w", "-", "-", "0", "1"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, (Lines{"e1d2: 5", "e1e2: 5", "e1f2: 5", "e1d1: 5", "e1f1: 5", "",
                          "Nodes searched: 25"}));

  for (Lines args :
       {Lines{"perft"}, Lines{"perft", "0"}, Lines{"perft", "two"}, Lines{"perft", "3x"},
        Lines{"perft", "2", "8/8/8/8/8/8/8/8 w - - 0 1"}, Lines{"frobnicate"}}) {
    r = uci::run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_TRUE(r.errors.starts_with("zeltro: ")) << args.back() << ": " << r.errors;
  }
}

TEST(PositionCommand, PlaysMovesUntilTheFirstBadOne) {
  uci::engine_in_process();
  EXPECT_EQ(uci::handle("position startpos moves e2e4 e7e5 e1e2"), Lines{});
  EXPECT_EQ(hply, 3);
  std::pair<const char*, int> games[] = {
      {"startpos moves e2e5 e7e5", 0},
      {"startpos moves e2e4e7e5", 2},
      {"startpos moves e2e4 e7e5 x1 b1c3", 2},
      {"fen 4k3/4r3/8/8/8/8/8/3K4 w - - 0 1 moves d1d2 e8d8 d2e2 d8c8", 2},  // d2e2 is illegal
  };
  for (auto [game, plies] : games) {
    uci::handle(std::string("position ") + game);
    EXPECT_EQ(hply, plies) << game;
  }
  std::pair<const char*, int> promotions[] = {
      {"a7a8", QUEEN}, {"a7a8N", KNIGHT}, {"a7a8b", BISHOP}, {"a7a8x", QUEEN}};
  for (auto [text, kind] : promotions) {
    EXPECT_EQ(uci::handle(std::string("position fen 7k/P7/8/8/8/8/8/K7 w - - 0 1 moves ") + text),
              Lines{"index i has value equal to 0"});
    EXPECT_EQ(piece[0], kind) << text;
    EXPECT_EQ(color[0], LIGHT) << text;
  }
}

}  // namespace
