// SPDX-License-Identifier: GPL-3.0-or-later
// Records shared by every unit of the engine.
#pragma once

#include <cstdint>

typedef uint64_t Bitboard;
typedef uint64_t U64;

// Piece kinds and colours; EMPTY marks a square with no piece in both arrays.
enum { PAWN, KNIGHT, BISHOP, ROOK, QUEEN, KING, EMPTY };
enum { LIGHT, DARK };

constexpr int MAX_PLY = 200;
constexpr int HIST_STACK = 1000;
constexpr int GEN_STACK = 100000;
constexpr int MAX_SEARCHMOVES = 301;

// Move flags (move_bytes.bits).
enum { MF_CAPTURE = 1, MF_CASTLE = 2, MF_EP = 4, MF_DOUBLE = 8, MF_PAWN = 16, MF_PROMOTE = 32 };

struct move_bytes {
  uint8_t from;
  uint8_t to;
  uint8_t promote;
  uint8_t bits;
};

// The same four bytes seen as one 32-bit value: from in the lowest byte, 0 = no move.
union move {
  move_bytes b;
  int32_t u;
};

struct gen_rec_t {
  move m;
  int score;
};

struct hist_rec_t {
  U64 hash;
  move m;
  int capture;
  int castle;
  int ep;
  int fifty;
  bool checked;
};

struct position_t {
  Bitboard bySide[2];
  Bitboard occupied;
};

struct search_input_t {
  move moves[MAX_SEARCHMOVES];
  int32_t count;
};

struct search_info_t {
  move ponder_move;
  int32_t ponder_time;
  int32_t iter_time;
  int32_t time_avail;
  bool pondering;
  bool poll_input;
  bool quiet;
  bool fixed_time;
  bool infinite;
  bool stopped;
  bool stop_requested;
};

struct option_uci_t {
  int Hash;
  int MultiPV;
  int RepeatScore;
  int TimeReserve;
  int FiftyMoveScore;
  int StalemateScore;
  int PawnStructureWeight;
  int MaterialWeight;
  int MobilityWeight;
  int ThreatWeight;
  int KingAttackWeight;
  int PassedPawnWeight;
  int KingShelterWeight;
  char BookFile[1280];
  bool AnalyseMode;
  bool Ponder;
  bool OwnBook;
  bool LimitStrength;
  int Elo;
};
