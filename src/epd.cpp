// SPDX-License-Identifier: GPL-3.0-or-later
#include "epd.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "board.h"
#include "diag.h"
#include "fen.h"
#include "movetext.h"
#include "search.h"
#include "util.h"

// More moves than any position has.
static const int MAX_LEGAL = 256;
// Files the king lands on when castling short and long.
static const int KINGSIDE_FILE = 6, QUEENSIDE_FILE = 2;
// Time for a fixed-depth search: only the depth ends it.
static const int NO_TIME_LIMIT = 24 * 60 * 60 * 1000;

enum { MARK_NONE, MARK_CHECK, MARK_MATE };

// What a SAN text says of its move; -1 (or EMPTY for kinds) where it says nothing.
struct san_t {
  int kind, file, rank, to, promote, castle_file, mark;
  bool capture;
};

// One line of a suite: the position and the operations the runner uses.
struct epd_t {
  std::string fen, id;
  std::vector<std::string> bm, am;
};

struct tally_t {
  int solved, positions, skipped;
};

static int rank_of(int sq) {
  return 7 - (sq >> 3);
}

// SAN names every piece but the pawn by its letter.
static int piece_letter(char c) {
  const int kind = kind_of_letter(c);
  return kind == PAWN ? EMPTY : kind;
}

static bool is_capture(move m) {
  return color[m.b.to] != EMPTY || (m.b.bits & MF_EP);
}

// Whether a legal move gives check, and whether that check is mate.
static int mark_of(move m) {
  makemove(m.b);
  int mark = MARK_NONE;
  if (in_check(side)) {
    mark = MARK_MATE;
    gen();
    for (int i = first_move[ply]; i < first_move[ply + 1] && mark == MARK_MATE; i++)
      if (makemove(gen_dat[i].m.b)) takeback(), mark = MARK_CHECK;
  }
  takeback();
  return mark;
}

// Splits SAN into what it says; false when the text is not SAN. Annotations (!, ?) go first,
// then one check or mate mark; the rest is read from its end: promotion, square, capture.
static bool read_san(const char* text, san_t* s) {
  *s = {EMPTY, -1, -1, -1, EMPTY, -1, MARK_NONE, false};
  char t[16];
  size_t n = strlen(text);
  if (n == 0 || n >= sizeof t) return false;
  memcpy(t, text, n + 1);
  while (n > 0 && (t[n - 1] == '!' || t[n - 1] == '?')) n--;
  if (n > 0 && (t[n - 1] == '+' || t[n - 1] == '#'))
    s->mark = t[--n] == '+' ? MARK_CHECK : MARK_MATE;
  t[n] = 0;
  if (!strcmp(t, "O-O") || !strcmp(t, "0-0")) return s->castle_file = KINGSIDE_FILE, true;
  if (!strcmp(t, "O-O-O") || !strcmp(t, "0-0-0")) return s->castle_file = QUEENSIDE_FILE, true;
  if (n > 0 && piece_letter(t[n - 1]) != EMPTY) {
    s->promote = piece_letter(t[--n]);
    if (n > 0 && t[n - 1] == '=') n--;
  }
  if (n < 2 || t[n - 2] < 'a' || t[n - 2] > 'h' || t[n - 1] < '1' || t[n - 1] > '8') return false;
  n -= 2;
  s->to = square_at(t[n], t[n + 1]);
  if (n > 0 && t[n - 1] == 'x') s->capture = true, n--;
  size_t i = 0;
  s->kind = n > 0 && piece_letter(t[0]) != EMPTY ? piece_letter(t[i++]) : PAWN;
  if (i < n && t[i] >= 'a' && t[i] <= 'h') s->file = t[i++] - 'a';
  if (i < n && t[i] >= '1' && t[i] <= '8') s->rank = t[i++] - '1';
  // Only a pawn is promoted (never to a king), and a pawn is told apart by its file alone.
  const bool pawn = s->kind == PAWN;
  return i == n && (pawn || s->promote == EMPTY) && (!pawn || s->rank < 0) && s->promote != KING;
}

