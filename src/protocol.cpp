#include "protocol.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "board.h"
#include "data.h"
#include "eval.h"
#include "fen.h"
#include "hash.h"
#include "option.h"
#include "pg_show.h"
#include "platform.h"
#include "search.h"

char ENG_NAME_VER[256];
const char ENGINE_NAME[] = "Zeltro 1800";
const char ENGINE_BUILD[] = "4";

static bool Searching = false;
// The go line of the running search carried "infinite": it answers after stop (or ponderhit).
static bool GoInfinite = false;
// Standard input has ended; what is left of a search is finished, then the engine exits.
static bool InputEnded = false;

// A game longer than this is cut: the search still needs room for its own moves.
static const int MAX_GAME_PLIES = HIST_STACK - 2;

void program_header() {
  snprintf(ENG_NAME_VER, sizeof ENG_NAME_VER, "%s", ENGINE_NAME);
  printf("info string %s 32bit Build %s\n", ENG_NAME_VER, ENGINE_BUILD);
}

void GenInit() {
  OptionUciDefaults();
  out_of_book = 0;
  gSelDepth = 0;
  si.pondering = false;
  si.stopped = false;
  si.time_avail = 0;
  si.fixed_time = false;
  si.quiet = false;
  si.poll_input = true;
  si.ponder_option = false;
  si.iter_time = 0;
  si.ponder_move.u = 0;
  bookOption.OwnBook = false;
  memset(&SearchInput, 0, sizeof SearchInput);
  buildBitboardAttackTable();
}

// Everything the engine needs before its first command, after the banner.
void engine_init() {
  OptionStart();
  GenInit();
  init_ttable(OptionUci.Hash);
  init_hash();
  init_board(spos);
  ply = 0;
  gen();
}

bool my_StringIsEqual(const char* a, const char* b) {
  if (strlen(a) != strlen(b)) return false;
  for (; *a; a++, b++)
    if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return false;
  return true;
}

void SendInfo(const char* format, ...) {
  char buf[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  printf("%s\n", buf);
}

bool ReadSomeLines(FILE* stream, char* buffer, int size) {
  for (;;) {
    if (fgets(buffer, size, stream) != nullptr) break;
    if (ferror(stream) && errno == EINTR) {
      clearerr(stream);
      continue;
    }
    return false;
  }
  char* nl = strchr(buffer, '\n');
  if (nl) {
    // Lines may come with a carriage return before the line feed.
    if (nl > buffer && nl[-1] == '\r') nl--;
    *nl = 0;
  }
  return true;
}

char* move_str(move m) {
  static char text[6];
  text[0] = (char)('a' + (m.b.from & 7));
  text[1] = (char)('8' - (m.b.from >> 3));
  text[2] = (char)('a' + (m.b.to & 7));
  text[3] = (char)('8' - (m.b.to >> 3));
  text[4] = 0;
  if (m.b.bits & MF_PROMOTE) {
    text[4] = m.b.promote == KNIGHT   ? 'n'
              : m.b.promote == BISHOP ? 'b'
              : m.b.promote == ROOK   ? 'r'
                                      : 'q';
    text[5] = 0;
  }
  return text;
}

int parse_move(const char* text) {
  if (text[0] < 'a' || text[0] > 'h' || text[1] < '0' || text[1] > '9') return -1;
  if (text[2] < 'a' || text[2] > 'h' || text[3] < '0' || text[3] > '9') return -1;
  int from = (text[0] - 'a') + ('8' - text[1]) * 8;
  int to = (text[2] - 'a') + ('8' - text[3]) * 8;
  for (int i = 0; i < first_move[1]; i++) {
    move m = gen_dat[i].m;
    if (m.b.from != from || m.b.to != to) continue;
    if (!(m.b.bits & MF_PROMOTE)) return i;
    // The four promotions of one pair stand together: knight, bishop, rook, queen.
    printf("index i has value equal to %d\n", i);
    switch (text[4]) {
      case 'n':
      case 'N':
        return i;
      case 'b':
      case 'B':
        return i + 1;
      case 'r':
      case 'R':
        return i + 2;
      default:
        return i + 3;
    }
  }
  return -1;
}

static void cmd_position(const char* line) {
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
    if (hply >= MAX_GAME_PLIES) {
      printf("info string game too long, moves from ply %d on are ignored\n", hply + 1);
      return;
    }
    move mv = gen_dat[i].m;
    if (!makemove(mv.b)) return;
    ply = 0;
    gen();
    // A promotion letter belongs to the move; any other fifth letter starts the next one.
    m += (len == 5 && (mv.b.bits & MF_PROMOTE)) ? 5 : 4;
    while (*m == ' ') m++;
  }
}

