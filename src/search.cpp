// SPDX-License-Identifier: GPL-3.0-or-later
// Iterative deepening over a principal-variation alpha-beta search with a quiescence search, and
// the periodic clock and input check that lets one thread search and listen at once.
#include "search.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "board.h"
#include "eval.h"
#include "fen.h"
#include "movetext.h"
#include "option.h"
#include "pg_key.h"
#include "pg_show.h"
#include "platform.h"
#include "timeman.h"

search_input_t SearchInput;
int gSelDepth;
int out_of_book;

move pv[MAX_PLY][MAX_PLY];
int pv_length[MAX_PLY];
bool follow_pv;
uint32_t nodes;
U64 rnodes;
int ext_root_side;
int ralpha, rbeta, idepth;
int iscore[MAX_ITERATION + 1];
pv_store_t PVStore[MAX_SEARCHMOVES];
int my_cnt;
exclude_t ExcludeMove;
move rootBestMove;

// Below every score a search returns: the best value of a node before its first move.
static const int NO_SCORE = -10000000;
// Search depths count half plies, so that a check can extend by a whole ply.
static const int ONE_PLY = 2;
// The quiescence search stops looking at captures below this depth.
static const int QSEARCH_DEPTH_LIMIT = -11;
// The clock and the input are looked at once in this many nodes (a power of two).
static const uint32_t POLL_NODES = 1024;
// Below every move-ordering score.
static const int BELOW_ALL_ORDER = -10000;
// The aspiration window around the last score, the width of a retry, and the score beyond which
// the window is the full one.
static const int ASPIRATION_WIDTH = 30;
static const int RETRY_WIDTH = 100;
static const int ASPIRATION_LIMIT = 10000;
// Lines of a depth this shallow are printed without a bound.
static const int BOUND_DEPTH = 8;
// The current move is shown once an iteration takes this long in a game this long.
static const int CURRMOVE_ITERATION_MS = 1500;
static const int CURRMOVE_CLOCK_MS = 120000;
// Progress lines come this often.
static const int INFO_INTERVAL_MS = 500;
// The book is asked during this many plies of a game, until it has failed this often.
static const int BOOK_PLIES = 70;
static const int BOOK_MISSES = 2;
// The fifty-move rule in plies.
static const int FIFTY_MOVE_PLIES = 100;

// Every POLL_NODES nodes the clock and the input are looked at; true when the search must stop.
static inline bool poll_says_stop() {
  if ((nodes & (POLL_NODES - 1)) != 0) return false;
  CheckUserInputandTime();
  return si.stopped;
}

// The stacks of a node have room for two more plies.
static inline bool too_deep() {
  return ply > MAX_PLY - 2 || hply > HIST_STACK - 2;
}

static_assert(EVAL_LIMIT < MATE_BOUND, "no static score reads as a mate");

// A repetition is worth RepeatScore to the side that searches, held within what the evaluation
// can say: the option's range reaches past the mate scores.
static int contempt_value() {
  const int score = std::clamp(OptionUci.RepeatScore, -EVAL_LIMIT, EVAL_LIMIT);
  return side == ext_root_side ? score : -score;
}

static int fifty_value() {
  return side == ext_root_side ? OptionUci.FiftyMoveScore : -OptionUci.FiftyMoveScore;
}

static void update_pv(move m, int p) {
  pv[p][p] = m;
  for (int i = p + 1; i < pv_length[p + 1]; i++) pv[p][i] = pv[p + 1][i];
  pv_length[p] = pv_length[p + 1];
}

static int value_to_mate(int score) {
  if (score < -MATE_BOUND) return -((score + MATE) / 2);
  if (score <= MATE_BOUND) return 0;
  return (MATE + 1 - score) / 2;
}

static void SortByPvScore(int n, pv_store_t* store) {
  for (int i = 0; i < n - 1; i++)
    for (int j = i + 1; j < n; j++)
      if (store[i].score < store[j].score) std::swap(store[i], store[j]);
}

