// Fuzz target: the book reader on an arbitrary file. The bytes become the book; the start
// position and keys taken from the file itself are looked up, so that entries are found and read.
#include <unistd.h>

#include <cstring>

#include "data.h"
#include "fuzz.h"
#include "option.h"
#include "pg_key.h"
#include "pg_show.h"

static char path[64];

// The key of the entry that starts at byte 16 * index, when the file holds that entry.
static U64 key_at(const uint8_t* data, size_t size, size_t index) {
  U64 key = 0;
  for (size_t i = 16 * index; i < 16 * index + 8 && i < size; i++) key = key << 8 | data[i];
  return key;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!path[0]) snprintf(path, sizeof path, "/tmp/zeltro-fuzz-book-%d.bin", (int)getpid());
  fuzz_fresh_engine();
  FILE* f = fopen(path, "wb");
  if (f == nullptr || fwrite(data, 1, size, f) != size || fclose(f) != 0) abort();
  snprintf(OptionUci.BookFile, sizeof OptionUci.BookFile, "%s", path);
  const size_t entries = size / 16;
  const U64 keys[] = {pg_key(spos), key_at(data, size, 0), key_at(data, size, entries / 2),
                      key_at(data, size, entries ? entries - 1 : 0)};
  for (U64 key : keys) {
    char found[8] = "";
    if (!pg_show(key, found)) continue;
    if (strlen(found) > 5) abort();
    parse_move(found);
  }
  unlink(path);  // libFuzzer may end the process without running exit handlers
  return 0;
}
