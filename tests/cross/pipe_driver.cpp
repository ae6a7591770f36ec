// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the engine through anonymous pipes, as GUIs do, and plays a short UCI session through
// them: with CreateProcess on Windows (Wine cannot peek a pipe made on the Linux side), with fork
// and exec elsewhere, where the command may name an emulator first (qemu-aarch64 zeltro).
// Usage: zeltro_pipe_driver ENGINE [ARG...]. Exit status 0 when every step got its reply and the
// engine ended with status 0; the engine's lines are echoed with "> ", the commands with "< ".
// Reads block: run.sh bounds the whole session.
#include <cstdio>
#include <string>

static const int kExitMs = 30000;  // far beyond the time to end, even on a busy machine

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

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

#else
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

struct Engine {
  pid_t pid;
  int to_engine, from_engine;
};

static bool start(Engine& e, char** command) {
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) return false;
  e.pid = fork();
  if (e.pid < 0) return false;
  if (e.pid == 0) {
    dup2(in[0], STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(out[1], STDERR_FILENO);
    for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
    execvp(command[0], command);
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  e.to_engine = in[1];
  e.from_engine = out[0];
  return true;
}

static void write_text(Engine& e, const std::string& text) {
  if (write(e.to_engine, text.data(), text.size()) < 0) perror("write to the engine");
}

static bool read_byte(Engine& e, char* c) {
  return read(e.from_engine, c, 1) == 1;
}
static void close_input(Engine& e) {
  close(e.to_engine);
}
static void kill_engine(Engine& e) {
  if (e.pid > 0) kill(e.pid, SIGKILL);  // 0 would be this whole process group
}

static bool ended_cleanly(Engine& e) {
  const timespec pause = {0, 10 * 1000 * 1000};
  int status = 0;
  for (int waited = 0; waited < kExitMs; waited += 10) {
    if (waitpid(e.pid, &status, WNOHANG) == e.pid)
      return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    nanosleep(&pause, nullptr);
  }
  return false;
}
#endif

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
#if !defined(_WIN32)
  signal(SIGPIPE, SIG_IGN);  // an engine gone early shows as the end of its output
#endif
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
