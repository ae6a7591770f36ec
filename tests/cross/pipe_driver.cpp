// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the Windows engine through anonymous pipes made by CreateProcess, as GUIs do (Wine
// cannot peek a pipe made on the Linux side), and plays a short UCI session through them.
// Usage: zeltro_pipe_driver ENGINE [ARG...]. Exit status 0 when every step got its reply and the
// engine ended with status 0; the engine's lines are echoed with "> ", the commands with "< ".
// Reads block: run.sh bounds the whole session.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <string>

static const int kExitMs = 30000;  // far beyond the time to end, even on a busy machine

struct Engine {
  HANDLE process, to_engine, from_engine;
};

static bool start(Engine& e, char** command) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE child_in, child_out;
  if (!CreatePipe(&child_in, &e.to_engine, &inherit, 0) ||
      !CreatePipe(&e.from_engine, &child_out, &inherit, 0))
    return false;
  // Were the engine to hold this end of its own input, closing ours would not end that input.
  SetHandleInformation(e.to_engine, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = child_in;
  si.hStdOutput = si.hStdError = child_out;
  PROCESS_INFORMATION pi;
  std::string line = command[0];
  for (int i = 1; command[i]; i++) line = line + " " + command[i];
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(child_in);
  CloseHandle(child_out);
  e.process = pi.hProcess;
  return true;
}

static void write_text(Engine& e, const std::string& text) {
  DWORD done;
  WriteFile(e.to_engine, text.data(), (DWORD)text.size(), &done, nullptr);
}

static bool read_byte(Engine& e, char* c) {
  DWORD done;
  return ReadFile(e.from_engine, c, 1, &done, nullptr) && done == 1;
}

static void close_input(Engine& e) {
  CloseHandle(e.to_engine);
}
static void kill_engine(Engine& e) {
  TerminateProcess(e.process, 1);
}

static bool ended_cleanly(Engine& e) {
  DWORD status;
  return WaitForSingleObject(e.process, kExitMs) == WAIT_OBJECT_0 &&
         GetExitCodeProcess(e.process, &status) && status == 0;
}

// Sends a command, if any, then, when a reply is wanted, reads lines until one starts with `want`;
// false at the end of the output, or when a line starting with `forbidden` comes first. The
// output is read a byte at a time: the replies are short.
static bool ask(Engine& e, const char* command, const char* want, const char* forbidden = nullptr) {
  if (command) {
    printf("< %s\n", command);
    write_text(e, std::string(command) + "\n");
  }
  std::string line;
  char c;
  while (want && read_byte(e, &c)) {
    if (c != '\n') {
      if (c != '\r') line += c;
      continue;
    }
    printf("> %s\n", line.c_str());
    if (line.rfind(want, 0) == 0) return true;
    if (forbidden && line.rfind(forbidden, 0) == 0) return false;
    line.clear();
  }
  return !want;
}

// Reports the failed step and ends the engine, which might otherwise search on forever.
static int fail(Engine& e, const char* step) {
  kill_engine(e);
  fprintf(stderr, "FAILED: %s\n", step);
  return 1;
}

int main(int argc, char** argv) {
  Engine e = {};
  if (argc < 2 || !start(e, argv + 1)) return fail(e, "starting the engine");
  if (!ask(e, "uci", "uciok")) return fail(e, "uci answered with uciok");
  if (!ask(e, "go infinite", "info depth 3")) return fail(e, "go infinite searches");
  if (!ask(e, "isready", "readyok", "bestmove")) return fail(e, "isready answered in the search");
  if (!ask(e, "stop", "bestmove")) return fail(e, "stop answered with a bestmove");
  ask(e, "position startpos moves e2e4", nullptr);
  if (!ask(e, "go wtime 2000 btime 2000", "bestmove")) return fail(e, "a timed go's bestmove");
  ask(e, "quit", nullptr);
  if (!ended_cleanly(e)) return fail(e, "quit ends it");

  // The end of the input during a search without end: the broken pipe counts as waiting input, so
  // the engine reads, meets the end, stops and answers before it exits.
  Engine second = {};
  if (!start(second, argv + 1)) return fail(second, "starting the engine again");
  if (!ask(second, "go infinite", "info depth 3")) return fail(second, "go infinite searches");
  close_input(second);
  if (!ask(second, nullptr, "bestmove")) return fail(second, "the end of input stops it");
  if (!ended_cleanly(second)) return fail(second, "the end of the input ends the engine");
  printf("pipe session passed\n");
  return 0;
}