static void cmd_setoption(const char* line) {
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

// An optional sign and the digits behind it, 0 when there are none; held to a sane range.
static int read_number(const char* s) {
  bool negative = false;
  if (*s == '-' || *s == '+') negative = *s++ == '-';
  long long v = 0;
  while (isdigit((unsigned char)*s) && v < 1000000000LL) v = v * 10 + (*s++ - '0');
  if (v > 1000000000LL) v = 1000000000LL;
  return (int)(negative ? -v : v);
}

// The planned time never takes more than this share of what the clock holds above the reserve,
// however large the increment: clients that add the increment after the move send clocks smaller
// than it late in a game.
static const int CLOCK_SHARE_PERCENT = 75;
// Without a clock a search ends only by its depth or a stop.
static const int NO_CLOCK_MS = 6000000;
// A fixed time per move keeps back a tenth (at most the reserve) for the last poll of the clock,
// the reply and its way through the pipe.
static const int MOVETIME_MARGIN_DIVISOR = 10;

static int movetime_margin(int movetime) {
  const int tenth = movetime / MOVETIME_MARGIN_DIVISOR;
  return tenth < OptionUci.TimeReserve ? tenth : OptionUci.TimeReserve;
}

// The time this move may take, from the clock of the side to move. A clock of 0 or less is an
// empty clock: the move comes at once.
void time_budget(int own, int inc, int movestogo, int movetime) {
  if (movetime != GO_ABSENT) {
    ext_time_control_type = 3;
    si.time_avail = movetime;
    max_time = movetime - movetime_margin(movetime);
    return;
  }
  if (own == GO_ABSENT) {
    max_time = si.time_avail = NO_CLOCK_MS;
    return;
  }
  const long long above_reserve = own > OptionUci.TimeReserve ? own - OptionUci.TimeReserve : 0;
  long long avail = above_reserve, budget;
  if (movestogo > 0) {
    ext_time_control_type = 1;
    budget = movestogo == 1 ? avail * 70 / 100 : avail / movestogo;
  } else {
    avail = avail - 300 > 0 ? avail - 300 : 0;
    budget = avail / 30;
  }
  if (inc > 101) {
    budget += (inc - 50) + 25;
  } else if (inc > 0) {
    int half = inc >> 1;
    budget += inc - half;
    budget += half > 9 ? inc >> 2 : 5;
  }
  const long long ceiling = above_reserve * CLOCK_SHARE_PERCENT / 100;
  max_time = (int)(budget < ceiling ? budget : ceiling);
  si.time_avail = (int)avail;
}

// Whether m can be played in the position on the board.
static bool legal_here(move m) {
  if (m.u == 0) return false;
  gen();
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    if (gen_dat[i].m.u != m.u) continue;
    if (!makemove(m.b)) return false;
    takeback();
    return true;
  }
  return false;
}

