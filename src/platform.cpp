#include "platform.h"

#include <cstdint>

#if defined(__EMSCRIPTEN__)
#include <emscripten.h>

// In the browser the engine runs in a Web Worker that hands it the page's lines one at a time,
// between commands (web/engine_entry.cpp). While it searches the worker cannot take a message,
// so no line is ever waiting; a read of standard input there is answered by the worker's queue
// and never blocks (see web/zeltro-worker.js).
int bioskey() {
  return 0;
}

// The page's high-resolution clock, in 32-bit arithmetic like the others; it never goes back.
int get_ms() {
  return (int)(uint32_t)(uint64_t)emscripten_get_now();
}

#else
#include <poll.h>
#include <sys/time.h>

// Non-zero when a read of standard input would not block: a line is waiting, or the input has
// ended (so that the next read meets the end and the engine exits).
int bioskey() {
  struct pollfd p = {0, POLLIN, 0};
  int r = poll(&p, 1, 0);
  if (r < 0) return 1;
  return r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ? 1 : 0;
}

// Wall-clock milliseconds in 32-bit arithmetic; it wraps, and only differences are used.
int get_ms() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return (int)((uint32_t)tv.tv_sec * 1000u + (uint32_t)(tv.tv_usec / 1000));
}
#endif

// The same sequence on every system, so keys and book choices do not depend on the C library.
int rand15() {
  static uint32_t state = 1;
  state = state * 214013u + 2531011u;
  return (int)((state >> 16) & 0x7FFF);
}
