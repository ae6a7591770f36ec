#include "protocol.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "board.h"
#include "data.h"
#include "fen.h"
#include "hash.h"
#include "option.h"
#include "pg_show.h"
#include "search.h"

char ENG_NAME_VER[256];

static bool Searching = false;

// A game longer than this is cut: the search still needs room for its own moves.
static const int MAX_GAME_PLIES = HIST_STACK - 2;

void program_header() {
  snprintf(ENG_NAME_VER, sizeof ENG_NAME_VER, "%s", "Zeltro 1800");
  printf("info string %s 32bit Build %s\n", ENG_NAME_VER, "4");
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

void HandleLine(char* line) {
  memset(&SearchInput, 0, sizeof SearchInput);
  if (strncmp(line, "debug ", 6) == 0) {
    return;
  } else if (strncmp(line, "go ", 3) == 0) {
    return;
  } else if (strcmp(line, "isready") == 0) {
    SendInfo("readyok");
  } else if (strcmp(line, "ponderhit") == 0) {
    si.pondering = false;
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
  }
}

void LoopCall() {
  static char buffer[65536];
  if (!ReadSomeLines(stdin, buffer, sizeof buffer)) exit(0);
  HandleLine(buffer);
}

void Loop() {
  Searching = false;
  ResetSearch();
  for (;;) LoopCall();
}

U64 perft(int depth) {
  if (depth == 0) return 1;
  // In check the search's own generators run, so perft proves them too.
  if (in_check(side)) {
    get_checker(side);
    if (gchecker2 != -1)
      gen_king();
    else
      gen_evade();
  } else {
    gen();
  }
  U64 nodes = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    if (!makemove(gen_dat[i].m.b)) continue;
    nodes += depth == 1 ? 1 : perft(depth - 1);
    takeback();
  }
  return nodes;
}
