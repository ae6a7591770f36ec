#include "platform.h"

#include <poll.h>
#include <sys/time.h>

#include <cerrno>
#include <cstdint>

// Non-zero when a read of standard input would not block: a line is waiting, or the input has
// ended (so that the next read meets the end and the engine exits).
int bioskey() {
  struct pollfd p = {0, POLLIN, 0};
  int r;
  // A signal that cuts the look short says nothing about the input: look again.
  do r = poll(&p, 1, 0);
  while (r < 0 && errno == EINTR);
  if (r < 0) return 1;
  return r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ? 1 : 0;
}

// Wall-clock milliseconds in 32-bit arithmetic; it wraps, and only differences are used.
int get_ms() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  return (int)((uint32_t)tv.tv_sec * 1000u + (uint32_t)(tv.tv_usec / 1000));
}

// The same sequence on every system, so keys and book choices do not depend on the C library.
int rand15() {
  static uint32_t state = 1;
  state = state * 214013u + 2531011u;
  return (int)((state >> 16) & 0x7FFF);
}
