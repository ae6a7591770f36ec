// SPDX-License-Identifier: GPL-3.0-or-later
// Small text helpers shared by the option table and the UCI conversation.
#pragma once

// Whether two texts are equal, ignoring the case of letters.
bool my_StringIsEqual(const char* a, const char* b);
// Says that memory ran out and ends the engine with status 1.
[[noreturn]] void out_of_memory();
// Prints one line to the client.
void SendInfo(const char* format, ...) __attribute__((format(printf, 1, 2)));
