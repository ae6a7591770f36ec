// SPDX-License-Identifier: GPL-3.0-or-later
// Static tables of the board geometry and the start position.
#pragma once

extern const char* const square_name[64];
extern const int castle_mask[64];
extern const int mailbox[120];
extern const int mailbox64[64];
extern const int offsets[6];
extern const int offset[6][8];
extern const bool slide[6];
extern const char spos[];

// Test positions of the diagnostics.
extern const char* const BTestPosition[10];
extern const int BTestPositionDepth[10];
extern const char* const BTestPosition_Sol[10];
extern const char* const PTestPosition[20];
extern const char* const PTitle[20];
extern const char* const SymTestSeed[6];
