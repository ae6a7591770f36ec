// Iterative deepening over a principal-variation alpha-beta search with a quiescence search, and
// the periodic clock and input check that lets one thread search and listen at once.
#include "search.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "board.h"
#include "eval.h"
#include "fen.h"
#include "option.h"
#include "pg_key.h"
#include "pg_show.h"
#include "platform.h"
#include "protocol.h"

search_info_t si;
search_input_t SearchInput;
int max_depth, max_time, ext_time_control_type;
int ext_max_tt;
int gSelDepth;
gen_rec_t killer1[MAX_PLY], killer2[MAX_PLY], mkiller1[MAX_PLY];

move pv[MAX_PLY][MAX_PLY];
int pv_length[MAX_PLY];
bool follow_pv;
uint32_t nodes;
U64 rnodes;
int ext_root_side;
int ralpha, rbeta, idepth;
int iscore[129];
int start_time, stop_time;
int NewPvTimeExtension, FailLowTimeExtension, ScoreDropExtension1, ScoreDropExtension2;
pv_store_t PVStore[MAX_SEARCHMOVES];
int my_cnt;
exclude_t ExcludeMove;
move rootBestMove;

static const int NO_SCORE = -10000000;

// The millisecond clock wraps, so times are compared by their difference.
int ms_diff(int later, int earlier) {
  return (int)((uint32_t)later - (uint32_t)earlier);
}
static int ms_add(int t, int ms) {
  return (int)((uint32_t)t + (uint32_t)ms);
}

void ResetSearch() {
  si.infinite = false;
  si.stop_requested = false;
  si.time_avail = 0;
}

int contempt_value() {
  return side == ext_root_side ? OptionUci.RepeatScore : -OptionUci.RepeatScore;
}

static int fifty_value() {
  return side == ext_root_side ? OptionUci.FiftyMoveScore : -OptionUci.FiftyMoveScore;
}

void update_pv(move m, int p) {
  pv[p][p] = m;
  for (int i = p + 1; i < pv_length[p + 1]; i++) pv[p][i] = pv[p + 1][i];
  pv_length[p] = pv_length[p + 1];
}

// Captures, castling and promotions never become killers.
void update_killers(move m, int score) {
  if (m.b.bits & (MF_CAPTURE | MF_CASTLE | MF_PROMOTE)) return;
  if (killer1[ply].m.u != m.u) {
    killer2[ply] = killer1[ply];
    killer1[ply].m = m;
  }
  if (score >= 29800) mkiller1[ply].m = m;
}

int value_to_mate(int score) {
  if (score < -29800) return -((score + 30000) / 2);
  if (score <= 29800) return 0;
  return (30001 - score) / 2;
}

void SortByPvScore(int n, pv_store_t* store) {
  for (int i = 0; i < n - 1; i++)
    for (int j = i + 1; j < n; j++)
      if (store[i].score < store[j].score) std::swap(store[i], store[j]);
}

// How often the current key stood on the board since the last capture or pawn move.
static int repetitions() {
  int n = 0;
  for (int i = hply - fifty < 0 ? 0 : hply - fifty; i < hply; i++) n += hist_dat[i].hash == hash;
  return n;
}

// One step of a selection sort: the best remaining move is brought to position i.
static inline void pick(int i) {
  int best = -10000, at = i;
  for (int j = i; j < first_move[ply + 1]; j++) {
    if (gen_dat[j].score > best) {
      best = gen_dat[j].score;
      at = j;
    }
  }
  if (at != i) std::swap(gen_dat[i], gen_dat[at]);
}

// While the node lies on the last principal variation, its move goes first.
static void follow_principal_variation() {
  if (!follow_pv) return;
  follow_pv = false;
  for (int j = first_move[ply]; j < first_move[ply + 1]; j++) {
    if (gen_dat[j].m.u == pv[0][ply].u) {
      follow_pv = true;
      gen_dat[j].score = 10000000;
      return;
    }
  }
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
    update_killers(m, v);
    return true;
  }
  *alpha = v;
  update_pv(m, ply);
  return false;
}