// How often the current key stood on the board since the last capture or pawn move; never more
// than FIFTY_MOVE_PLIES back, since past them the fifty-move rule decides a node first.
static int repetitions() {
  const int oldest = hply - fifty < 0 ? 0 : hply - fifty;
  int n = 0;
  // The key holds the side to move, so only every second position back can match.
  for (int i = hply - 2; i >= oldest; i -= 2) n += hist_dat[i].hash == hash;
  return n;
}

// One step of a selection sort: the best remaining move (the first of equals) is brought to
// position i, and its score returned. No move left scores above the one picked before, so the
// scan ends at the first move that scores as much. A capture still listed at the best its
// exchange could give has the exchange worked out only when it would lead the scan.
static inline int pick(int i, int ceiling) {
  const int end = first_move[ply + 1];
  int best = BELOW_ALL_ORDER, at = i;
  for (int j = i; j < end; j++) {
    if (gen_dat[j].score > best && settle_score(gen_dat[j]) > best) {
      best = gen_dat[j].score;
      at = j;
      if (best == ceiling) break;
    }
  }
  if (at != i) std::swap(gen_dat[i], gen_dat[at]);
  return best;
}

// While the node lies on the last principal variation, its move goes first.
static void follow_principal_variation() {
  if (!follow_pv) return;
  follow_pv = false;
  for (int j = first_move[ply]; j < first_move[ply + 1]; j++) {
    if (gen_dat[j].m.u == pv[0][ply].u) {
      follow_pv = true;
      gen_dat[j].score = ORDER_PV_MOVE;
      return;
    }
  }
}

// A node out of check lists its priority moves alone at first (gen_priority). They score above
// every other move, and most nodes are refuted by one of them, so the quiet rest is generated
// only when the search gets past them: the whole list then takes the place of the short one,
// with the moves already searched at its front, where the whole list's picks would have put them.
struct node_list_t {
  bool partial;      // the list holds the priority moves alone
  bool order_known;  // the priority moves left stand in the order they have in the whole list
};

// The whole list of the node in place of its priority moves, the first `searched` of them brought
// to the front one by one as the picks of the whole list swap them there.
static void complete_list(int searched) {
  const int first = first_move[ply], whole = first_move[ply + 1];
  first_move[ply] = whole;
  gen_rest();
  const int end = first_move[ply + 1];
  for (int k = 0; k < searched; k++) {
    int j = whole + k;
    while (gen_dat[j].m.u != gen_dat[first + k].m.u) j++;
    std::swap(gen_dat[whole + k], gen_dat[j]);
  }
  memmove(&gen_dat[first], &gen_dat[whole], (end - whole) * sizeof(gen_rec_t));
  first_move[ply] = first;
  first_move[ply + 1] = first + (end - whole);
}

static node_list_t open_node_list(bool checked) {
  if (checked) {
    gen_node(true);
    follow_principal_variation();
    return {false, true};
  }
  gen_priority(follow_pv ? pv[0][ply].u : 0);
  follow_principal_variation();
  if (first_move[ply] < first_move[ply + 1]) return {true, true};
  complete_list(0);
  return {false, true};
}

// Whether two moves left tie for the best score, each settled as pick settles it.
static bool lead_is_tied(int i) {
  int best = BELOW_ALL_ORDER, count = 0;
  for (int j = i; j < first_move[ply + 1]; j++) {
    if (gen_dat[j].score < best) continue;
    const int s = settle_score(gen_dat[j]);
    if (s > best) {
      best = s;
      count = 1;
    } else if (s == best) {
      count++;
    }
  }
  return count > 1;
}