static void ShowBestMove() {
  printf("info nodes %d time %d\n", (int)nodes, ms_diff(get_ms(), start_time));
  move best = pv[0][0];
  if (best.u == 0) {
    SendInfo("bestmove 0000");
    return;
  }
  if (!makemove(best.b)) {
    SendInfo("bestmove 0000");
    ply = 0;
    gen();
    return;
  }
  char text[6];
  snprintf(text, sizeof text, "%s", move_str(best));
  auto back = [] {
    if (hply > 0) takeback();
    ply = 0;
    gen();
  };
  if (si.ponder_option && si.pondering) {
    // Stopped before the ponder hit: the board goes back before the predicted move.
    SendInfo("bestmove %s", text);
    back();
    back();
  } else if (si.infinite && si.stop_requested) {
    SendInfo("bestmove %s", text);
    back();
  } else if (si.ponder_option && legal_here(si.ponder_move)) {
    // A stop in the middle of an iteration can leave the reply of an older best move behind.
    SendInfo("bestmove %s ponder %s", text, move_str(si.ponder_move));
  } else {
    SendInfo("bestmove %s", text);
  }
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

static void cmd_go(char* line) {
  memset(&SearchInput, 0, sizeof SearchInput);
  si.fixed_time = si.pondering = si.infinite = si.stop_requested = false;
  si.ponder_time = si.time_avail = 0;
  ext_time_control_type = 0;

  static char* tok[32768];
  int n = 0;
  for (char* t = strtok(line, " \t"); t && n < 32768; t = strtok(nullptr, " \t")) tok[n++] = t;
  if (n < 2) {
    printf("info string unknown command \"%s %s\"??\n", "go", "");
    return;
  }

  int wtime = GO_ABSENT, btime = GO_ABSENT, winc = GO_ABSENT, binc = GO_ABSENT,
      movestogo = GO_ABSENT, movetime = GO_ABSENT, depth = GO_ABSENT, mate = GO_ABSENT, known = 0;
  bool infinite = false, ponder = false;
  const char* last = "";
  for (int i = 1; i < n; i++) {
    const char* t = tok[i];
    last = t;
    int* value = nullptr;
    if (!strcmp(t, "binc"))
      value = &binc;
    else if (!strcmp(t, "btime"))
      value = &btime;
    else if (!strcmp(t, "winc"))
      value = &winc;
    else if (!strcmp(t, "wtime"))
      value = &wtime;
    else if (!strcmp(t, "mate"))
      value = &mate;
    else if (!strcmp(t, "movestogo"))
      value = &movestogo;
    if (value) {
      if (i + 1 >= n) {
        printf("info string missing %s param??\n", t);
        break;
      }
      *value = read_number(tok[++i]);
      if (value == &movestogo) ext_time_control_type = 1;
      known++;
    } else if (!strcmp(t, "depth")) {
      if (i + 1 >= n) {
        printf("info string missing depth param??\n");
        return;
      }
      depth = read_number(tok[++i]);
      known++;
    } else if (!strcmp(t, "infinite")) {
      max_depth = MAX_ITERATION;
      infinite = true;
      known++;
    } else if (!strcmp(t, "movetime")) {
      if (i + 1 >= n) {
        printf("info string missing movetime param??\n");
        return;
      }
      if (!isdigit((unsigned char)tok[i + 1][0])) {
        printf("info string movetime param is not a digit??\n");
        i++;
        continue;
      }
      movetime = max_time = read_number(tok[++i]);
      si.fixed_time = true;
      known++;
    } else if (!strcmp(t, "ponder")) {
      si.pondering = ponder = true;
      known++;
    } else if (!strcmp(t, "searchmoves")) {
      known++;
      memset(&SearchInput, 0, sizeof SearchInput);
      for (i++; i < n; i++) {
        int at = parse_move(tok[i]);
        if (at >= 0 && SearchInput.count < MAX_SEARCHMOVES && makemove(gen_dat[at].m.b)) {
          takeback();
          SearchInput.moves[SearchInput.count++] = gen_dat[at].m;
        } else {
          printf("info string the move (%s) to search is illegal??\n", tok[i]);
        }
      }
    }
  }
  if (known == 0) {
    printf("info string unknown command \"%s %s\"??\n", "go", last);
    return;
  }

  max_depth = depth >= 0 ? depth : mate >= 0 ? 2 * mate - 1 : MAX_ITERATION;
  int own = side == DARK ? btime : wtime, inc = side == DARK ? binc : winc;
  if (movestogo == 0 && own != 0) ext_time_control_type = 2;
  // A line with the other side's clock only still plays on a clock: its own one is empty.
  if (own == GO_ABSENT && (wtime != GO_ABSENT || btime != GO_ABSENT)) own = 0;
  time_budget(own, inc, movestogo, movetime);
  si.infinite = mate > 0 || infinite ? true : OptionUci.AnalyseMode;
  if (ponder) {
    max_time = max_time + max_time / 4;
    si.ponder_time = max_time;
  }
  GoInfinite = infinite;
  Searching = true;
  think(1);
  wait_for_stop();
  Searching = false;
  ShowBestMove();
}

static void cmd_ponderhit() {
  si.pondering = false;
  if (Searching && ms_diff(get_ms(), start_time) >= si.ponder_time) si.stop_requested = true;
}

void HandleLine(char* line) {
  memset(&SearchInput, 0, sizeof SearchInput);
  if (strncmp(line, "debug ", 6) == 0) {
    return;
  } else if (strncmp(line, "go ", 3) == 0) {
    if (!Searching) cmd_go(line);
  } else if (strcmp(line, "isready") == 0) {
    SendInfo("readyok");
  } else if (strcmp(line, "ponderhit") == 0) {
    cmd_ponderhit();
  } else if (strncmp(line, "position ", 9) == 0) {
    if (!Searching) cmd_position(line);
  } else if (strcmp(line, "quit") == 0) {
    free_tt();
    exit(0);
  } else if (strncmp(line, "setoption ", 10) == 0) {
    if (!Searching) cmd_setoption(line);
  } else if (strcmp(line, "stop") == 0) {
    si.stop_requested = true;
  } else if (strcmp(line, "uci") == 0) {
    SendInfo("id name %s", ENG_NAME_VER);
    SendInfo("id author Oskvarin");
    OptionList();
    out_of_book = 0;
    SendInfo("uciok");
  } else if (strcmp(line, "ucinewgame") == 0) {
    if (!Searching) {
      hply = 0;
      out_of_book = 0;
      clearHash();
    }
  } else if (strcmp(line, "profile") == 0) {
    profile();
  } else if (strcmp(line, "bench") == 0) {
    bench();
  } else if (strcmp(line, "symtestpos") == 0) {
    symtestpos();
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

U64 perft(int depth) {
  if (depth == 0) return 1;
  // In check the search's own generators run, so perft proves them too.
  gen_node(in_check(side));
  U64 nodes = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    if (!makemove(gen_dat[i].m.b)) continue;
    nodes += depth == 1 ? 1 : perft(depth - 1);
    takeback();
  }
  return nodes;
}

// ---- Diagnostics ----

U64 bench_nodes;
int bench_ms;

void print_board() {
  printf("\n8 ");
  for (int sq = 0; sq < 64; sq++) {
    char c = '.';
    if (color[sq] == LIGHT) c = piece_char[piece[sq]];
    if (color[sq] == DARK) c = piece[sq] == PAWN ? 'o' : (char)tolower(piece_char[piece[sq]]);
    printf(" %c", c);
    if ((sq & 7) == 7 && sq < 63) printf("\n%d ", 7 - (sq >> 3));
  }
  printf("\n\n   a b c d e f g h\n\n");
}

// One search of a suite: no input is read and no periodic lines are printed.
void suite_search(int depth, int time, int* ms, move* best, U64* n, int show) {
  max_depth = depth;
  max_time = time;
  si.quiet = true;
  si.poll_input = false;
  ply = 0;
  gen();
  think(show);
  *ms = ms_diff(get_ms(), start_time);
  *best = pv[0][0];
  *n = nodes;
}

// A fixed-depth search of ten tactical positions: the node count is the engine's signature.
void bench() {
  const int count = 10;
  int ms[count], score = 0;
  U64 n[count];
  move best[count];
  // A stop or a ponder search left over from before must not cut the bench short.
  ResetSearch();
  si.pondering = false;
  printf("\n# Benchmark on %d positions:\n\n", count);
  for (int i = 0; i < count; i++) {
    init_board(BTestPosition[i]);
    si.fixed_time = true;
    printf("# Position no. %d/%d\n# %s\n\n", i + 1, count, BTestPosition[i]);
    si.time_avail = 300000;
    suite_search(BTestPositionDepth[i], 300000, &ms[i], &best[i], &n[i]);
  }
  printf("\n# %s fixed depth Bench Results\n", ENGINE_NAME);
  printf("# Pos Depth      Nodes    Time(sec)\n# ----------------------------------\n");
  bench_nodes = 0;
  bench_ms = 0;
  for (int i = 0; i < count; i++) {
    if (strcmp(move_str(best[i]), BTestPosition_Sol[i]) == 0) score += 10;
    printf("# %2d   %2d %12.0f   %8.3f\n", i + 1, BTestPositionDepth[i], (double)n[i],
           ms[i] / 1000.0);
    bench_nodes += n[i];
    bench_ms += ms[i];
  }
  printf("\n# t_time=%0.0f msec, t_nodes=%0.0f, ave_nps=%0.0fK, t_score=%d.\n\n", (double)bench_ms,
         (double)bench_nodes, bench_ms > 0 ? (double)bench_nodes / bench_ms : 0.0, score);
  fflush(stdout);
  init_board(spos);
  ply = 0;
  gen();
  si.quiet = false;
  si.poll_input = true;
}

void profile() {
  const int count = 20;
  int ms[count], depth[count];
  U64 n[count];
  move best[count];
  ResetSearch();
  si.pondering = false;
  printf("# Running %d profile positions\n", count);
  for (int i = 0; i < count; i++) {
    init_board(PTestPosition[i]);
    print_board();
    printf("# Profile position no. %d/%d\n# Title: %s\n", i + 1, count, PTitle[i]);
    suite_search(128, 5000, &ms[i], &best[i], &n[i]);
    depth[i] = idepth;
    printf("# Pos %d, best move %s\n", i + 1, move_str(best[i]));
  }
  printf("\n# %s Profile Results:\n", ENG_NAME_VER);
  printf("# Pos Depth      Nodes    Time(sec) SearchedMove\n");
  printf("# -----------------------------------------------\n");
  long long total_ms = 0;
  double total_nodes = 0;
  for (int i = 0; i < count; i++) {
    printf("# %2d   %2d %12.0f     %8d     %6s\n", i + 1, depth[i] - 1, (double)n[i], ms[i],
           move_str(best[i]));
    total_ms += ms[i];
    total_nodes += (double)n[i];
  }
  printf("\n# total_time=%d sec, total_nodes=%0.0fM, average nps=%0.0fK.\n", (int)(total_ms / 1000),
         total_nodes / 1000000, total_ms > 0 ? total_nodes / total_ms : 0.0);
  si.quiet = false;
  si.poll_input = true;
}

// The board as FEN without castling rights, or turned over: ranks reversed, colours swapped,
// the other side to move.
static void sym_fen(char* out, bool turned) {
  int n = 0;
  for (int row = 0; row < 8; row++) {
    int run = 0;
    for (int f = 0; f < 8; f++) {
      int sq = (turned ? 7 - row : row) * 8 + f;
      if (color[sq] == EMPTY) {
        run++;
        continue;
      }
      if (run) out[n++] = (char)('0' + run);
      run = 0;
      char c = piece_char[piece[sq]];
      out[n++] = (color[sq] == LIGHT) != turned ? c : (char)tolower(c);
    }
    if (run) out[n++] = (char)('0' + run);
    if (row < 7) out[n++] = '/';
  }
  snprintf(out + n, 16, " %c - - 0 1", (side == LIGHT) != turned ? 'w' : 'b');
}

// Plays a repeatable line of random legal moves to reach a varied position.
static void random_line(const char* start, int plies, uint32_t seed) {
  init_board(start);
  for (int p = 0; p < plies; p++) {
    ply = 0;
    gen();
    int legal[256], count = 0;
    for (int i = first_move[0]; i < first_move[1] && count < 256; i++) {
      if (!makemove(gen_dat[i].m.b)) continue;
      takeback();
      legal[count++] = i;
    }
    if (count == 0) break;
    seed = seed * 1103515245u + 12345u;
    makemove(gen_dat[legal[(seed >> 16) % count]].m.b);
  }
  ply = 0;
}

// The evaluation must not care which colour is which: every position is scored against its
// turned-over twin.
void symtestpos() {
  const int pairs = 152;
  int correct = 0;
  for (int k = 0; k < pairs; k++) {
    char fens[2][128];
    if (k < 3) {
      snprintf(fens[0], sizeof fens[0], "%s", SymTestSeed[2 * k]);
      snprintf(fens[1], sizeof fens[1], "%s", SymTestSeed[2 * k + 1]);
    } else {
      const char* start = k % 3 ? PTestPosition[k % 20] : BTestPosition[k % 10];
      random_line(start, 2 + (k * 7) % 41, (uint32_t)k);
      sym_fen(fens[0], false);
      sym_fen(fens[1], true);
    }
    int score[2];
    for (int j = 0; j < 2; j++) {
      init_board(fens[j]);
      max_time = 14400000;
      max_depth = 128;
      score[j] = eval();
    }
    if (score[0] != score[1])
      printf("# Pos %d & %d is Not OK ??\n", 2 * k, 2 * k + 1);
    else
      correct++;
  }
  printf("# Total=%d, Correct=%d, Mistake=%d, Correct=%d%%\n", pairs, correct, pairs - correct,
         correct * 100 / pairs);
}