int search(int alpha, int beta, int depth, bool in_check) {
  if ((nodes & 1023) == 0) {
    CheckUserInputandTime();
    if (si.stopped) return 0;
  }
  pv_length[ply] = ply;
  if (ply > 198 || hply > 998) return eval();
  if (depth <= 1) return qsearch(alpha, beta, 0, false);
  if (ply > gSelDepth) gSelDepth = ply;
  nodes++;
  rnodes++;
  if (mat_is_draw()) return 0;
  if (fifty > 100 || (fifty == 100 && !in_check)) return fifty_value();
  if (ply > 0 && fifty > 0 && repetitions() > 0) return contempt_value();

  gen_node(in_check);
  follow_principal_variation();
  if (first_move[ply] == first_move[ply + 1]) {
    if (si.stopped) return 0;
    return in_check ? ply - 30000 : OptionUci.StalemateScore;
  }

  const int entry_alpha = alpha;
  int best = NO_SCORE, legal = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    pick(i);
    move m = gen_dat[i].m;
    if (!makemove(m.b)) continue;
    legal++;
    bool check = ::in_check(side);
    int d = check ? depth : depth - 2;
    int v = search_child(alpha, beta, d, check, best == NO_SCORE || beta - alpha <= 1);
    takeback();
    if (si.stopped) return 0;
    if (record(m, v, &best, &alpha, beta)) return v;
  }
  if (si.stopped) return 0;
  if (legal == 0) return in_check ? ply - 30000 : OptionUci.StalemateScore;
  if (best > entry_alpha) update_killers(pv[ply][ply], best);
  return best;
}

