// SPDX-License-Identifier: GPL-3.0-or-later
#include "pg_show.h"

#include <cstdlib>
#include <cstring>

#include "option.h"
#include "pg_key.h"
#include "platform.h"

const entry_t entry_none = {0, 0, 0, 0};

// A position with more entries than this is taken as a broken book.
constexpr int MAX_BOOK_MOVES = 100;

int entry_from_file(FILE* f, entry_t* entry) {
  unsigned char b[16];
  if (fread(b, 1, sizeof b, f) != sizeof b) return 1;
  U64 key = 0;
  for (int i = 0; i < 8; i++) key = key << 8 | b[i];
  entry->key = key;
  entry->move = (uint16_t)(b[8] << 8 | b[9]);
  entry->weight = (uint16_t)(b[10] << 8 | b[11]);
  entry->learn = (uint32_t)b[12] << 24 | (uint32_t)b[13] << 16 | (uint32_t)b[14] << 8 | b[15];
  return 0;
}

static int key_not_found(U64 key, entry_t* entry) {
  *entry = entry_none;
  entry->key = key + 1;
  return -1;
}

// Binary search for the first entry whose key is not below key. When key lies above every key in
// the file the last entry comes back, so callers compare the key. Bytes past the last whole entry
// are never read.
int find_key(FILE* f, U64 key, entry_t* entry) {
  if (fseek(f, -16, SEEK_END) != 0) return key_not_found(key, entry);
  long pos = ftell(f);
  if (pos < 0) return key_not_found(key, entry);
  long last = pos / 16;
  entry_t candidate;
  if (fseek(f, 16 * last, SEEK_SET) != 0 || entry_from_file(f, &candidate) != 0)
    return key_not_found(key, entry);
  long first = -1;
  while (last - first > 1) {
    long middle = (first + last) / 2;
    entry_t e;
    if (fseek(f, 16 * middle, SEEK_SET) != 0 || entry_from_file(f, &e) != 0)
      return key_not_found(key, entry);
    if (key <= e.key) {
      last = middle;
      candidate = e;
    } else {
      first = middle;
    }
  }
  *entry = candidate;
  return (int)last;
}

void move_to_string(char move_s[6], uint16_t move) {
  int to_file = move & 7, to_row = (move >> 3) & 7;
  int from_file = (move >> 6) & 7, from_row = (move >> 9) & 7;
  int promotion = (move >> 12) & 7;
  move_s[0] = (char)('a' + from_file);
  move_s[1] = (char)('1' + from_row);
  move_s[2] = (char)('a' + to_file);
  move_s[3] = (char)('1' + to_row);
  int n = 4;
  // Codes 5 to 7 name no piece; a corrupt entry gets no letter.
  if (promotion >= 1 && promotion <= 4) move_s[n++] = promote_pieces[promotion];
  move_s[n] = 0;

  // The book stores castling as the king taking its own rook.
  static const char* const castling[4][2] = {
      {"e1h1", "e1g1"}, {"e1a1", "e1c1"}, {"e8h8", "e8g8"}, {"e8a8", "e8c8"}};
  for (const auto& c : castling) {
    if (strcmp(move_s, c[0]) == 0) {
      strcpy(move_s, c[1]);
      break;
    }
  }
}

int pg_show(U64 key, char* out) {
  FILE* f = fopen(OptionUci.BookFile, "rb");
  if (f == nullptr) {
    printf("info string Zeltro.bin book is not found\n");
    return 0;
  }
  entry_t entries[MAX_BOOK_MOVES];
  entry_t entry;
  int offset = find_key(f, key, &entry);
  if (entry.key != key) {
    fclose(f);
    return 0;
  }
  entries[0] = entry;
  int count = 1;
  if (fseek(f, 16L * (offset + 1), SEEK_SET) == 0) {
    while (entry_from_file(f, &entry) == 0 && entry.key == key) {
      if (count == MAX_BOOK_MOVES) {
        fclose(f);
        return 0;
      }
      entries[count++] = entry;
    }
  }
  fclose(f);

  long total_weight = 0;
  for (int i = 0; i < count; i++) total_weight += entries[i].weight;
  if (total_weight == 0) return 0;

  // Every entry of the position has the same chance; the weights only rule out an all-zero set.
  char text[6];
  move_to_string(text, entries[rand15() % count].move);
  strcpy(out, text);
  return 1;
}
