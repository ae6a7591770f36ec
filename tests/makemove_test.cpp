// Make and take back, proven by perft counts and by a full self-check of every redundant form.

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common.h"
#include "protocol.h"

namespace {

// Everything make and take back must restore; piece lists are compared as sets.
struct Snapshot {
  int piece[64], color[64], side, xside, castle, ep, fifty, ply, hply, wk, bk;
  int counts[14];
  U64 hash;
  Bitboard pieces[2][7];
  position_t pos;
  std::vector<int> lists[12];

  static Snapshot take() {
    Snapshot s;
    memcpy(s.piece, ::piece, sizeof s.piece);
    memcpy(s.color, ::color, sizeof s.color);
    s.side = ::side, s.xside = ::xside, s.castle = ::castle, s.ep = ::ep, s.fifty = ::fifty;
    s.ply = ::ply, s.hply = ::hply, s.wk = wking_loc, s.bk = bking_loc, s.hash = ::hash;
    int c[14] = {wp, wn, wb, wr, wq, bp, bn, bb, br, bq, wpc, bpc, wpiece, bpiece};
    memcpy(s.counts, c, sizeof c);
    memcpy(s.pieces, myPiece, sizeof s.pieces);
    s.pos = Pos;
    for (int i = 0; i < 12; i++) {
      s.lists[i].assign(pl[i], pl[i] + plc[i]);
      std::sort(s.lists[i].begin(), s.lists[i].end());
    }
    return s;
  }
  bool operator==(const Snapshot& o) const {
    return !memcmp(piece, o.piece, sizeof piece) && !memcmp(color, o.color, sizeof color) &&
           side == o.side && xside == o.xside && castle == o.castle && ep == o.ep &&
           fifty == o.fifty && ply == o.ply && hply == o.hply && wk == o.wk && bk == o.bk &&
           !memcmp(counts, o.counts, sizeof counts) && hash == o.hash &&
           !memcmp(pieces, o.pieces, sizeof pieces) && pos.occupied == o.pos.occupied &&
           pos.bySide[0] == o.pos.bySide[0] && pos.bySide[1] == o.pos.bySide[1] &&
           std::equal(lists, lists + 12, o.lists);
  }
};

class MakeMoveTest : public EngineTest {
 protected:
  static void generate() {
    if (in_check(side)) {
      get_checker(side);
      gchecker2 != -1 ? gen_king() : gen_evade();
    } else {
      gen();
    }
  }

  // Perft that checks the whole position after every make and every take back.
  static U64 checked_walk(int depth, std::string* fault) {
    if (depth == 0) return 1;
    generate();
    U64 n = 0;
    char why[64];
    for (int i = first_move[ply]; i < first_move[ply + 1] && fault->empty(); i++) {
      Snapshot before = Snapshot::take();
      std::string text = move_str(gen_dat[i].m);
      if (!makemove(gen_dat[i].m.b)) {
        if (!(Snapshot::take() == before)) *fault = "refused " + text + " changed the position";
        continue;
      }
      if (!board_consistent(why, sizeof why)) *fault = "after " + text + ": " + why;
      n += checked_walk(depth - 1, fault);
      takeback();
      if (!(Snapshot::take() == before)) *fault = "take back of " + text + " differs";
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

TEST_F(MakeMoveTest, HistoryEntriesAndClock) {
  setup("4k3/8/8/8/3pP3/8/8/4K3 b - e3 7 1");
  move epc = find("d4e3");
  U64 key = hash;
  ASSERT_TRUE(makemove(epc.b));
  EXPECT_EQ(hist_dat[0].capture, EMPTY) << "en passant records no captured piece";
  EXPECT_EQ(hist_dat[0].ep, 44);
  EXPECT_EQ(hist_dat[0].fifty, 7);
  EXPECT_EQ(hist_dat[0].hash, key);
  EXPECT_EQ(fifty, 0);
  EXPECT_EQ(wp, 0);
  takeback();
  EXPECT_EQ(piece[36], PAWN) << "the pawn is back behind the target";

  setup("4k3/8/8/8/8/8/8/4K1N1 w - - 7 1");
  ASSERT_TRUE(makemove(find("g1f3").b));
  EXPECT_EQ(fifty, 8);
}

TEST_F(MakeMoveTest, DoubleStepKeepsEnPassantOnlyWhenAPawnCanTake) {
  setup("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
  ASSERT_TRUE(makemove(find("e2e4").b));
  EXPECT_EQ(ep, -1);
  setup("4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1");
  ASSERT_TRUE(makemove(find("e2e4").b));
  EXPECT_EQ(ep, 44);
  EXPECT_EQ(hash, compute_hash());
}

TEST_F(MakeMoveTest, CastlingRefusals) {
  // f1 attacked: refused and nothing changes. b1 attacked only: O-O-O is fine.
  setup("4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  Snapshot before = Snapshot::take();
  EXPECT_FALSE(makemove(find("e1g1").b));
  EXPECT_TRUE(Snapshot::take() == before);
  setup("1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  EXPECT_TRUE(makemove(find("e1c1").b));
  EXPECT_EQ(piece[59], ROOK);
  EXPECT_EQ(castle, 0);
  setup("4k3/8/8/8/8/8/4r3/R3K2R w KQ - 0 1");
  ASSERT_TRUE(in_check(LIGHT));
  EXPECT_FALSE(makemove(find("e1g1").b)) << "no castling out of check";
}

TEST_F(MakeMoveTest, LongGamesAreCutBeforeTheHistoryFills) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 300; i++) line += " g1f3 g8f6 f3g1 f6g8";
  std::vector<char> buf(line.begin(), line.end());
  buf.push_back(0);
  testing::internal::CaptureStdout();
  HandleLine(buf.data());
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(hply, HIST_STACK - 2);
  EXPECT_EQ(out, "info string game too long, moves from ply 999 on are ignored\n");
}

}  // namespace