int qsearch(int alpha, int beta, int depth, bool in_check) {
  if (ply > gSelDepth) gSelDepth = ply;
  nodes++;
  rnodes++;
  if ((nodes & 1023) == 0) {
    CheckUserInputandTime();
    if (si.stopped) return 0;
  }
  pv_length[ply] = ply;
  if (mat_is_draw()) return 0;
  if (fifty >= 100) return fifty_value();
  if (fifty > 0 && repetitions() >= (OptionUci.AnalyseMode ? 2 : 1)) return contempt_value();
  if (ply > 198 || hply > 998) return eval();

  int best;
  if (in_check) {
    gen_node(true);
    best = NO_SCORE;
  } else {
    best = eval();
    if (best >= beta || depth < -11) return best;
    if (best > alpha) alpha = best;
    gen_caps();
  }
  follow_principal_variation();

  int legal = 0;
  for (int i = first_move[ply]; i < first_move[ply + 1]; i++) {
    pick(i);
    move m = gen_dat[i].m;
    // Once one move has been tried, captures that lose material are not worth a look.
    if (legal > 0 && !in_check && !(m.b.bits & (MF_EP | MF_PROMOTE)) && see_move(m) < 0) continue;
    if (!makemove(m.b)) continue;
    legal++;
    bool check = ::in_check(side);
    int v = -qsearch(-beta, -alpha, depth - 2, check);
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
  return in_check ? ply - 30000 : alpha;
}

static bool listed(const move* moves, int count, move m) {
  for (int i = 0; i < count; i++)
    if (moves[i].u == m.u) return true;
  return false;
}

int search_root(int alpha, int beta, int depth, bool in_check, int checker1, int checker2) {
  pv_length[0] = 0;
  if (in_check) {
    gchecker1 = checker1;
    gchecker2 = checker2;
    if (checker2 == -1)
      gen_evade();
    else
      gen_king();
  } else {
    gen();
  }
  follow_principal_variation();
  auto no_move_score = [&] {
    if (ExcludeMove.count > 0) return -30001;
    return in_check ? ply - 30000 : OptionUci.StalemateScore;
  };
  if (first_move[0] == first_move[1]) return si.stopped ? 0 : no_move_score();

  const int entry_alpha = alpha;
  int best = NO_SCORE, legal = 0;
  for (int i = first_move[0]; i < first_move[1]; i++) {
    pick(i);
    move m = gen_dat[i].m;
    if (SearchInput.count > 0 && !listed(SearchInput.moves, SearchInput.count, m)) continue;
    if (listed(ExcludeMove.moves, ExcludeMove.count, m)) continue;
    // Only a check that does not lose material is extended at the root.
    bool safe = (m.b.bits & (MF_CASTLE | MF_EP | MF_PROMOTE)) || see_move(m) >= 0;
    if (!makemove(m.b)) continue;
    legal++;
    if (si.iter_time > 1500 && !si.quiet && si.time_avail > 119999)
      printf("info currmove %s currmovenumber %d\n", move_str(m), i - first_move[0] + 1);
    bool check = ::in_check(side);
    int d = depth - 2 + (check && safe ? 2 : 0);
    // The root has no null-window shortcut: every later move gets the null window first.
    int v = search_child(alpha, beta, d, check, best == NO_SCORE);
    takeback();
    if (si.stopped) return 0;
    if (record(m, v, &best, &alpha, beta)) return v;
  }
  if (si.stopped) return 0;
  if (legal == 0) return no_move_score();
  // A forced reply needs little thought.
  if (legal == 1 && in_check) stop_time = ms_add(stop_time, -(max_time / 2));
  if (best > entry_alpha) update_killers(pv[0][0], best);
  return best;
}

static void print_pv_moves(const move* moves, int count) {
  for (int i = 0; i < count; i++) printf(" %s", move_str(moves[i]));
  printf("\n");
}

static long long nps(U64 n, int ms) {
  return ms > 0 ? (long long)(n * 1000 / (U64)ms) : 0;
}

// Prints the lines of one MultiPV depth, best first, and makes the top line the move to play.
static void finish_multipv(int d, int lines) {
  SortByPvScore(lines, PVStore);
  pv[0][0] = rootBestMove = PVStore[0].moves[0];
  for (int i = 0; i < lines; i++) {
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
  if (d >= 8 && iscore[d] > iscore[d - 1] && v >= rbeta) kind = " lowerbound";
  if (d >= 8 && iscore[d] < iscore[d - 1] && v <= ralpha) kind = " upperbound";
  if (md != 0)
    printf("info depth %d seldepth %d score mate %d time %d nodes %lld nps %lld pv", d, gSelDepth,
           md, t, (long long)rnodes, nps(rnodes, t));
  else
    printf("info depth %d seldepth %d score cp %d%s time %d nodes %lld nps %lld pv", d, gSelDepth,
           v, kind, t, (long long)rnodes, nps(rnodes, t));
  print_pv_moves(pv[0], pv_length[0]);
}

static bool book_move() {
  if (!bookOption.OwnBook || hply > 70 || out_of_book > 2 || si.infinite || si.pondering)
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

void think(int show) {
  ralpha = -30000;
  rbeta = 30000;
  ext_root_side = side == DARK ? 1 : 0;
  // Counted from here, so that a book move reports its own time and no nodes.
  start_time = get_ms();
  nodes = 0;
  rnodes = 0;
  if (book_move()) return;
  out_of_book++;
  si.stopped = false;

  const int hard =
      si.fixed_time ? max_time : (si.time_avail / 10 > max_time ? si.time_avail / 10 : max_time);
  ext_max_tt = hard;
  NewPvTimeExtension = max_time / 2;
  FailLowTimeExtension = max_time / 4;
  ScoreDropExtension1 = (int)((long long)max_time * 80 / 100);
  ScoreDropExtension2 = max_time / 2;

  stop_time = ms_add(start_time, max_time);
  if (out_of_book >= 1 && out_of_book <= 3 && si.time_avail > 120000)
    stop_time = ms_add(stop_time, out_of_book == 1 ? max_time / 6 : max_time / 8);

  ply = 0;
  iscore[0] = 0;
  memset(pv, 0, sizeof pv);
  memset(pv_length, 0, sizeof pv_length);
  memset(killer1, 0, sizeof killer1);
  memset(killer2, 0, sizeof killer2);
  memset(mkiller1, 0, sizeof mkiller1);
  memset(&ExcludeMove, 0, sizeof ExcludeMove);
  my_cnt = 0;
  get_checker(side);
  const int checker1 = gchecker1, checker2 = gchecker2;
  const bool in_check = checker1 != -1 || checker2 != -1;
  rootBestMove.u = 0;
  if (max_depth <= 0) return;

  const int last = max_depth > MAX_ITERATION ? MAX_ITERATION : max_depth;
  const int k = OptionUci.MultiPV;
  int t[MAX_ITERATION + 1];
  move bm[MAX_ITERATION + 1];
  for (int i = 0; i <= MAX_ITERATION; i++) t[i] = -1, bm[i].u = 0;
  int md = 0, changes = 0, fail_lows = 0, fail_highs = 0;

  for (int d = 1; d <= last;) {
    gSelDepth = 0;
    idepth = d;
    follow_pv = true;
    if (k > 1) ralpha = -30000, rbeta = 30000;
    const int v = search_root(ralpha, rbeta, 2 * d, in_check, checker1, checker2);
    if (v == -30000 || si.stopped) return;
    iscore[d] = v;
    bm[d] = pv[0][0];
    t[d] = ms_diff(get_ms(), start_time);
    si.iter_time = t[d];

    if (k > 1) {
      if (v == -30001) {
        finish_multipv(d, ExcludeMove.count);
        d++;
        continue;
      }
      if (pv_length[0] > 0) {
        ExcludeMove.moves[ExcludeMove.count++] = pv[0][0];
        pv_store_t& p = PVStore[my_cnt++];
        p.score = v;
        p.count = pv_length[0];
        memcpy(p.moves, pv[0], sizeof(move) * p.count);
        p.time = t[d];
        p.nodes = rnodes;
        if (ExcludeMove.count < k) continue;
        finish_multipv(d, k);
      }
    } else if (pv_length[0] > 0) {
      md = value_to_mate(v);
      if (show) print_iteration(d, v, md, t[d]);
      si.ponder_move = pv_length[0] >= 2 ? pv[0][1] : move{};
    }

    const int s = iscore[d], p = iscore[d - 1];
    const bool changed = bm[d].u != bm[d - 1].u;
    const int budget = ms_diff(stop_time, start_time);

    // While pondering, an unclear position earns the time the pondered move would have had.
    if (d >= 3 && si.pondering && s >= -500 && s <= 500 && t[d] > (3 * (budget - t[d])) / 2) {
      int e = 0;
      if (changed)
        e = 2 * t[d];
      else if (v <= ralpha || p > s + 49)
        e = (3 * t[d]) / 2;
      si.ponder_time += e;
      stop_time = ms_add(stop_time, e);
    }

    bool window = si.infinite || si.pondering;
    if (!window) {
      if (t[d] >= hard) return;
      if (d >= 4 && md != 0 && md >= -4 && md <= 4) return;
    }
    if (!window && k > 1) {
      if (d >= 3 && !si.fixed_time && changed) {
        changes++;
        stop_time = ms_add(stop_time, NewPvTimeExtension);
        d++;
        continue;
      }
    } else if (!window && d >= 3 && !si.fixed_time) {
      if (changed) {
        changes++;
        stop_time = ms_add(stop_time, NewPvTimeExtension);
      }
      if (v > ralpha && s >= -500 && s <= 500 && p - s >= 30) {
        if (s < 0)
          stop_time = ms_add(stop_time, ScoreDropExtension1);
        else if (s <= 74)
          stop_time = ms_add(stop_time, ScoreDropExtension2);
        window = true;
      } else if (v <= ralpha && s >= -500 && s <= 500) {
        int e = FailLowTimeExtension;
        if (s < 0 && p < 0 && si.time_avail > 150000) e += max_time / 2;
        stop_time = ms_add(stop_time, e);
        window = true;
      } else if (changed) {
        window = true;
      }
    }
    if (!window) {
      const int now_budget = ms_diff(stop_time, start_time);
      if (d >= 3 && t[d] >= now_budget) return;
      if (d >= 2 && !si.fixed_time && t[d] > max_time / 2 && s >= p &&
          (ext_time_control_type == 1 || ext_time_control_type == 2)) {
        const int left = now_budget - t[d];
        if (left < (3 * t[d]) / 2) return;
        // A stable position gives time back.
        if (d >= 12 && changes == 0 && left > t[d] / 2)
          stop_time = ms_add(stop_time, -((left * d) / 128));
      }
    }
    if (k > 1) {
      d++;
      continue;
    }

    // Aspiration: a narrow window around the last score, widened after a failure.
    if (v > ralpha && v < rbeta) {
      if (abs(v) > 10000) {
        ralpha = -30000, rbeta = 30000;
      } else {
        ralpha = v - 30, rbeta = v + 30;
        fail_lows = fail_highs = 0;
      }
      d++;
    } else if (v >= rbeta) {
      if (abs(v) <= 10000 && ++fail_highs == 1 && fail_lows == 0)
        ralpha = v, rbeta = v + 100;
      else
        ralpha = -30000, rbeta = 30000;
    } else {
      if (abs(v) <= 10000 && ++fail_lows == 1 && fail_highs == 0)
        ralpha = v - 100, rbeta = v;
      else
        ralpha = -30000, rbeta = 30000;
    }
  }
}

void eventCheck() {
  if (si.stop_requested) return;
  while (bioskey()) {
    if (!LoopCall() || si.stop_requested) return;
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
    if (elapsed <= 499) {
      last_info_time = 0;
    } else if (elapsed - last_info_time > 499) {
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
