// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "eval.h"
#include "fen.h"
#include "hash.h"
#include "movetext.h"
#include "option.h"
#include "pg_show.h"
#include "platform.h"
#include "search.h"
#include "timeman.h"
#include "util.h"
#include "version.h"

static bool Searching = false;
// The go line of the running search carried "infinite": it answers after stop (or ponderhit).
static bool GoInfinite = false;
// Standard input has ended; what is left of a search is finished, then the engine exits.
static bool InputEnded = false;

void program_header() {
  printf("info string %s 32bit Build %s\n", ENGINE_NAME, ENGINE_BUILD);
}

void GenInit() {
  OptionUciDefaults();
  out_of_book = 0;
  gSelDepth = 0;
  ResetSearch();
  si.stopped = false;
  si.quiet = false;
  si.poll_input = true;
  si.iter_time = 0;
  si.ponder_move.u = 0;
  memset(&SearchInput, 0, sizeof SearchInput);
  // The attack tables never change: a second set-up keeps them.
  static bool tables_built = false;
  if (!tables_built) buildBitboardAttackTable(), init_move_rays();
  tables_built = true;
}

// Everything the engine needs before its first command, after the banner.
void engine_init() {
  read_input_line = LoopCall;
  OptionStart();
  GenInit();
  init_ttable(OptionUci.Hash);
  init_hash();
  seed_level_choices();
  init_board(spos);
  ply = 0;
  gen();
}

static void cmd_position(char* line) {
  const char* f = strstr(line, "fen ");
  if (f) {
    char text[128] = {0};
    strncpy(text, f + 4, 127);
    init_board(text);
  } else {
    init_board(spos);
  }
  ply = 0;
  gen();
  const char* m = strstr(line, "moves ");
  if (m == nullptr) return;
  m += 6;
  while (*m == ' ') m++;
  while (*m) {
    char text[6] = {0};
    int len = 0;
    while (len < 4 && m[len]) text[len] = m[len], len++;
    if (len == 4 && m[4] != ' ' && m[4] != 0) text[len++] = m[4];
    int i = parse_move(text);
    if (i < 0) return;
    move mv = gen_dat[i].m;
    if (!makemove(mv.b)) return;
    forget_distant_history();
    ply = 0;
    gen();
    // A promotion letter belongs to the move; any other fifth letter starts the next one.
    m += (len == 5 && (mv.b.bits & MF_PROMOTE)) ? 5 : 4;
    while (*m == ' ') m++;
  }
}

static void cmd_setoption(char* line) {
  const char* name = strstr(line, "name ");
  const char* value = strstr(line, "value ");
  if (name == nullptr || value == nullptr || value < name) return;
  name += 5;
  // The character before "value " (normally the blank) is not part of the name.
  int len = (int)(value - name) - 1;
  if (len < 0) len = 0;
  char text[256];
  if (len > (int)sizeof text - 1) len = (int)sizeof text - 1;
  memcpy(text, name, len);
  text[len] = 0;
  if (OptionSet(text, value + 6)) OptionApply(text);
}

// A go value is held to this size either way.
static const long long GO_VALUE_LIMIT = 1000000000LL;

// A go value held to a sane range.
static int read_number(const char* s) {
  return (int)read_signed(s, GO_VALUE_LIMIT);
}

// Whether m can be played in the position on the board.
static bool legal_here(move m) {
  move legal[MAX_SEARCHMOVES];
  const int count = legal_moves(legal, MAX_SEARCHMOVES);
  for (int i = 0; i < count; i++)
    if (legal[i].u == m.u) return true;
  return false;
}

// After bestmove the board is the position the go searched, whatever ended the search, so that
// another go analyses the same position. The best move is played only to see whether the
// expected reply can follow it.
static void ShowBestMove() {
  printf("info nodes %d time %d\n", (int)nodes, ms_diff(get_ms(), start_time));
  move best = pv[0][0];
  if (best.u == 0 || !makemove(best.b)) {
    SendInfo("bestmove 0000");
    ply = 0;
    gen();
    return;
  }
  char text[6];
  snprintf(text, sizeof text, "%s", move_str(best));
  // No reply is named after a ponder search stopped before its hit or a stopped analysis; a stop
  // in the middle of an iteration can leave the reply of an older best move behind.
  const bool stopped_early = si.pondering || (si.infinite && si.stop_requested);
  if (OptionUci.Ponder && !stopped_early && legal_here(si.ponder_move))
    SendInfo("bestmove %s ponder %s", text, move_str(si.ponder_move));
  else
    SendInfo("bestmove %s", text);
  takeback();
  ply = 0;
  gen();
}

