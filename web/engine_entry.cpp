// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's ways in from the browser. With a shared input queue the worker calls zeltro_run,
// the engine's own command loop, whose standard input blocks on that queue and whose search looks
// at it between nodes as on a terminal. Without one the worker starts the engine once with
// zeltro_start and hands it one line at a time with zeltro_line. Everything the engine prints
// goes back to the page line by line.
#include <emscripten.h>

#include <cstdio>

#include "protocol.h"
#include "timeman.h"

extern "C" {

EMSCRIPTEN_KEEPALIVE void zeltro_run() {
  // One byte per read, as natively: a read never waits for more than the line it is in.
  setvbuf(stdin, nullptr, _IONBF, 0);
  setvbuf(stdout, nullptr, _IONBF, 0);
  program_header();
  engine_init();
  Loop();
}

EMSCRIPTEN_KEEPALIVE void zeltro_start() {
  program_header();
  engine_init();
  ResetSearch();
  fflush(stdout);
}

EMSCRIPTEN_KEEPALIVE void zeltro_line(const char* text) {
  static char line[65536];
  snprintf(line, sizeof line, "%s", text);
  HandleLine(line);
  fflush(stdout);
}
}