// The next move of a node brought to position i, as pick does it; false when none is left.
// Picking swaps the move picked with the one standing in its place. While each pick is the first
// priority move left, the priority moves left keep the order they have in the whole list; once a
// later one is picked, the move it swaps with in the whole list may be a quiet one, so their
// order there is no longer known, and a tie for the lead needs the whole list to settle it.
static inline bool next_move(int i, int* ceiling, node_list_t* list) {
  if (list->partial && (i == first_move[ply + 1] || (!list->order_known && lead_is_tied(i)))) {
    complete_list(i - first_move[ply]);
    list->partial = false;
  }
  if (i == first_move[ply + 1]) return false;
  const int32_t first_left = gen_dat[i].m.u;
  *ceiling = pick(i, *ceiling);
  if (list->partial && gen_dat[i].m.u != first_left) list->order_known = false;
  return true;
}

// A child searched with the full window, or first with a null window around alpha and again with
// the full one when it lands inside.
static inline int search_child(int alpha, int beta, int d, bool check, bool full) {
  if (full) return -search(-beta, -alpha, d, check);
  int v = -search(-alpha - 1, -alpha, d, check);
  if (v > alpha && v < beta) v = -search(-beta, -alpha, d, check);
  return v;
}

// Takes in the value of a searched move; true when the move refutes the node.
static inline bool record(move m, int v, int* best, int* alpha, int beta) {
  if (v <= *best) return false;
  *best = v;
  if (v <= *alpha) return false;
  if (v >= beta) {
    remember_killer(m, v >= MATE_BOUND);
    return true;
  }
  *alpha = v;
  update_pv(m, ply);
  return false;
}

int search(int alpha, int beta, int depth, bool checked) {
  if (poll_says_stop()) return 0;
  pv_length[ply] = ply;
  if (too_deep()) return eval();
  // Only a root check that loses material, and so is not extended, arrives here in check: its
  // reply is searched as a quiescence node out of check.
  if (depth < ONE_PLY) return qsearch(alpha, beta, 0, false);
  if (ply > gSelDepth) gSelDepth = ply;
  nodes++;
  rnodes++;
  if (mat_is_draw()) return 0;
  // On the hundredth ply a mate still counts.
  if (fifty > FIFTY_MOVE_PLIES || (fifty == FIFTY_MOVE_PLIES && !checked)) return fifty_value();
  if (ply > 0 && fifty > 0 && repetitions() > 0) return contempt_value();

  node_list_t list = open_node_list(checked);
  if (first_move[ply] == first_move[ply + 1]) {
    if (si.stopped) return 0;
    return checked ? ply - MATE : OptionUci.StalemateScore;
  }

  const int entry_alpha = alpha;
  int best = NO_SCORE, legal = 0, ceiling = ORDER_PV_MOVE;
  for (int i = first_move[ply]; next_move(i, &ceiling, &list); i++) {
    move m = gen_dat[i].m;
    if (!makemove(m.b)) continue;
    legal++;
    bool check = side_checked;
    int d = check ? depth : depth - ONE_PLY;
    int v = search_child(alpha, beta, d, check, best == NO_SCORE || beta - alpha <= 1);
    takeback();
    if (si.stopped) return 0;
    if (record(m, v, &best, &alpha, beta)) return v;
  }
  if (si.stopped) return 0;
  if (legal == 0) return checked ? ply - MATE : OptionUci.StalemateScore;
  if (best > entry_alpha) remember_killer(pv[ply][ply], best >= MATE_BOUND);
  return best;
}

