// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing FEN text.
#include "uci_harness.h"

namespace {

const char* const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq ";
class FenTest : public EngineTest {};

// The text written back has four fields; the clock is read but not written. A refused text says
// why (exactly, or any reason for "") and leaves the start position; a good one clears the flag.
TEST_F(FenTest, FieldsAsReadAndWrittenOrRefused) {
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
    testing::internal::CaptureStdout();
    init_board(c.text);
    const uci::Lines out = uci::split_lines(testing::internal::GetCapturedStdout());
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

}  // namespace
