// Make and take back, proven by perft counts and by a full self-check of every redundant form.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common.h"
#include "protocol.h"

namespace {

// What make and take back must restore; board_consistent vouches for all that derives from it.
std::vector<long long> snapshot() {
  std::vector<long long> s(piece, piece + 64);
  s.insert(s.end(), color, color + 64);
  s.insert(s.end(), {side, castle, ep, fifty, ply, hply, (long long)hash});
  return s;
}

class MakeMoveTest : public EngineTest {
 protected:
  // Perft that checks the whole position after every make and every take back.
  static U64 checked_walk(int depth, std::string* fault) {
    if (depth == 0) return 1;
    gen_node(in_check(side));
    U64 n = 0;
    char why[64];
    for (int i = first_move[ply]; i < first_move[ply + 1] && fault->empty(); i++) {
      const std::vector<long long> before = snapshot();
      const std::string text = move_str(gen_dat[i].m);
      auto same = [&] { return snapshot() == before && board_consistent(why, sizeof why); };
      if (!makemove(gen_dat[i].m.b)) {
        if (!same()) *fault = "refused " + text + " changed the position";
        continue;
      }
      if (!board_consistent(why, sizeof why)) *fault = "after " + text + ": " + why;
      n += checked_walk(depth - 1, fault);
      takeback();
      if (!same()) *fault = "take back of " + text + " differs";
    }
    return n;
  }

  static move find(const char* text) {
    ply = 0;
    gen();
    int i = parse_move(text);
    EXPECT_GE(i, 0) << text;
    return i < 0 ? move{} : gen_dat[i].m;
  }
};

TEST_F(MakeMoveTest, PerftMatchesPublishedCounts) {
  std::ifstream in(TEST_DATA_DIR "/perft.epd");
  ASSERT_TRUE(in.good());
  std::string line;
  int checked = 0;
  while (std::getline(in, line)) {
    std::string fen_text = line.substr(0, line.find(" ;"));
    std::istringstream fields(line.substr(line.find(" ;") + 2));
    std::string field;
    while (std::getline(fields, field, ';')) {
      int depth;
      unsigned long long want;
      if (sscanf(field.c_str(), " D%d %llu", &depth, &want) != 2 || want > 1000000) continue;
      setup(fen_text);
      EXPECT_EQ(perft(depth), want) << fen_text << " depth " << depth;
      checked++;
    }
  }
  EXPECT_GT(checked, 100);
}

TEST_F(MakeMoveTest, EveryMakeAndTakeBackKeepsThePositionWhole) {
  const char* positions[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
      "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
      "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
      "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
  };
  for (const char* p : positions) {
    setup(p);
    std::string fault;
    checked_walk(3, &fault);
    EXPECT_EQ(fault, "") << p;
  }
}

// The clock, and en passant after a double step only where a pawn can take.
TEST_F(MakeMoveTest, ClockAndEnPassantSquare) {
  setup("4k3/8/8/8/3pP3/8/8/4K3 b - e3 7 1");
  ASSERT_TRUE(makemove(find("d4e3").b));
  EXPECT_EQ(fifty, 0) << "a capture en passant resets the clock";
  setup("4k3/8/8/8/8/8/8/4K1N1 w - - 7 1");
  ASSERT_TRUE(makemove(find("g1f3").b));
  EXPECT_EQ(fifty, 8);
  setup("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
  ASSERT_TRUE(makemove(find("e2e4").b));
  EXPECT_EQ(ep, -1);
  setup("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  ASSERT_TRUE(makemove(find("e2e4").b));
  EXPECT_EQ(ep, 44);
  EXPECT_EQ(hash, compute_hash());
}

TEST_F(MakeMoveTest, LongGamesAreCutBeforeTheHistoryFills) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 300; i++) line += " g1f3 g8f6 f3g1 f6g8";
  EXPECT_EQ(uci::handle(line),
            uci::Lines{"info string game too long, moves from ply 999 on are ignored"});
  EXPECT_EQ(hply, HIST_STACK - 2);
}

}  // namespace
