// SPDX-License-Identifier: GPL-3.0-or-later
// The UCI conversation: the command loop, the go command and the text of moves.
#pragma once

#include <cstdio>

#include "types.h"

void program_header();
void GenInit();
void engine_init();
void Loop();
// Reads and runs one line; false once the input has ended.
bool LoopCall();
void HandleLine(char* line);