// Whether a legal move is one the SAN may mean. Marks that are absent are not required.
static bool fits(const san_t& s, move m) {
  const int from = m.b.from;
  const bool castling = m.b.bits & MF_CASTLE;
  if (s.castle_file >= 0) return castling && (m.b.to & 7) == s.castle_file;
  const int promote = (m.b.bits & MF_PROMOTE) ? (int)m.b.promote : (int)EMPTY;
  return !castling && piece[from] == s.kind && m.b.to == s.to && promote == s.promote &&
         (s.file < 0 || (from & 7) == s.file) && (s.rank < 0 || rank_of(from) == s.rank) &&
         (!s.capture || is_capture(m));
}

move san_move(const char* text, const char** why) {
  move none{}, legal[MAX_LEGAL], found{};
  san_t s;
  if (!read_san(text, &s)) return *why = "not SAN", none;
  int n = legal_moves(legal, MAX_LEGAL), matches = 0;
  for (int i = 0; i < n; i++)
    if (fits(s, legal[i])) found = legal[i], matches++;
  if (matches == 0) return *why = "no such legal move", none;
  if (matches > 1) return *why = "ambiguous", none;
  const int mark = mark_of(found);
  if ((s.mark == MARK_CHECK && mark == MARK_NONE) || (s.mark == MARK_MATE && mark != MARK_MATE))
    return *why = "wrong check mark", none;
  return found;
}

void san_text(move m, char* out) {
  move legal[MAX_LEGAL];
  const int n = legal_moves(legal, MAX_LEGAL);
  const int from = m.b.from, to = m.b.to, kind = piece[from];
  int len = 0;
  if (m.b.bits & MF_CASTLE) {
    len = sprintf(out, "%s", (to & 7) == KINGSIDE_FILE ? "O-O" : "O-O-O");
  } else {
    // Another piece of the kind reaching the square: the file tells them apart, else the
    // rank, else both.
    bool rival = false, same_file = false, same_rank = false;
    for (int i = 0; i < n; i++) {
      const int f = legal[i].b.from;
      if (f == from || legal[i].b.to != to || piece[f] != kind) continue;
      rival = true;
      same_file |= (f & 7) == (from & 7);
      same_rank |= rank_of(f) == rank_of(from);
    }
    const bool capture = is_capture(m);
    if (kind != PAWN) out[len++] = piece_char[kind];
    if (kind == PAWN ? capture : rival && (!same_file || same_rank))
      out[len++] = (char)('a' + (from & 7));
    if (kind != PAWN && rival && same_file) out[len++] = (char)('1' + rank_of(from));
    if (capture) out[len++] = 'x';
    out[len++] = (char)('a' + (to & 7));
    out[len++] = (char)('1' + rank_of(to));
    if (m.b.bits & MF_PROMOTE) out[len++] = '=', out[len++] = piece_char[m.b.promote];
  }
  const int mark = mark_of(m);
  if (mark != MARK_NONE) out[len++] = mark == MARK_MATE ? '#' : '+';
  out[len] = 0;
}

// The next word or quoted operand of an EPD line, without its quotes; false at the end of an
// operation (or of a quote that is never closed).
static bool next_operand(const char** p, std::string* word) {
  while (isspace((unsigned char)**p)) (*p)++;
  const char* s = *p;
  if (*s == 0 || *s == ';') return false;
  if (*s == '"') {
    const char* end = strchr(s + 1, '"');
    if (end == nullptr) return false;
    *word = std::string(s + 1, end);
    *p = end + 1;
    return true;
  }
  while (**p && **p != ';' && !isspace((unsigned char)**p)) (*p)++;
  *word = std::string(s, *p);
  return true;
}

