// SPDX-License-Identifier: GPL-3.0-or-later
// The board: make and take back, proven by perft counts and by a full self-check of every
// redundant form; FEN and SAN text read and written. A wrong exchange count changes the bench
// signature.
#include <cstring>
#include <random>

#include "epd.h"
#include "uci_harness.h"

namespace {

class BoardTest : public EngineTest {};

// What make and take back must restore; board_consistent vouches for all that derives from it.
std::vector<long long> snapshot() {
  std::vector<long long> s(piece, piece + 64);
  s.insert(s.end(), color, color + 64);
  s.insert(s.end(), {side, castle, ep, fifty, ply, hply, (long long)hash});
  return s;
}

// In check, of all the moves the full generator offers only the evasions may be made.
int moves_made_of_full_list() {
  gen();
  int n = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++)
    if (makemove(gen_dat[i].m.b)) n++, takeback();
  return n;
}

// Perft that checks the whole position after every make and take back, that a capture's list
// score, once settled, tells a losing exchange as the exchange does, that a legality told without
// playing the move is makemove's, and that in check the full list leaves no more moves than the
// evasions.
U64 checked_walk(int depth, std::string* fault) {
  if (depth == 0) return 1;
  const int full = side_checked ? moves_made_of_full_list() : -1;
  gen_node(in_check(side));
  U64 n = 0;
  char why[64];
  for (int i = first_move[ply]; i < first_move[ply + 1] && fault->empty(); i++) {
    const std::vector<long long> before = snapshot();
    const std::string text = move_str(gen_dat[i].m);
    const move_bytes m = gen_dat[i].m.b;
    settle_score(gen_dat[i]);
    if ((m.bits & MF_CAPTURE) && !(m.bits & (MF_EP | MF_PROMOTE)) &&
        capture_loses(gen_dat[i]) != (see(m.from, m.to) < 0))
      *fault = "exchange of " + text + " misread from its score";
    auto same = [&] { return snapshot() == before && board_consistent(why, sizeof why); };
    const int told = legal_unplayed(m);
    const bool made = makemove(m);
    if (told >= 0 && told != made) *fault = "legality of " + text + " told wrongly";
    if (!made) {
      if (!same()) *fault = "refused " + text + " changed the position";
      continue;
    }
    if (!board_consistent(why, sizeof why)) *fault = "after " + text + ": " + why;
    n += checked_walk(depth - 1, fault);
    takeback();
    if (!same()) *fault = "take back of " + text + " differs";
  }
  if (full >= 0 && depth == 1 && (U64)full != n) *fault = "a move ignores the check";
  return n;
}

// Small counts are walked with every position checked; larger ones by the plain perft.
TEST_F(BoardTest, PerftMatchesPublishedCounts) {
  std::ifstream in(TEST_DATA_DIR "/perft.epd");
  int checked = 0;
  for (std::string line; std::getline(in, line);) {
    const std::string fen = line.substr(0, line.find(" ;"));
    std::istringstream fields(line.substr(line.find(" ;") + 2));
    int depth;
    unsigned long long want;
    for (std::string field; std::getline(fields, field, ';');) {
      if (sscanf(field.c_str(), " D%d %llu", &depth, &want) != 2 || want > 1000000) continue;
      setup(fen);
      std::string fault;
      EXPECT_EQ(depth <= 3 ? checked_walk(depth, &fault) : perft(depth), want)
          << fen << " D" << depth;
      EXPECT_EQ(fault, "") << fen;
      checked++;
    }
  }
  EXPECT_GT(checked, 100);
}

// Positions reached by random play from the suite's, counted as Debian's stockfish counts them.
TEST_F(BoardTest, RandomPositionsCountLikeAnotherEngine) {
  const char* oracle = "/usr/games/stockfish";
  if (access(oracle, X_OK) != 0) GTEST_SKIP() << "stockfish is not installed";
  std::ifstream suite(TEST_DATA_DIR "/perft.epd");
  std::vector<std::string> starts, fens;
  for (std::string line; std::getline(suite, line);)
    starts.push_back(line.substr(0, line.find(';')));
  std::mt19937 rng(7);
  std::string ours, commands;
  move legal[256];
  for (int i = 0; i < 150; i++) {
    setup(starts[i % starts.size()]);
    int n = legal_moves(legal, 256);
    for (int steps = (int)(rng() % 40); steps > 0 && n > 0; steps--)
      makemove(legal[rng() % n].b), n = legal_moves(legal, 256);
    if (n == 0) continue;  // the game ended on the way
    char text[128];
    get_fen(text);  // four fields; no en-passant square leaves a blank
    fens.push_back(text + std::string(text[strlen(text) - 1] == ' ' ? "-" : "") + " 0 1");
    setup(fens.back());
    ours += "Nodes searched: " + std::to_string(perft(3)) + "\n";
    commands += "position fen " + fens.back() + "\ngo perft 3\n";
  }
  const std::string script = testing::TempDir() + "zeltro_oracle_" + std::to_string(getpid());
  std::ofstream(script) << commands << "quit\n";
  FILE* out = popen((std::string(oracle) + " < " + script + " 2>/dev/null").c_str(), "r");
  std::string theirs;
  for (char line[256]; fgets(line, sizeof line, out);)
    if (strncmp(line, "Nodes searched:", 15) == 0) theirs += line;
  pclose(out);
  unlink(script.c_str());
  EXPECT_EQ(ours, theirs);
  EXPECT_GT(fens.size(), 100u);
}