int qsearch(int alpha, int beta, int depth, bool checked) {
  prefetch_eval(hash);
  if (ply > gSelDepth) gSelDepth = ply;
  nodes++;
  rnodes++;
  if (poll_says_stop()) return 0;
  pv_length[ply] = ply;
  if (mat_is_draw()) return 0;
  if (fifty >= FIFTY_MOVE_PLIES) return fifty_value();
  // Analysis wants a position seen twice before it calls it a draw.
  if (fifty > 0 && repetitions() >= (OptionUci.AnalyseMode ? 2 : 1)) return contempt_value();
  if (too_deep()) return eval();

  int best;
  if (checked) {
    gen_node(true);
    best = NO_SCORE;
  } else {
    best = eval();
    if (best >= beta || depth < QSEARCH_DEPTH_LIMIT) return best;
    if (best > alpha) alpha = best;
    gen_caps();
  }
  follow_principal_variation();

  int legal = 0, ceiling = ORDER_PV_MOVE;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    ceiling = pick(i, ceiling);
    move m = gen_dat[i].m;
    // Once one move has been tried, captures that lose material are not worth a look.
    if (legal > 0 && !checked && !(m.b.bits & (MF_EP | MF_PROMOTE)) && capture_loses(gen_dat[i]))
      continue;
    if (!makemove(m.b)) continue;
    legal++;
    bool check = side_checked;
    int v = -qsearch(-beta, -alpha, depth - ONE_PLY, check);
    takeback();
    if (si.stopped) return best;
    if (v > best) {
      if (v > alpha) {
        if (v >= beta) return v;
        alpha = v;
      }
      best = v;
    }
  }
  if (si.stopped || legal > 0) return best;
  return checked ? ply - MATE : alpha;
}

// The search reads the game's history only for repetitions, which reach back FIFTY_MOVE_PLIES
// positions at most. A long game forgets the rest, so that every search from it has room for all of
// its MAX_PLY plies, however long the game: no search can tell the difference.
void forget_distant_history() {
  if (hply + MAX_PLY < HIST_STACK) return;
  memmove(hist_dat, hist_dat + hply - FIFTY_MOVE_PLIES, FIFTY_MOVE_PLIES * sizeof(hist_rec_t));
  hply = FIFTY_MOVE_PLIES;
}

static bool listed(const move* moves, int count, move m) {
  for (int i = 0; i < count; i++)
    if (moves[i].u == m.u) return true;
  return false;
}

int search_root(int alpha, int beta, int depth, bool checked) {
  pv_length[0] = 0;
  gen_node(checked);
  follow_principal_variation();
  auto no_move_score = [&] {
    if (ExcludeMove.count > 0) return ALL_MOVES_EXCLUDED;
    return checked ? ply - MATE : OptionUci.StalemateScore;
  };
  if (first_move[0] == first_move[1]) return si.stopped ? 0 : no_move_score();

  const int entry_alpha = alpha;
  int best = NO_SCORE, legal = 0, ceiling = ORDER_PV_MOVE;
  for (int i = first_move[0]; i < first_move[1]; i++) {
    ceiling = pick(i, ceiling);
    move m = gen_dat[i].m;
    if (SearchInput.count > 0 && !listed(SearchInput.moves, SearchInput.count, m)) continue;
    if (listed(ExcludeMove.moves, ExcludeMove.count, m)) continue;
    // Only a check that does not lose material is extended at the root.
    bool safe = (m.b.bits & (MF_CASTLE | MF_EP | MF_PROMOTE)) || see_move(m) >= 0;
    if (!makemove(m.b)) continue;
    legal++;
    if (si.iter_time > CURRMOVE_ITERATION_MS && !si.quiet && si.time_avail >= CURRMOVE_CLOCK_MS)
      printf("info currmove %s currmovenumber %d\n", move_str(m), i - first_move[0] + 1);
    bool check = side_checked;
    int d = depth - ONE_PLY + (check && safe ? ONE_PLY : 0);
    // The root has no null-window shortcut: every later move gets the null window first.
    int v = search_child(alpha, beta, d, check, best == NO_SCORE);
    takeback();
    if (si.stopped) return 0;
    if (record(m, v, &best, &alpha, beta)) return v;
  }
  if (si.stopped) return 0;
  if (legal == 0) return no_move_score();
  // A forced reply needs little thought.
  if (legal == 1 && checked) hurry_forced_reply();
  if (best > entry_alpha) remember_killer(pv[0][0], best >= MATE_BOUND);
  return best;
}

