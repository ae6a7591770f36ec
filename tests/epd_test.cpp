// SPDX-License-Identifier: GPL-3.0-or-later
// SAN read and written against the legal moves, and the EPD runner end to end.
#include "epd.h"


#include "uci_harness.h"

namespace {

using uci::Lines;

// "SAN=move": the SAN reads as the move in coordinates, and is the text written for it, with a
// file where it suffices, else a rank, else both, and none for a pinned rival. "SAN:move" is only
// read; "SAN:-" is not guessed: ambiguous, illegal, or marked with a check or mate not given.
const char* const kSanCases[][2] = {
    {"4k3/8/8/8/7b/2N3N1/8/4K3 w - - 0 1", "Ne4=c3e4 Nce4:c3e4 Nge4:-"},  // g3 is pinned
    {"4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "R1a3=a1a3 R5a3:a5a3 Ra3:- Raa3:-"},
    {"4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", "Qa1b2=a1b2 Q3b2=a3b2 Qcb2=c1b2 Qab2:- Q1b2:- Qb2:-"},
    {"4k3/8/8/2PpP3/8/8/8/4K3 w - d6 0 1", "exd6=e5d6 cxd6:c5d6 xd6:- d6:-"},
    {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e8=Q+=e7e8q e8Q:e7e8q exd8=N=e7d8n exd8R+:e7d8r"},
    {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "exd8=B:e7d8b exd8=N+:- exd8=R#:- e8:- e8=K:-"},
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "O-O:e1g1 0-0:e1g1 O-O-O:e1c1 0-0-0:e1c1 Kg1:-"},
    {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O-O=e8c8 O-O=e8g8 Rxa1+:a8a1 Kf8:e8f8"},
    {"6k1/5ppp/8/8/8/8/8/4R1K1 w - - 0 1", "Re8#=e1e8 Re8+:e1e8 Re8#!!:e1e8 Re8?!:e1e8 Re7:e1e7"},
    {"6k1/5ppp/8/8/8/8/8/4R1K1 w - - 0 1", "Re7+:- Re7#:- Rxe8:- Re8++:- e9:- Rf:- re8:-"},
};

class San : public EngineTest {};

TEST_F(San, ReadsAndWritesTheShortestUnambiguousText) {
  const char* why;
  move legal[256];
  for (auto [fen, pairs] : kSanCases) {
    setup(fen);
    const int n = legal_moves(legal, 256);
    std::istringstream in(pairs);
    for (std::string pair; in >> pair;) {
      const size_t at = pair.find_last_of(":=");
      const std::string san = pair.substr(0, at), coordinates = pair.substr(at + 1);
      const move m = san_move(san.c_str(), &why);
      EXPECT_EQ(m.u ? move_str(m) : "-", coordinates) << san << " in " << fen;
      char written[12] = "";
      for (int i = 0; i < n; i++)
        if (coordinates == move_str(legal[i])) san_text(legal[i], written);
      EXPECT_TRUE(pair[at] == ':' || san == written) << coordinates << " in " << fen << ": " << written;
    }
  }
}

TEST(EpdSuite, SolvesTheShippedTacticsAndSkipsWhatItCannotRead) {
  uci::Run r = uci::run({"epd", TEST_DATA_DIR "/tactics.epd", "depth", "5"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.errors, "");
  Lines seen;  // without the nodes and time, which vary with the machine, and the padding
  for (const std::string& line : r.out)
    seen.push_back(std::regex_replace(std::regex_replace(line, std::regex(" +nodes +\\d+ +time +\\d+ ms"), ""),
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

}  // namespace
