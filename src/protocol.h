// The UCI command loop, move text and the command-line diagnostics.
#pragma once

#include <climits>
#include <cstdio>

#include "types.h"

extern char ENG_NAME_VER[256];
// The engine's name and build number, as the banner and --version show them.
extern const char ENGINE_NAME[];
extern const char ENGINE_BUILD[];

void program_header();
void GenInit();
void engine_init();
void Loop();
// Reads and runs one line; false once the input has ended.
bool LoopCall();
bool ReadSomeLines(FILE* stream, char* buffer, int size);
void HandleLine(char* line);
bool my_StringIsEqual(const char* a, const char* b);
void SendInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
int parse_move(const char* text);
char* move_str(move m);
U64 perft(int depth);
// A go value the line did not carry; a parsed value never reaches it.
const int GO_ABSENT = INT_MIN;
// The budget of one move from the clock of the side to move (values absent: GO_ABSENT).
void time_budget(int own, int inc, int movestogo, int movetime);

// Diagnostics; bench leaves its totals for the command line.
extern U64 bench_nodes;
extern int bench_ms;
void print_board();
void bench();
// One search of a suite position: no input is read and no periodic lines are printed; with show
// each finished iteration is.
void suite_search(int depth, int time, int* ms, move* best, U64* n, int show = 1);
void profile();
void symtestpos();