static void print_pv_moves(const move* moves, int count) {
  for (int i = 0; i < count; i++) printf(" %s", move_str(moves[i]));
  printf("\n");
}

static long long nps(U64 n, int ms) {
  return ms > 0 ? (long long)(n * 1000 / (U64)ms) : 0;
}

static void keep_candidates(int depth, int count);

// Prints the lines of one MultiPV depth, best first (no more than were asked for: a level may
// search more), and makes the top line the move to play.
static void finish_multipv(int d, int lines) {
  SortByPvScore(lines, PVStore);
  pv[0][0] = rootBestMove = PVStore[0].moves[0];
  keep_candidates(d, lines);
  const int shown = lines < OptionUci.MultiPV ? lines : OptionUci.MultiPV;
  for (int i = 0; i < shown; i++) {
    const pv_store_t& p = PVStore[i];
    printf("info depth %d multipv %d score cp %d time %d nodes %lld nps %lld pv", d, i + 1, p.score,
           p.time, (long long)p.nodes, nps(p.nodes, p.time));
    print_pv_moves(p.moves, p.count);
  }
  ExcludeMove.count = 0;
  my_cnt = 0;
}

static void print_iteration(int d, int v, int md, int t) {
  const char* kind = "";
  if (d >= BOUND_DEPTH && iscore[d] > iscore[d - 1] && v >= rbeta) kind = " lowerbound";
  if (d >= BOUND_DEPTH && iscore[d] < iscore[d - 1] && v <= ralpha) kind = " upperbound";
  if (md != 0)
    printf("info depth %d seldepth %d score mate %d time %d nodes %lld nps %lld pv", d, gSelDepth,
           md, t, (long long)rnodes, nps(rnodes, t));
  else
    printf("info depth %d seldepth %d score cp %d%s time %d nodes %lld nps %lld pv", d, gSelDepth,
           v, kind, t, (long long)rnodes, nps(rnodes, t));
  print_pv_moves(pv[0], pv_length[0]);
}

static bool book_move() {
  if (!OptionUci.OwnBook || hply > BOOK_PLIES || out_of_book > BOOK_MISSES || si.infinite ||
      si.pondering)
    return false;
  char text[128], found[8];
  get_fen(text);
  if (!pg_show(pg_key(text), found)) return false;
  printf("info string move is %s\n", found);
  int i = parse_move(found);
  if (i < 0) return false;
  pv[0][0] = gen_dat[i].m;
  // No reply is expected after a book move.
  si.ponder_move.u = 0;
  out_of_book = 0;
  return true;
}

// What one iteration leads to: the same depth again, the next one, or the clock's verdict first.
enum iteration_step { REPEAT_DEPTH, NEXT_DEPTH, ASK_CLOCK };

// What iterative deepening carries from one iteration to the next.
struct deepening_t {
  move best[MAX_ITERATION + 1];  // the best move of each depth; none before the first
  int mate_moves;                // of the last line reported; 0 when it is no mate
  int fail_lows, fail_highs;     // aspiration failures at the current depth
  time_plan_t plan;
};

static void full_window() {
  ralpha = -MATE;
  rbeta = MATE;
}

// Everything a search finds from the last one is cleared; the clock starts here, so that a book
// move reports its own time and no nodes.
static void start_search() {
  full_window();
  ext_root_side = side == DARK ? 1 : 0;
  start_clock();
  nodes = 0;
  rnodes = 0;
}

static void clear_search_tables() {
  ply = 0;
  iscore[0] = 0;
  memset(pv, 0, sizeof pv);
  memset(pv_length, 0, sizeof pv_length);
  clear_killers();
  memset(&ExcludeMove, 0, sizeof ExcludeMove);
  my_cnt = 0;
}

// Whether the side to move at the root is in check, found once per search.
static bool root_in_check() {
  get_checker(side);
  return gchecker1 != -1 || gchecker2 != -1;
}