// An infinite or ponder search answers only after stop or ponderhit, even when it has run out of
// work: until then the engine waits for input (idle, not polling) and still answers it.
static void wait_for_stop() {
  while (!si.stop_requested && (GoInfinite || si.pondering) && LoopCall()) {
  }
}

// A search that neither its depth nor the clock will end: at the end of the input it stops.
static bool search_without_end() {
  return si.pondering || (si.infinite && max_depth >= MAX_ITERATION);
}

// A go line is read up to this many words (all the legal moves of any position fit many times
// over); the words behind them are dropped with a line that says so.
static const int MAX_GO_WORDS = 4096;

// Everything a go line may ask for; GO_ABSENT where it is silent.
static go_limits_t no_limits() {
  go_limits_t l;
  l.wtime = l.btime = l.winc = l.binc = l.movestogo = l.movetime = l.depth = l.mate = GO_ABSENT;
  l.infinite = l.ponder = false;
  return l;
}

// The slot of a go word that takes a number, or none.
static int* number_slot(go_limits_t* l, const char* word) {
  const struct {
    const char* word;
    int* slot;
  } slots[] = {{"binc", &l->binc},   {"btime", &l->btime},      {"winc", &l->winc},
               {"wtime", &l->wtime}, {"mate", &l->mate},        {"movestogo", &l->movestogo},
               {"depth", &l->depth}, {"movetime", &l->movetime}};
  for (const auto& s : slots)
    if (!strcmp(word, s.word)) return s.slot;
  return nullptr;
}

// searchmoves takes the rest of the line; the legal moves in it are searched, the others named.
static void read_search_moves(char** words, int count) {
  memset(&SearchInput, 0, sizeof SearchInput);
  for (int i = 0; i < count; i++) {
    int at = parse_move(words[i]);
    if (at >= 0 && SearchInput.count < MAX_SEARCHMOVES && makemove(gen_dat[at].m.b)) {
      takeback();
      SearchInput.moves[SearchInput.count++] = gen_dat[at].m;
    } else {
      printf("info string the move (%s) to search is illegal??\n", words[i]);
    }
  }
}

// Reads a go line into limits and the moves to search. A line that asks for no search is
// answered here, and false returned. Unknown words are passed over; a missing depth or movetime
// drops the line, any other missing number ends it.
static bool parse_limits(char* line, go_limits_t* limits) {
  static char* words[MAX_GO_WORDS];
  int count = 0;
  for (char* w = strtok(line, " \t"); w; w = strtok(nullptr, " \t")) {
    if (count == MAX_GO_WORDS) {
      printf("info string go line too long, words from %d on are ignored\n", count + 1);
      break;
    }
    words[count++] = w;
  }
  const char* last = "";
  int known = 0;
  for (int i = 1; i < count; i++) {
    const char* word = last = words[i];
    if (int* slot = number_slot(limits, word)) {
      if (i + 1 >= count) {
        printf("info string missing %s param??\n", word);
        if (slot == &limits->depth || slot == &limits->movetime) return false;
        break;
      }
      if (slot == &limits->movetime && !isdigit((unsigned char)words[i + 1][0])) {
        printf("info string movetime param is not a digit??\n");
        i++;
        continue;
      }
      *slot = read_number(words[++i]);
      known++;
    } else if (!strcmp(word, "infinite")) {
      limits->infinite = true, known++;
    } else if (!strcmp(word, "ponder")) {
      limits->ponder = true, known++;
    } else if (!strcmp(word, "searchmoves")) {
      known++;
      read_search_moves(words + i + 1, count - i - 1);
      break;
    }
  }
  if (known == 0) printf("info string unknown command \"%s %s\"??\n", "go", last);
  return known > 0;
}

