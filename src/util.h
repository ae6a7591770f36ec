// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers shared by the option table and the UCI conversation.
#pragma once

#include <cstdio>

// Whether two texts are equal, ignoring the case of letters.
bool my_StringIsEqual(const char* a, const char* b);
// An optional sign and the digits behind it, 0 when there are none; the size is held to limit.
long long read_signed(const char* text, long long limit);
// Says that memory ran out and ends the engine with status 1.
[[noreturn]] void out_of_memory();
// Reads one line into buffer, without its line end (LF or CR LF), going on after a signal; false
// at the end of the stream.
bool ReadSomeLines(FILE* stream, char* buffer, int size);
// Prints one line to the client.
void SendInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
