// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the book reader on an arbitrary file. The bytes become the book; the start
// position and keys taken from the file itself are looked up, so that entries are found and read.
#include <unistd.h>

#include <cstring>

#include "fuzz.h"
#include "pg_key.h"
#include "pg_show.h"

// The key of the entry that starts at byte 16 * index, when the file holds that entry.
static U64 key_at(const std::string& book, size_t index) {
  U64 key = 0;
  for (size_t i = 16 * index; i < 16 * index + 8 && i < book.size(); i++)
    key = key << 8 | (uint8_t)book[i];
  return key;
}

static void fuzz_one(const std::string& book) {
  static char path[64];
  if (!path[0]) snprintf(path, sizeof path, "/tmp/zeltro-fuzz-book-%d.bin", (int)getpid());
  FILE* f = fopen(path, "wb");
  if (f == nullptr || fwrite(book.data(), 1, book.size(), f) != book.size() || fclose(f) != 0)
    abort();
  snprintf(OptionUci.BookFile, sizeof OptionUci.BookFile, "%s", path);
  const size_t entries = book.size() / 16;
  const U64 keys[] = {pg_key(spos), key_at(book, 0), key_at(book, entries / 2),
                      key_at(book, entries ? entries - 1 : 0)};
  for (U64 key : keys) {
    char found[8] = "";
    if (!pg_show(key, found)) continue;
    if (strlen(found) > 5) abort();
    parse_move(found);
  }
  unlink(path);  // libFuzzer may end the process without running exit handlers
}
