// SPDX-License-Identifier: GPL-3.0-or-later
#include "util.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool my_StringIsEqual(const char* a, const char* b) {
  if (strlen(a) != strlen(b)) return false;
  for (; *a; a++, b++)
    if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return false;
  return true;
}

long long read_signed(const char* s, long long limit) {
  bool negative = false;
  if (*s == '-' || *s == '+') negative = *s++ == '-';
  long long v = 0;
  for (; isdigit((unsigned char)*s) && v <= limit; s++) v = v * 10 + (*s - '0');
  if (v > limit) v = limit;
  return negative ? -v : v;
}

void out_of_memory() {
  printf("info string main memory was not successfully allocated\n");
  exit(1);
}

void SendInfo(const char* format, ...) {
  char buf[4096];
  va_list args;
  va_start(args, format);
  vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  printf("%s\n", buf);
}

bool ReadSomeLines(FILE* stream, char* buffer, int size) {
  for (;;) {
    if (fgets(buffer, size, stream) != nullptr) break;
    if (ferror(stream) && errno == EINTR) {
      clearerr(stream);
      continue;
    }
    return false;
  }
  char* nl = strchr(buffer, '\n');
  if (nl) {
    // Lines may come with a carriage return before the line feed.
    if (nl > buffer && nl[-1] == '\r') nl--;
    *nl = 0;
  }
  return true;
}
