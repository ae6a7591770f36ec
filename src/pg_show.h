// SPDX-License-Identifier: GPL-3.0-or-later
// Opening book: the lookup of a book move in a Polyglot book file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "types.h"

// One book entry. On disk it takes 16 bytes, every field big-endian, and the file is sorted by key.
struct entry_t {
  U64 key;
  uint16_t move;  // to file 0-2, to rank 3-5, from file 6-8, from rank 9-11, promotion 12-14
  uint16_t weight;
  uint32_t learn;
};

extern const entry_t entry_none;

int find_key(FILE* f, U64 key, entry_t* entry);
int entry_from_file(FILE* f, entry_t* entry);
void move_to_string(char move_s[6], uint16_t move);
int pg_show(U64 key, char* out);
