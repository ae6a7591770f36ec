// SPDX-License-Identifier: GPL-3.0-or-later
// The engine's way in from the browser: the worker starts it once, then hands it one line at a
// time; everything it prints goes back to the page line by line.
#include <emscripten.h>

#include <cstdio>

#include "protocol.h"
#include "timeman.h"

extern "C" {

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
