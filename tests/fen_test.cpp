// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing FEN text.
#include "uci_harness.h"

namespace {

using uci::Lines;
const std::string kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq ";

class FenTest : public EngineTest {
 protected:
  // Sets the position up; returns what the reader printed.
  static Lines load(const std::string& text) {
    testing::internal::CaptureStdout();
    init_board(text.c_str());
    return uci::split_lines(testing::internal::GetCapturedStdout());
  }
  static std::string written() {
    char out[82];  // what callers of get_fen provide
    get_fen(out);
    return out;
  }
};

// The text written back has four fields; the clock is read but not written.
TEST_F(FenTest, FieldsAsReadAndWritten) {
  const struct {
    const char *text, *written;
    int fifty;
  } cases[] = {
      {spos, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq ", 0},
      // The forgiving scan: '/' only separates, squares are filled one after another.
      {"4k38888884K3 w - - 0 1", "4k3/8/8/8/8/8/8/4K3 w - ", 0},
      {"4k3/8/8/8/8/8/8/4K3 wb", "4k3/8/8/8/8/8/8/4K3 b - ", 0},
      // Castling rights only where king and rook of that colour stand at home.
      {"r3k2r/8/8/8/8/8/8/R3K1R1 w KQkq - 0 1", "r3k2r/8/8/8/8/8/8/R3K1R1 w Qkq ", 0},
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
    EXPECT_EQ(load(c.text), Lines{}) << c.text;
    EXPECT_EQ(written(), c.written) << c.text;
    EXPECT_EQ(fifty, c.fifty) << c.text;
    EXPECT_TRUE(board_consistent(nullptr, 0)) << c.text;
  }
}

TEST_F(FenTest, RefusedTextsFallBackToTheStartPosition) {
  const char* cases[][2] = {
      // The kings, White first, and a board one square too long; the exact reply.
      {"", "there's no white king"},
      {"KK6/8/8/8/8/8/8/8 w - - 0 1", "too many white king"},
      {"k3k3/8/8/8/8/8/8/4K3 w - - 0 1", "too many dark king"},
      {"8/8/8/8/8/8/8/4K3 w - - 0 1", "there's no dark king"},
      {"4k3/8/8/8/8/8/8/4K4 w - - 0 1", "board has more than 64 squares"},
      // Text nothing else could work with; any reason ("").
      {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", ""},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", ""},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", ""},
  };
  for (auto [text, error] : cases) {
    SCOPED_TRACE(text);
    Lines out = load(text);
    ASSERT_EQ(out.size(), 2u);
    const std::string want = std::string("info string fen error ") + error;
    EXPECT_TRUE(*error ? out[0] == want : out[0].starts_with(want)) << out[0];
    EXPECT_EQ(out[1], "info string reset to orig board position");
    EXPECT_TRUE(fen_refused && written() == kStart && board_consistent(nullptr, 0));
  }
  load("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_FALSE(fen_refused) << "a good text clears the flag";
}

}  // namespace
