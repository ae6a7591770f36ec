#include "search.h"

search_info_t si;
search_input_t SearchInput;
int max_depth, max_time, ext_time_control_type;
int ext_max_tt;
int gSelDepth;
gen_rec_t killer1[MAX_PLY], killer2[MAX_PLY], mkiller1[MAX_PLY];

void ResetSearch() {
  si.infinite = false;
  si.stop_requested = false;
  si.time_avail = 0;
}
