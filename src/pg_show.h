// Opening book: settings and the lookup of a book move.
#pragma once

#include "types.h"

extern book_option_t bookOption;
extern int out_of_book;
