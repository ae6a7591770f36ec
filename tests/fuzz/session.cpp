// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: a UCI session whose lines after each go wait in standard input, a pipe, where the
// search's own poll reads them; a stop behind them ends a search that waits for one. Every go is
// held to a few plies, and after its bestmove the board must be the position it was given. quit
// is skipped, and so are the diagnostics between searches (during one they must be refused).
#include <algorithm>
#include <cstring>
#include <sstream>
#include <vector>

#include "fen.h"
#include "fuzz.h"
#include "platform.h"
#include "search.h"
#include "util.h"

// The deepest search a go may ask for here: a few thousand nodes, so the search polls its input
// a few times; a mate in n moves is 2n - 1 plies deep.
static const long SHORT_DEPTH = 4, SHORT_MATE = 2;
// What one search may find waiting in its input; the pipe must take it without blocking.
static const size_t MOST_WAITING_BYTES = 32768;

static int input_pipe = -1;

// The go line with a short depth in front and each depth or mate value held to the short one;
// the moves behind searchmoves are left alone.
static std::string short_go(const std::string& line) {
  std::istringstream words(line.substr(3));
  std::string out = "go depth " + std::to_string(SHORT_DEPTH), word;
  long cap = 0;  // of the value that comes next, if any
  while (words >> word) {
    if (cap && labs(strtol(word.c_str(), nullptr, 10)) > cap) word = std::to_string(cap);
    out += " " + word;
    if (word == "searchmoves") break;
    cap = word == "depth" ? SHORT_DEPTH : word == "mate" ? SHORT_MATE : 0;
  }
  std::string rest;
  std::getline(words, rest);
  return out + rest;
}

// The position, its key and the length of its game.
static std::string board_now() {
  char fen[128];
  get_fen(fen);
  return std::string(fen) + " key " + std::to_string(hash) + " plies " + std::to_string(hply);
}

// The legal moves named behind searchmoves, read before the go runs: the move it plays must be
// one of them, whatever lines came during the search.
static std::vector<int32_t> moves_to_search(const std::string& go) {
  std::vector<int32_t> moves;
  std::istringstream words(go);
  std::string word;
  while (words >> word && word != "searchmoves") {
  }
  while (words >> word) {
    const int at = parse_move(word.c_str());
    if (at < 0 || !makemove(gen_dat[at].m.b)) continue;
    takeback();
    moves.push_back(gen_dat[at].m.u);
  }
  return moves;
}

static void run_between_searches(std::string line) {
  if (line == "quit" || diagnostic(line)) return;
  HandleLine(line.data());
  fuzz_require_consistent("a command");
}

// The lines the search did not read are handled as the engine would, once it has answered.
static void run_what_is_left() {
  static char line[65536];
  while (bioskey() && ReadSomeLines(stdin, line, sizeof line)) run_between_searches(line);
}

static void search_with_input(const std::string& go, const std::vector<std::string>& waiting) {
  std::string bytes;
  for (const std::string& line : waiting)
    if (line != "quit" && bytes.size() + line.size() < MOST_WAITING_BYTES) bytes += line + "\n";
  bytes += "stop\n";
  if (write(input_pipe, bytes.data(), bytes.size()) != (ssize_t)bytes.size()) abort();
  const std::string before = board_now();
  const std::vector<int32_t> listed = moves_to_search(go);
  std::string line = short_go(go);
  HandleLine(line.data());
  fuzz_require_consistent("a search");
  const std::string after = board_now();
  if (after != before) {
    fprintf(stderr, "after \"%.60s\": %s, not %s\n", go.c_str(), after.c_str(), before.c_str());
    abort();
  }
  const int32_t played = pv[0][0].u;
  if (played && !listed.empty() && std::count(listed.begin(), listed.end(), played) == 0) {
    fprintf(stderr, "\"%.60s\" played %s, not a move it listed\n", go.c_str(), move_str(pv[0][0]));
    abort();
  }
  run_what_is_left();
}

static void fuzz_one(const std::string& input) {
  if (input_pipe < 0) input_pipe = take_over_input();
  std::vector<std::string> lines;
  std::istringstream text(input);
  for (std::string line; std::getline(text, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.resize(strlen(line.c_str()));  // the handler reads up to the first zero byte
    lines.push_back(line);
  }
  for (size_t i = 0; i < lines.size();) {
    if (!lines[i].starts_with("go ")) {
      run_between_searches(lines[i++]);
      continue;
    }
    size_t next = i + 1;
    while (next < lines.size() && !lines[next].starts_with("go ")) next++;
    search_with_input(lines[i], {lines.begin() + i + 1, lines.begin() + next});
    i = next;
  }
}