static int search_iteration(int depth, int lines, bool checked) {
  gSelDepth = 0;
  idepth = depth;
  follow_pv = true;
  // Each line of several is searched with the full window.
  if (lines > 1) full_window();
  return search_root(ralpha, rbeta, depth * ONE_PLY, checked);
}

// Keeps the iteration's score, best move and time; returns the time.
static int note_iteration(int depth, int score, deepening_t* run) {
  iscore[depth] = score;
  run->best[depth] = pv[0][0];
  si.iter_time = ms_diff(get_ms(), start_time);
  return si.iter_time;
}

// MultiPV: the line just found is kept and its move excluded; the depth is repeated until the
// wanted lines (or all root moves) are found.
static iteration_step store_multipv_line(int depth, int score, int elapsed, int lines) {
  if (score == ALL_MOVES_EXCLUDED) {
    // Fewer root moves than lines: the clock is not asked at this depth.
    finish_multipv(depth, ExcludeMove.count);
    return NEXT_DEPTH;
  }
  if (pv_length[0] == 0) return ASK_CLOCK;
  ExcludeMove.moves[ExcludeMove.count++] = pv[0][0];
  pv_store_t& line = PVStore[my_cnt++];
  line.score = score;
  line.count = pv_length[0];
  memcpy(line.moves, pv[0], sizeof(move) * line.count);
  line.time = elapsed;
  line.nodes = rnodes;
  if (ExcludeMove.count < lines) return REPEAT_DEPTH;
  finish_multipv(depth, lines);
  return ASK_CLOCK;
}

// One line: printed, its mate distance kept and its second move expected as the reply. A line
// that failed low has no moves and keeps the last mate distance and reply.
static iteration_step report_line(int depth, int score, int elapsed, int show, deepening_t* run) {
  if (pv_length[0] == 0) return ASK_CLOCK;
  run->mate_moves = value_to_mate(score);
  if (show) print_iteration(depth, score, run->mate_moves, elapsed);
  si.ponder_move = pv_length[0] >= 2 ? pv[0][1] : move{};
  return ASK_CLOCK;
}

// The clock weighs the finished iteration; it may move the stop time either way.
static bool clock_says_stop(int depth, int elapsed, bool multipv, deepening_t* run) {
  const iteration_facts_t it = {
      .depth = depth,
      .score = iscore[depth],
      .previous = iscore[depth - 1],
      .elapsed = elapsed,
      .mate_moves = run->mate_moves,
      .failed_low = iscore[depth] <= ralpha,
      .best_changed = run->best[depth].u != run->best[depth - 1].u,
      .multipv = multipv,
  };
  return weigh_iteration(it, &run->plan);
}

// Aspiration: a narrow window around the last score, widened after a failure; a failed depth is
// searched again.
static iteration_step set_aspiration_window(int score, deepening_t* run) {
  if (score > ralpha && score < rbeta) {
    if (abs(score) > ASPIRATION_LIMIT) {
      full_window();
    } else {
      ralpha = score - ASPIRATION_WIDTH, rbeta = score + ASPIRATION_WIDTH;
      run->fail_lows = run->fail_highs = 0;
    }
    return NEXT_DEPTH;
  }
  // A second failure, or one after a failure the other way, opens the window fully.
  if (score >= rbeta) {
    if (abs(score) <= ASPIRATION_LIMIT && ++run->fail_highs == 1 && run->fail_lows == 0)
      ralpha = score, rbeta = score + RETRY_WIDTH;
    else
      full_window();
  } else {
    if (abs(score) <= ASPIRATION_LIMIT && ++run->fail_lows == 1 && run->fail_highs == 0)
      ralpha = score - RETRY_WIDTH, rbeta = score;
    else
      full_window();
  }
  return REPEAT_DEPTH;
}

