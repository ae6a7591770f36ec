// SPDX-License-Identifier: GPL-3.0-or-later
// Opening book: Polyglot keys, the search of a book file, its move text and the choice among moves.
#include <cstring>
#include <set>

#include "pg_key.h"
#include "pg_show.h"
#include "uci_harness.h"

namespace {

using Moves = std::set<std::string>;

// The Polyglot code of a move text like "e2e4" or "a7a8q", castling written as king takes rook;
// "a7a8x" has promotion code 7, which names no piece.
uint16_t code(const char* t) {
  int promotion = t[4] ? (int)(strchr(" nbrq  x", t[4]) - " nbrq  x") : 0;
  return (uint16_t)(promotion << 12 | (t[1] - '1') << 9 | (t[0] - 'a') << 6 | (t[3] - '1') << 3 |
                    (t[2] - 'a'));
}

class BookTest : public EngineTest {
 protected:
  // The default file is put back after each test.
  void SetUp() override { snprintf(OptionUci.BookFile, sizeof OptionUci.BookFile, "%s", &path[0]); }
  void TearDown() override { unlink(path.c_str()), EngineTest::TearDown(); }
  // Writes an entry big-endian for each "key move weight" of the text, then `tail` stray bytes.
  void write_book(const std::string& entries, int tail = 0) {
    FILE* f = fopen(path.c_str(), "wb");
    auto put = [f](U64 v, int bytes) {
      while (bytes--) fputc((int)(v >> 8 * bytes) & 255, f);
    };
    std::istringstream in(entries);
    std::string move;
    for (U64 key, weight; in >> key >> move >> weight;)
      put(key, 8), put(code(move.c_str()), 2), put(weight, 2), put(0, 4);
    for (int i = 0; i < tail; i++) fputc(0x5A, f);
    fclose(f);
  }
  // Every move pg_show gives for key over many probes; {""} when it gives none.
  static Moves moves_for(U64 key) {
    Moves seen;
    for (int i = 0; i < 100; i++) {
      char out[6] = "";
      if (!pg_show(key, out)) return {""};
      seen.insert(out);
    }
    return seen;
  }
  std::string path = testing::TempDir() + "zeltro_book_" + std::to_string(getpid()) + ".bin";
};

// En passant counts only where a pawn can take; the rights enter one by one.
TEST_F(BookTest, PublishedKeys) {
  const std::pair<const char*, U64> cases[] = {
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", 0x823C9B50FD114196ULL},
      {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 0x22A48B5A8E47FF78ULL},
      {"rnbqkbnr/p1pppppp/8/8/P6P/R1p5/1P1PPPP1/1NBQKBNR b Kkq - 0 4", 0x5C3F9B829B279560ULL},
  };
  for (auto [fen, key] : cases) {
    EXPECT_EQ(pg_key(fen), key) << fen;
    setup(fen);  // the search hands over get_fen's four fields, not the text it was given
    char text[82];
    get_fen(text);
    EXPECT_EQ(pg_key(text), key) << text;
  }
  U64 folded = 0;  // covers the entries no position above uses
  for (U64 r : Random64) folded ^= r;
  EXPECT_EQ(folded, 0xEAA4DC0DD06542B6ULL);
}

// Castling is stored as king takes rook, a promotion is never taken for one, and promotion
// code 7 names no piece. Weights do not change the chances, so the weight-0 moves come up too.
// Stray bytes after the last whole entry are never read.
TEST_F(BookTest, ChoosesAmongTheEntriesOfItsKeyOnly) {
  write_book(
      "7 a2a3 9  8 e2e4 0  8 e1h1 5  8 e8a8 0  8 e1a1 0  8 e8h8 0  8 h2h1n 0  8 e1h1q 0  "
      "8 a7a8x 0  12 b2b3 0  12 c2c3 0  13 h2h3 1",
      10);
  EXPECT_EQ(moves_for(7), Moves{"a2a3"});
  EXPECT_EQ(moves_for(8),
            (Moves{"e2e4", "e1g1", "e8c8", "e1c1", "e8g8", "h2h1n", "e1h1q", "a7a8"}));
  EXPECT_EQ(moves_for(13), Moves{"h2h3"});
  // Key 12 has weights of 0 only; keys 1, 10 and 14 are in no entry.
  for (U64 none : {1, 10, 12, 14}) EXPECT_EQ(moves_for(none), Moves{""}) << none;
  for (int n : {100, 101}) {  // at most 100 entries for one key
    std::string entries = "1 a2a3 1";
    for (int i = 0; i < n; i++) entries += " 5 b2b3 1";
    write_book(entries + " 6 c2c3 1");
    EXPECT_EQ(moves_for(5), n == 100 ? Moves{"b2b3"} : Moves{""}) << n << " entries";
  }
  char out[6];
  for (bool empty : {true, false}) {  // no whole entry, then no file
    empty ? write_book("", 15) : (void)unlink(path.c_str());
    testing::internal::CaptureStdout();
    EXPECT_EQ(pg_show(8, out), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              empty ? "" : "info string Zeltro.bin book is not found\n");
  }
}

// With the Polyglot book Debian ships, every move offered is legal, castling included.
TEST_F(BookTest, RealBookMovesAreLegal) {
  const char* book = "/usr/share/games/gnuchess/book.bin";
  if (access(book, R_OK) != 0) GTEST_SKIP() << book << " is not installed";
  snprintf(OptionUci.BookFile, sizeof OptionUci.BookFile, "%s", book);
  setup("r1bqkb1r/1ppp1ppp/p1n2n2/4p3/B3P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 5");
  char fen_text[82];
  get_fen(fen_text);
  const Moves offered = moves_for(pg_key(fen_text));
  EXPECT_TRUE(offered.count("e1g1"));
  for (const std::string& text : offered) {
    gen();
    const int index = parse_move(text.c_str());
    ASSERT_GE(index, 0) << text;
    EXPECT_TRUE(makemove(gen_dat[index].m.b)) << text;
    takeback();
  }
}

}  // namespace
