// Static tables of the board geometry and the start position.
#pragma once

extern const char* const square_name[64];
extern const int castle_mask[64];
extern const int mailbox[120];
extern const int mailbox64[64];
extern const int offsets[6];
extern const int offset[6][8];
extern const bool slide[6];
extern const int flip[64];
extern const char spos[];