// Playing at a level. A weaker player sees less and misjudges more: the search gets a node
// budget, so it misses what lies deeper, and the move is chosen among the best few root moves by
// values misread by a random error, so it now and then prefers a worse plan. The budget
// does not grow with the clock, so a level plays alike at blitz and at slower games.
struct level_row_t {
  int elo;
  double nodes;  // the node budget of one move
  int error;     // the largest misreading of a move's value, in centipawns
};

// The levels measured against a known rating ladder (README); the ratings between rows are
// interpolated. The top row is the engine itself: no budget, no error.
static const level_row_t LEVEL_ROWS[] = {
    {LEVEL_MIN_ELO, 2100, 148}, {1175, 7600, 114},  {1350, 41000, 70},
    {1550, 110000, 42},         {1700, 240000, 18}, {LEVEL_MAX_ELO, 0, 0},
};
// The budget the top row stands for when the levels just below it are interpolated; full strength
// itself has none, and at a clock searches far more.
static const double FULL_STRENGTH_NODES = 300000;
// Root moves compared when the level misreads values.
static const int LEVEL_LINES = 4;
// A depth is not started when this many times the last one's nodes would overrun the budget.
static const int LEVEL_GROWTH = 2;

struct level_t {
  bool on;
  U64 node_budget;  // 0: none
  int error;
  int lines;
  U64 depth_start;  // nodes when the current depth began
  int depth;        // of the candidates
  int candidates;   // the lines of the last finished depth
};

static level_t level;
static pv_store_t level_line[MAX_SEARCHMOVES];
static U64 level_random_state;

