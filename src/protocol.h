// SPDX-License-Identifier: GPL-3.0-or-later
// The UCI conversation: the command loop, the go command and the text of moves.
#pragma once

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
int parse_move(const char* text);
char* move_str(move m);
