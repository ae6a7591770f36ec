// SPDX-License-Identifier: GPL-3.0-or-later
// The operating-system layer: waiting input on standard input and the millisecond clock.
#pragma once

int bioskey();
int get_ms();
// The classic C library generator: 15-bit values 0 .. 32767, never seeded, one sequence per run.
int rand15();
