// SPDX-License-Identifier: GPL-3.0-or-later
// The engine as a child process over pipes, or in-process (HandleLine, the EngineTest fixture).
// Every read is bounded, so a hung engine fails its test, not the run; no bound measures speed.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "fen.h"
#include "hash.h"
#include "movetext.h"
#include "option.h"
#include "protocol.h"
#include "search.h"

namespace uci {

using Lines = std::vector<std::string>;
constexpr int kTimeoutMs = 30000;
constexpr int kHangGuardMs = 20000;  // added to the time a search may report

inline long long now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

inline Lines split_lines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string file_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// An engine on pipes (its standard error is the test's); one still running at the end is killed.
struct Engine {
  pid_t pid = -1;
  int to_engine = -1, from_engine = -1;
  std::string pending;  // output not yet handed out as lines
  ~Engine() {
    if (to_engine >= 0) close(to_engine);
    if (from_engine >= 0) close(from_engine);
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
};

// False when the engine is gone.
inline bool send(Engine& e, const std::string& text, const char* end = "\n") {
  const std::string bytes = text + end;
  ssize_t n = 0;
  for (size_t done = 0; done < bytes.size(); done += n)
    if ((n = write(e.to_engine, &bytes[done], bytes.size() - done)) <= 0) return false;
  return true;
}

// Output lines up to and including the first one beginning with prefix, or, without a prefix,
// up to the end of the output. Cut short, they end in "<timeout>" or "<end of output>".
inline Lines read_until(Engine& e, const char* prefix, int timeout_ms = kTimeoutMs) {
  Lines lines;
  char buf[65536];
  for (const long long end = now_ms() + timeout_ms;;) {
    for (size_t nl; (nl = e.pending.find('\n')) != std::string::npos;) {
      lines.push_back(e.pending.substr(0, nl));
      e.pending.erase(0, nl + 1);
      if (prefix && lines.back().starts_with(prefix)) return lines;
    }
    pollfd ready = {e.from_engine, POLLIN, 0};
    const int wait = (int)std::max(0LL, end - now_ms());
    const ssize_t n = poll(&ready, 1, wait) > 0 ? read(e.from_engine, buf, sizeof buf) : -1;
    if (n > 0) e.pending.append(buf, n);
    const bool ended = n == 0, late = n < 0 && now_ms() >= end;
    if (ended && prefix) lines.push_back("<end of output>");
    if (late) lines.push_back("<timeout>");
    if (ended || late) return lines;
  }
}

// Runs ZELTRO_EXE in dir (or here), seeded unless seed is empty, and reads its banner. A dead
// engine is a failed write, not a dead test; /dev/null holds a missing standard descriptor.
inline bool launch(Engine& e, const char* dir = nullptr, const std::string& seed = "") {
  signal(SIGPIPE, SIG_IGN);
  for (int fd = 0; fd < 3; fd++)
    if (fcntl(fd, F_GETFD) < 0) open("/dev/null", O_RDWR);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC)) return false;
  if ((e.pid = fork()) == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(in[0], 0), dup2(out[1], 1);
    if (!seed.empty()) setenv("ZELTRO_SEED", seed.c_str(), 1);
    if (dir == nullptr || chdir(dir) == 0) execl(ZELTRO_EXE, ZELTRO_EXE, nullptr);
    _exit(127);
  }
  close(in[0]), close(out[1]);
  e.to_engine = in[1], e.from_engine = out[0];
  return e.pid > 0 && read_until(e, "") == Lines{"info string Zeltro 1800 32bit Build 4"};
}

// The reply to text: what came before the "readyok" to an "isready" sent behind it, which must
// come even in the middle of a search.
inline Lines ask(Engine& e, const std::string& text) {
  Lines lines = send(e, text + "\nisready") ? read_until(e, "readyok") : Lines{"<engine gone>"};
  if (lines.back() == "readyok")
    lines.pop_back();
  else
    ADD_FAILURE() << "no readyok after " << text.substr(0, 80);
  return lines;
}

inline Lines search(Engine& e, const std::string& text) {
  return send(e, text) ? read_until(e, "bestmove") : Lines{"<engine gone>"};
}

// The exit status (128 + the number of a signal that ended it); one that lingers is killed.
inline int wait_exit(Engine& e) {
  int status = 0;
  if (e.pid < 0) return -1;
  for (const long long end = now_ms() + kTimeoutMs; waitpid(e.pid, &status, WNOHANG) == 0;) {
    if (now_ms() > end) kill(e.pid, SIGKILL);
    usleep(10000);
  }
  e.pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
inline int quit(Engine& e) {
  return send(e, "quit") ? wait_exit(e) : -1;
}

// One run with arguments and no input, killed after timeout_ms.
struct Run {
  int status;
  Lines out;
  std::string errors;
};
inline Run run(const Lines& args, int timeout_ms = kTimeoutMs) {
  const std::string to = testing::TempDir() + "zeltro_run_" + std::to_string(getpid());
  std::string command = "timeout -s KILL " + std::to_string(timeout_ms / 1000) + " " ZELTRO_EXE;
  for (const std::string& arg : args) command += " '" + arg + "'";
  const int status = system((command + " </dev/null >" + to + ".out 2>" + to + ".err").c_str());
  Run r = {WEXITSTATUS(status), split_lines(file_text(to + ".out")), file_text(to + ".err")};
  unlink((to + ".out").c_str()), unlink((to + ".err").c_str());
  return r;
}

// A reply's bestmove (and ponder) moves, and the milliseconds of the "info nodes N time T" before.
inline std::string bestmove(const Lines& out) {
  if (out.empty() || !out.back().starts_with("bestmove ")) return "<none>";
  return std::regex_replace(out.back().substr(9), std::regex(" ponder "), " ");
}
inline int reported_time(const Lines& out) {
  int ms = -1;
  if (out.size() >= 2) sscanf(out[out.size() - 2].c_str(), "info nodes %*d time %d", &ms);
  return ms;
}

// In-process: the engine set up once per test process, its searches reading no input.
inline void engine_in_process() {
  [[maybe_unused]] static const bool ready = (engine_init(), read_input_line = nullptr, true);
}

// The lines one command line prints, in-process.
inline Lines handle(std::string line) {
  engine_in_process();
  testing::internal::CaptureStdout();
  HandleLine(line.data());
  return split_lines(testing::internal::GetCapturedStdout());
}

// Whether the moves (words) can be played one after the other from the position line.
inline bool playable(const std::string& position, const std::string& moves) {
  handle(position);
  const int before = hply;
  handle(position + (position.find(" moves ") == std::string::npos ? " moves " : " ") + moves);
  return hply - before == (int)std::count(moves.begin(), moves.end(), ' ') + 1;
}

}  // namespace uci

// The engine set up in-process; the options each test finds are put back after it.
class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { uci::engine_in_process(); }
  void TearDown() override { ply = 0, OptionUci = saved; }
  const option_uci_t saved = OptionUci;

  static void setup(const std::string& text) {
    init_board(text.c_str());
    ASSERT_FALSE(fen_refused) << text;
  }
};
