#include "pg_show.h"

book_option_t bookOption;
int out_of_book;
