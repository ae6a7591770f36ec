// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: any lines through the command handler. Standard input is a pipe the target
// writes; a stop waits there before each go, so the search ends once its first root move is
// searched. Lines that end the process or run the diagnostic suites are skipped.
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "fuzz.h"
#include "platform.h"

// Searches cost the most; more of them in one input are skipped.
static const int MAX_SEARCHES = 8;

static int input_pipe = -1;

static void handle(std::string line, int* searches) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  line.resize(strlen(line.c_str()));  // the handler reads up to the first zero byte
  const bool go = line.starts_with("go ");
  if (line == "quit" || diagnostic(line) || (go && ++*searches > MAX_SEARCHES)) return;
  if (go && write(input_pipe, "stop\n", 5) != 5) abort();
  HandleLine(line.data());
  // A stop the search did not read is handled as the engine would, between commands.
  while (bioskey()) LoopCall();
  fuzz_require_consistent("a command");
}

static void fuzz_one(const std::string& input) {
  if (input_pipe < 0) input_pipe = take_over_input();
  std::istringstream lines(input);
  int searches = 0;
  for (std::string line; std::getline(lines, line);) handle(line, &searches);
}