// The search runs until its limits, a stop or the end of the input; then the reply.
static void search_and_reply() {
  Searching = true;
  think(1);
  wait_for_stop();
  Searching = false;
  ShowBestMove();
}

static void cmd_go(char* line) {
  memset(&SearchInput, 0, sizeof SearchInput);
  ResetSearch();
  go_limits_t limits = no_limits();
  if (!parse_limits(line, &limits)) return;
  apply_limits(limits);
  GoInfinite = limits.infinite;
  search_and_reply();
}

// Only a ponder search takes a ponder hit: it goes on as an ordinary search, or stops when it
// has already used the time the move would have had. An analysis goes on until stop.
static void cmd_ponderhit(char*) {
  if (!si.pondering) return;
  si.pondering = false;
  if (Searching && ms_diff(get_ms(), start_time) >= si.ponder_time) si.stop_requested = true;
}

static void cmd_isready(char*) {
  SendInfo("readyok");
}

static void cmd_quit(char*) {
  free_tt();
  exit(0);
}

static void cmd_stop(char*) {
  si.stop_requested = true;
}

static void cmd_uci(char*) {
  SendInfo("id name %s", ENGINE_NAME);
  SendInfo("id author Oskvarin");
  OptionList();
  // A new conversation may ask the book again; a running search keeps its count.
  if (!Searching) out_of_book = 0;
  SendInfo("uciok");
}

static void cmd_ucinewgame(char*) {
  hply = 0;
  out_of_book = 0;
  clearHash();
}

// What a command does when it comes while a search runs.
enum during_search { ACTS, IGNORED, SAYS_IGNORED };

// The commands, tried in this order: the first whose word begins the line (a prefix, the
// words that end in a blank) or is the whole line (the others) runs.
static const struct {
  const char* word;
  void (*run)(char* line);
  during_search in_search;
} Commands[] = {
    {"debug ", [](char*) {}, ACTS},
    {"go ", cmd_go, IGNORED},
    {"isready", cmd_isready, ACTS},
    {"ponderhit", cmd_ponderhit, ACTS},
    {"position ", cmd_position, IGNORED},
    {"quit", cmd_quit, ACTS},
    {"setoption ", cmd_setoption, IGNORED},
    {"stop", cmd_stop, ACTS},
    {"uci", cmd_uci, ACTS},
    {"ucinewgame", cmd_ucinewgame, IGNORED},
    {"profile", [](char*) { profile(); }, SAYS_IGNORED},
    {"bench", [](char*) { bench(); }, SAYS_IGNORED},
    {"symtestpos", [](char*) { symtestpos(); }, SAYS_IGNORED},
};

static bool matches(const char* line, const char* word) {
  const size_t n = strlen(word);
  return word[n - 1] == ' ' ? strncmp(line, word, n) == 0 : strcmp(line, word) == 0;
}

// A line that matches no command is ignored without a reply. While a search runs only stop,
// ponderhit, isready and quit act (uci and debug change nothing): every other line leaves the
// board, the settings and the running search as they are.
void HandleLine(char* line) {
  // Between searches any line forgets the moves to search; a running search keeps its own.
  if (!Searching) memset(&SearchInput, 0, sizeof SearchInput);
  for (const auto& c : Commands) {
    if (!matches(line, c.word)) continue;
    if (!Searching || c.in_search == ACTS)
      c.run(line);
    else if (c.in_search == SAYS_IGNORED)
      SendInfo("info string %s ignored: a search is running", c.word);
    return;
  }
}

// At the end of the input a running search is finished by its limits (or stopped when it has
// none) and answered; the loop then ends and the engine exits.
bool LoopCall() {
  static char buffer[65536];
  if (InputEnded) return false;
  if (!ReadSomeLines(stdin, buffer, sizeof buffer)) {
    InputEnded = true;
    if (Searching && search_without_end()) si.stop_requested = true;
    return false;
  }
  HandleLine(buffer);
  return true;
}

void Loop() {
  Searching = false;
  ResetSearch();
  while (LoopCall()) {
  }
}
