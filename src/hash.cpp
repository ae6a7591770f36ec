// SPDX-License-Identifier: GPL-3.0-or-later
#include "hash.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "util.h"

U64 hash_piece[2][6][64];
U64 hash_side;
U64 hash_ep[64];
U64 hash_castle[16];

unsigned char* hashREC = nullptr;
uint32_t TT_size = 0;

static const int TT_BUCKET_BYTES = 96;

// Five 15-bit draws make one 64-bit key.
static U64 rand64() {
  U64 r1 = rand15(), r2 = rand15(), r3 = rand15(), r4 = rand15(), r5 = rand15();
  return r1 ^ (r2 << 15) ^ (r3 << 30) ^ (r4 << 45) ^ (r5 << 60);
}

// The generator is never seeded and keeps running, so every call draws fresh keys.
void init_hash() {
  for (int c = 0; c < 2; c++)
    for (int k = 0; k < 6; k++)
      for (int sq = 0; sq < 64; sq++) hash_piece[c][k][sq] = rand64();
  hash_side = rand64();
  for (int sq = 0; sq < 64; sq++) hash_ep[sq] = rand64();
  for (int i = 0; i < 16; i++) hash_castle[i] = rand64();
}

void init_ttable(unsigned mb) {
  free(hashREC);
  U64 bytes = (U64)mb * 1048576;
  uint32_t n;
  if (bytes < 98304) {
    n = 512;
  } else {
    n = 1024;
    while ((U64)n * 2 * TT_BUCKET_BYTES <= bytes) n *= 2;
  }
  hashREC = (unsigned char*)calloc(n, TT_BUCKET_BYTES);
  if (hashREC == nullptr) out_of_memory();
  TT_size = n;
}

void clearHash() {
  if (hashREC != nullptr) memset(hashREC, 0, (size_t)TT_size * TT_BUCKET_BYTES);
}

void free_tt() {
  free(hashREC);
  hashREC = nullptr;
  TT_size = 0;
}