// Four position fields, then operations "opcode operand ...;"; false when the line is short.
static bool read_epd(const char* line, epd_t* e) {
  const char* p = line;
  std::string field;
  for (int i = 0; i < 4; i++) {
    if (!next_operand(&p, &field)) return false;
    if (i) e->fen += ' ';
    e->fen += field;
  }
  std::string opcode, operand;
  while (next_operand(&p, &opcode)) {
    std::vector<std::string> operands;
    while (next_operand(&p, &operand)) operands.push_back(operand);
    if (*p == '"') return false;
    if (*p == ';') p++;
    if (opcode == "bm") e->bm = operands;
    if (opcode == "am") e->am = operands;
    if (opcode == "id" && !operands.empty()) e->id = operands[0];
  }
  return true;
}

static void skip(tally_t* t, int line_no, const char* why) {
  printf("line %d: skipped, %s\n", line_no, why);
  t->skipped++;
}

// The SAN moves of an operation read into moves, and written back the way this engine writes
// them; false (and the line reported) at the first move that cannot be read.
static bool read_moves(const char* opcode, const std::vector<std::string>& texts,
                       std::vector<move>* moves, std::string* shown, int line_no, tally_t* t) {
  if (!texts.empty()) *shown += shown->empty() ? opcode : std::string(" ") + opcode;
  for (const std::string& text : texts) {
    const char* why = "";
    move m = san_move(text.c_str(), &why);
    if (m.u == 0) {
      char text_why[128];
      snprintf(text_why, sizeof text_why, "cannot read %s %s (%s)", opcode, text.c_str(), why);
      skip(t, line_no, text_why);
      return false;
    }
    char san[12];
    san_text(m, san);
    moves->push_back(m);
    *shown += ' ';
    *shown += san;
  }
  return true;
}

static bool contains(const std::vector<move>& moves, move m) {
  for (move x : moves)
    if (x.u == m.u) return true;
  return false;
}

// One line of the suite: read, searched and reported, or reported and skipped.
static void suite_line(const char* line, int line_no, int depth, int movetime, tally_t* t) {
  epd_t e;
  if (!read_epd(line, &e)) return skip(t, line_no, "not an EPD line");
  init_board(e.fen.c_str());
  if (fen_refused) return skip(t, line_no, "the position was refused");
  if (e.bm.empty() && e.am.empty()) return skip(t, line_no, "no bm or am operation");
  std::vector<move> bm, am;
  std::string expected;
  if (!read_moves("bm", e.bm, &bm, &expected, line_no, t)) return;
  if (!read_moves("am", e.am, &am, &expected, line_no, t)) return;

  ResetSearch();
  si.fixed_time = true;
  si.time_avail = depth > 0 ? NO_TIME_LIMIT : movetime;
  int ms;
  move best;
  U64 n;
  suite_search(depth > 0 ? depth : MAX_PLY, si.time_avail, &ms, &best, &n, 0);

  char found[12] = "(none)";
  if (best.u != 0) san_text(best, found);
  const bool solved = best.u != 0 && (bm.empty() || contains(bm, best)) && !contains(am, best);
  t->positions++;
  t->solved += solved;
  std::string id = e.id.empty() ? "line " + std::to_string(line_no) : e.id;
  printf("%-14s %-16s found %-8s nodes %10llu  time %6d ms  %s\n", id.c_str(), expected.c_str(),
         found, (unsigned long long)n, ms, solved ? "solved" : "missed");
}

bool epd_suite(const char* path, int depth, int movetime) {
  FILE* f = fopen(path, "r");
  if (f == nullptr) return false;
  tally_t t{0, 0, 0};
  static char line[65536];
  for (int line_no = 1; ReadSomeLines(f, line, sizeof line); line_no++) {
    const char* p = line;
    while (isspace((unsigned char)*p)) p++;
    // Blank lines and lines beginning with '#' are comments.
    if (*p != 0 && *p != '#') suite_line(p, line_no, depth, movetime, &t);
  }
  fclose(f);
  printf("solved %d of %d", t.solved, t.positions);
  if (t.skipped) printf(", %d line%s skipped", t.skipped, t.skipped == 1 ? "" : "s");
  printf("\n");
  return true;
}
