// Search control records and the search's shared tables.
#pragma once

#include "types.h"

extern search_info_t si;
extern search_input_t SearchInput;
extern int max_depth, max_time, ext_time_control_type;
extern int ext_max_tt;
extern int gSelDepth;
extern gen_rec_t killer1[MAX_PLY], killer2[MAX_PLY], mkiller1[MAX_PLY];

void ResetSearch();