// The level's own random numbers (splitmix64), apart from rand15 whose sequence makes the keys
// and the book choices.
static U64 level_random() {
  U64 z = (level_random_state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

// Taken once at start-up from the clock and where the stack lies; ZELTRO_SEED fixes it.
void seed_level_choices() {
  const char* fixed = getenv("ZELTRO_SEED");
  int here = 0;
  level_random_state =
      fixed ? strtoull(fixed, nullptr, 10) : (U64)(unsigned)get_ms() << 32 ^ (U64)(uintptr_t)&here;
}

// The diagnostics (bench, profile, symtestpos, EPD suites) search quietly, always at full
// strength.
static bool level_in_play() {
  return OptionUci.LimitStrength && !si.quiet && OptionUci.Elo < LEVEL_MAX_ELO;
}

// The budget and the error of the level set, interpolated between the two rows around it.
static void plan_level() {
  level = {};
  if (!level_in_play()) return;
  int i = 0;
  while (LEVEL_ROWS[i + 1].elo < OptionUci.Elo) i++;
  const level_row_t& lo = LEVEL_ROWS[i];
  const level_row_t& hi = LEVEL_ROWS[i + 1];
  const double t = (double)(OptionUci.Elo - lo.elo) / (hi.elo - lo.elo);
  const double top = hi.nodes > 0 ? hi.nodes : FULL_STRENGTH_NODES;
  level.on = true;
  level.node_budget = (U64)(lo.nodes * pow(top / lo.nodes, t));
  level.error = (int)(lo.error + (hi.error - lo.error) * t);
  level.lines = level.error > 0 ? LEVEL_LINES : 1;
}

// The lines the level may choose among: at least its own count.
static int lines_wanted() {
  if (!level.on || OptionUci.MultiPV >= level.lines) return OptionUci.MultiPV;
  return level.lines;
}

// The lines of a finished depth are the candidates; a depth cut short keeps the last ones.
static void keep_candidates(int depth, int count) {
  if (!level.on) return;
  level.depth = depth;
  level.candidates = count;
  memcpy(level_line, PVStore, sizeof(pv_store_t) * count);
}

// The budget is spent, or the next depth would spend it.
static bool level_says_stop() {
  if (!level.on) return false;
  const U64 last = rnodes - level.depth_start;
  level.depth_start = rnodes;
  return rnodes + last * LEVEL_GROWTH > level.node_budget;
}

// The level misjudges the moves it did not settle on: each other candidate looks better than it
// is by a random amount up to the level's error, and the best-looking move is played. Where one
// line is shown, the chosen line is shown again when it is not that one, so that the line a GUI
// shows is the move played; where several are, they stand as searched, best first.
static void choose_level_move() {
  if (!level.on || level.candidates < 2) return;
  int chosen = 0, best_seen = level_line[0].score;
  for (int i = 1; i < level.candidates; i++) {
    const int seen = level_line[i].score + (int)(level_random() % (U64)(level.error + 1));
    if (seen > best_seen) best_seen = seen, chosen = i;
  }
  const pv_store_t& line = level_line[chosen];
  pv[0][0] = rootBestMove = line.moves[0];
  si.ponder_move = line.count > 1 ? line.moves[1] : move{};
  if (chosen == 0 || OptionUci.MultiPV > 1) return;
  printf("info depth %d multipv 1 score cp %d time %d nodes %lld nps %lld pv", level.depth,
         line.score, line.time, (long long)line.nodes, nps(line.nodes, line.time));
  print_pv_moves(line.moves, line.count);
}

// The iterations, until a limit, the clock or the level ends them.
static void deepen(int show, bool checked) {
  const int last = max_depth > MAX_ITERATION ? MAX_ITERATION : max_depth;
  const int lines = lines_wanted();
  deepening_t run = {};
  for (int depth = 1; depth <= last;) {
    const int score = search_iteration(depth, lines, checked);
    if (score == -MATE || si.stopped) return;
    const int elapsed = note_iteration(depth, score, &run);
    iteration_step next = lines > 1 ? store_multipv_line(depth, score, elapsed, lines)
                                    : report_line(depth, score, elapsed, show, &run);
    if (next == ASK_CLOCK) {
      if (clock_says_stop(depth, elapsed, lines > 1, &run)) return;
      next = lines > 1 ? NEXT_DEPTH : set_aspiration_window(score, &run);
    }
    if (next == NEXT_DEPTH && level_says_stop()) return;
    if (next == NEXT_DEPTH) depth++;
  }
}

void think(int show) {
  start_search();
  if (book_move()) return;
  out_of_book++;
  si.stopped = false;
  plan_search_time(out_of_book);
  clear_search_tables();
  plan_level();
  const bool checked = root_in_check();
  rootBestMove.u = 0;
  if (max_depth <= 0) return;
  deepen(show, checked);
  choose_level_move();
}

bool (*read_input_line)() = nullptr;

void eventCheck() {
  if (si.stop_requested || read_input_line == nullptr) return;
  while (bioskey()) {
    if (!read_input_line() || si.stop_requested) return;
  }
}

void CheckUserInputandTime() {
  static int last_info_time = 0;
  const bool nostop = si.infinite || si.pondering;
  if (si.stopped) return;
  if (si.poll_input) eventCheck();
  // Neither a stop nor the clock ends a search that has no move to play yet: the first root
  // move is searched within a few hundred nodes, and a reply of 0000 would lose the game.
  const bool has_move = pv[0][0].u != 0 || rootBestMove.u != 0;
  if (si.stop_requested && has_move) {
    si.stopped = true;
    if (rootBestMove.u) pv[0][0] = rootBestMove;
    return;
  }
  const int now = get_ms();
  const int elapsed = ms_diff(now, start_time);
  if (!si.quiet) {
    if (elapsed < INFO_INTERVAL_MS) {
      last_info_time = 0;
    } else if (elapsed - last_info_time >= INFO_INTERVAL_MS) {
      printf("info nodes %lld nps %lld\n", (long long)rnodes,
             (long long)rnodes * 1000 / (elapsed + 1));
      last_info_time = elapsed;
    }
  }
  if (nostop || !has_move) return;
  if (ms_diff(now, stop_time) >= 0 || elapsed >= ext_max_tt) {
    si.stopped = true;
    if (pv_length[0] > 1) si.ponder_move = pv[0][1];
    if (rootBestMove.u) pv[0][0] = rootBestMove;
  }
}