// The clock, en passant after a double step only where a pawn can take, the castling rights a
// rook loses by leaving its corner or by being taken there, and the check of the side to move.
TEST_F(BoardTest, ClockEnPassantCastlingRightsAndCheck) {
  const struct {
    const char *fen, *move;
    int fifty, ep, castle, checked;
  } cases[] = {
      {"4k3/8/8/8/3pP3/8/8/4K3 b - e3 7 1", "d4e3", 0, -1, 0, 0},  // en passant resets the clock
      {"4k3/8/8/8/8/8/8/4K1N1 w - - 7 1", "g1f3", 8, -1, 0, 0},
      {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e2e4", 0, -1, 0, 0},
      {"4k3/8/8/8/3p4/8/4P3/4K3 w - - 0 1", "e2e4", 0, 44, 0, 0},
      {"4k3/8/8/8/3P4/8/4P3/4K3 w - - 0 1", "e2e4", 0, -1, 0, 0},  // an own pawn cannot take
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 3 1", "a1a8", 0, -1, 1 | 4, 1},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 3 1", "h8h1", 0, -1, 2 | 8, 1},
      // Set up with Black in check already: the king's move neither gives nor ends that check.
      {"4k3/8/8/8/8/8/4R3/K7 w - - 0 1", "a1b1", 1, -1, 0, 1},
  };
  for (const auto& c : cases) {
    uci::handle(std::string("position fen ") + c.fen + " moves " + c.move);
    EXPECT_EQ(std::vector({fifty, ep, castle, (int)side_checked}),
              std::vector({c.fifty, c.ep, c.castle, c.checked}))
        << c.fen;
  }
}

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq ";

// The text written back has four fields; the clock is read but not written. A refused text says
// why (exactly, or any reason for "") and leaves the start position; a good one clears the flag.
TEST_F(BoardTest, FenFieldsAsReadAndWrittenOrRefused) {
  const struct {
    const char *text, *written;
    int fifty;
    const char* error = nullptr;
  } cases[] = {
      // The kings, White first, and a board one square too long; then text nothing else could
      // work with.
      {"", kStart, 0, "there's no white king"},
      {"KK6/8/8/8/8/8/8/8 w - - 0 1", kStart, 0, "too many white king"},
      {"k3k3/8/8/8/8/8/8/4K3 w - - 0 1", kStart, 0, "too many dark king"},
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", kStart, 0, "there's no dark king"},
      {"4k3/8/8/8/8/8/8/4K4 w - - 0 1", kStart, 0, "board has more than 64 squares"},
      {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", kStart, 0, ""},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", kStart, 0, ""},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", kStart, 0, ""},
      {spos, kStart, 0},
      // The forgiving scan: '/' only separates, squares are filled one after another.
      {"4k38888884K3 w - - 0 1", "4k3/8/8/8/8/8/8/4K3 w - ", 0},
      {"4k3/8/8/8/8/8/8/4K3 wb", "4k3/8/8/8/8/8/8/4K3 b - ", 0},
      // Castling rights only where king and rook of that colour stand at home.
      {"r3k2r/8/8/8/8/8/8/4K1R1 w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/4K1R1 w kq ", 0},
      {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R4K1R w kq ", 0},
      {"r3k2r/8/8/8/8/8/8/R3K2R w q-K - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w Kq ", 0},
      // En passant only where a pawn that just stepped twice stands beyond an empty square.
      {"4k3/8/8/8/4P3/8/8/4K3 b - e3 0 1", "4k3/8/8/8/4P3/8/8/4K3 b - e3", 0},
      {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "4k3/8/8/8/4P3/8/8/4K3 w - ", 0},
      {"4k3/8/8/8/4P3/4N3/8/4K3 b - e3 0 1", "4k3/8/8/8/4P3/4N3/8/4K3 b - ", 0},
      {"4k3/8/8/8/4P3/8/8/4K3 b - e33 0 1", "4k3/8/8/8/4P3/8/8/4K3 b - ", 0},
      // Half-move clock: one or two digits need a blank behind them, three do not.
      {"4k3/8/8/8/8/8/8/4K3 w - - 12 40", "4k3/8/8/8/8/8/8/4K3 w - ", 12},
      {"4k3/8/8/8/8/8/8/4K3 w - - 7", "4k3/8/8/8/8/8/8/4K3 w - ", 0},
      {"4k3/8/8/8/8/8/8/4K3 w - - 1234 5", "4k3/8/8/8/8/8/8/4K3 w - ", 123},
  };
  for (const auto& c : cases) {
    const uci::Lines out = uci::handle(std::string("position fen ") + c.text);
    const std::string said = c.error ? std::string("info string fen error ") + c.error : "";
    EXPECT_TRUE(c.error ? out.size() == 2 && out[1] == "info string reset to orig board position" &&
                              (*c.error ? out[0] == said : out[0].starts_with(said))
                        : out.empty())
        << c.text << ": " << testing::PrintToString(out);
    char written[82];  // what callers of get_fen provide
    get_fen(written);
    EXPECT_EQ(std::tuple(std::string(written), fifty, fen_refused, board_consistent(nullptr, 0)),
              std::tuple(std::string(c.written), c.fifty, c.error != nullptr, true))
        << c.text;
  }
}

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

TEST_F(BoardTest, SanReadAndWrittenAsTheShortestUnambiguousText) {
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
      EXPECT_TRUE(pair[at] == ':' || san == written)
          << coordinates << " in " << fen << ": " << written;
    }
  }
}

}  // namespace
