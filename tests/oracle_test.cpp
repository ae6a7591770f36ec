// SPDX-License-Identifier: GPL-3.0-or-later
// Perft counts of many positions reached by random play, checked against another engine's move
// generator (Debian's stockfish package, installed by CI). Skipped where it is not installed.

#include <cstdio>
#include <cstring>
#include <random>

#include "common.h"

namespace {

TEST(OracleTest, RandomPositionsCountLikeAnotherEngine) {
  const char* oracle = "/usr/games/stockfish";
  if (access(oracle, X_OK) != 0) GTEST_SKIP() << "stockfish is not installed";
  uci::engine_in_process();
  std::vector<std::string> starts;  // the positions of the perft suite
  std::ifstream suite(TEST_DATA_DIR "/perft.epd");
  for (std::string line; std::getline(suite, line);)
    starts.push_back(line.substr(0, line.find(';')));
  const int depth = 3;
  std::mt19937 rng(7);
  std::vector<std::string> fens;
  std::vector<unsigned long long> ours;
  std::string commands;
  move legal[256];
  for (int i = 0; i < 150; i++) {
    init_board(starts[i % starts.size()].c_str());
    int n = legal_moves(legal, 256);  // a random walk stays at the root; the history grows
    for (int steps = (int)(rng() % 40); steps > 0 && n > 0; steps--)
      makemove(legal[rng() % n].b), n = legal_moves(legal, 256);
    if (n == 0) continue;  // the game ended on the way
    char text[128];
    get_fen(text);  // four fields; no en passant square leaves a blank
    fens.push_back(text + std::string(text[strlen(text) - 1] == ' ' ? "-" : "") + " " +
                   std::to_string(fifty) + " 1");
    init_board(fens.back().c_str());
    ours.push_back(perft(depth));
    commands += "position fen " + fens.back() + "\ngo perft " + std::to_string(depth) + "\n";
  }

  const std::string script = testing::TempDir() + "zeltro_oracle_" + std::to_string(getpid());
  std::ofstream(script) << commands << "quit\n";
  FILE* out = popen((std::string(oracle) + " < " + script + " 2>/dev/null").c_str(), "r");
  ASSERT_NE(out, nullptr);
  std::vector<unsigned long long> theirs;
  char line[256];
  for (unsigned long long n; fgets(line, sizeof line, out);)
    if (sscanf(line, "Nodes searched: %llu", &n) == 1) theirs.push_back(n);
  pclose(out);
  unlink(script.c_str());
  ASSERT_EQ(theirs.size(), fens.size()) << "the other engine did not answer every position";
  for (size_t i = 0; i < fens.size(); i++) EXPECT_EQ(ours[i], theirs[i]) << fens[i];
  EXPECT_GT(fens.size(), 100u);
}

}  // namespace
