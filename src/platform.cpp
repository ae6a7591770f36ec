// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <cstdint>

#if defined(__EMSCRIPTEN__)

#include <emscripten.h>

// In the browser the engine runs in a Web Worker. When the page shares an input queue with it,
// standard input is that queue and this reports whether a line waits there; otherwise the worker
// hands the engine one line at a time between commands, no line is ever waiting during a search,
// and this reports none (web/zeltro-worker.js).
EM_JS(int, web_input_waiting, (), { return Module.inputWaiting ? Module.inputWaiting() : 0; });

int bioskey() {
  return web_input_waiting();
}

// The page's high-resolution clock, in 32-bit arithmetic like the others; it never goes back.
int get_ms() {
  return (int)(uint32_t)(uint64_t)emscripten_get_now();
}

#elif defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Non-zero when a read of standard input would not block: bytes wait in the pipe, or the pipe is
// broken or ended (so that the next read meets the end and the engine exits); on a console, key
// events wait.
int bioskey() {
  static bool initialised = false;
  static HANDLE input;
  static bool is_pipe;
  if (!initialised) {
    initialised = true;
    input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode;
    is_pipe = !GetConsoleMode(input, &mode);
    if (!is_pipe) {
      SetConsoleMode(input, mode & ~(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
      FlushConsoleInputBuffer(input);
    }
  }
  if (is_pipe) {
    DWORD waiting;
    if (!PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr)) return 1;
    return (int)waiting;
  }
  // A single event is the key-up left over from the line just read.
  DWORD events;
  if (!GetNumberOfConsoleInputEvents(input, &events)) return 1;
  return events > 1 ? (int)events : 0;
}

// Milliseconds since the system started, in 32-bit arithmetic; it wraps, and only differences are
// used.
int get_ms() {
  return (int)(uint32_t)GetTickCount64();
}

#else

#include <poll.h>
#include <time.h>

#include <cerrno>

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

// Milliseconds of a clock that never jumps, in 32-bit arithmetic; it wraps, and only differences
// are used.
int get_ms() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (int)((uint32_t)ts.tv_sec * 1000u + (uint32_t)(ts.tv_nsec / 1000000));
}

#endif

// The same sequence on every system, so keys and book choices do not depend on the C library.
int rand15() {
  static uint32_t state = 1;
  state = state * 214013u + 2531011u;
  return (int)((state >> 16) & 0x7FFF);
}
