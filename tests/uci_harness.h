// Driving the engine as a child process over pipes, or in-process through HandleLine. Every wait
// is bounded, so a hung engine fails its test instead of hanging the run; no bound measures speed.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "board.h"
#include "data.h"
#include "diag.h"
#include "hash.h"
#include "option.h"
#include "protocol.h"

namespace uci {

using Lines = std::vector<std::string>;
constexpr int kTimeoutMs = 30000;
constexpr int kKilled = -1;  // wait_exit(): the engine did not end in time and was killed
const char* const kBanner = "info string Zeltro 1800 32bit Build 4";

// Deadlines are milliseconds on the steady clock; left() is the time to one, never negative.
inline long long now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
inline int left(long long deadline) {
  return (int)std::max(0LL, deadline - now_ms());
}
inline void close_fd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

struct Engine {
  pid_t pid = -1;
  int to_engine = -1, from_engine = -1, from_stderr = -1;
  std::string pending, errors;  // output not yet handed out as lines; all of standard error
  bool reaped = false;

  ~Engine() {  // kills an engine still running
    close_fd(to_engine), close_fd(from_engine), close_fd(from_stderr);
    if (pid > 0 && !reaped) kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
  }
};

// Runs ZELTRO_EXE with args and pipes on its standard input, output and error.
inline bool start(Engine& e, const Lines& args = {}) {
  signal(SIGPIPE, SIG_IGN);  // a dead engine shows as a failed write, not a dead test
  // When the test itself runs without standard input (or output), a pipe would take that
  // descriptor and be lost in the child's rewiring; /dev/null holds the place instead.
  for (int fd = 0; fd < 3; fd++)
    if (fcntl(fd, F_GETFD) < 0) open("/dev/null", O_RDWR);
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return false;
  std::vector<char*> argv{const_cast<char*>(ZELTRO_EXE)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if ((e.pid = fork()) == 0) {
    signal(SIGPIPE, SIG_DFL);
    dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
    execv(ZELTRO_EXE, argv.data());
    _exit(127);
  }
  close(in[0]), close(out[1]), close(err[1]);
  e.to_engine = in[1], e.from_engine = out[0], e.from_stderr = err[0];
  fcntl(e.to_engine, F_SETFL, O_NONBLOCK);
  return e.pid > 0;
}

// Waits up to wait_ms for output (or room in write_fd), reads it, and closes pipes that ended.
inline void pump(Engine& e, int wait_ms, int write_fd = -1) {
  pollfd fds[3] = {{e.from_engine, POLLIN, 0}, {e.from_stderr, POLLIN, 0}, {write_fd, POLLOUT, 0}};
  if (poll(fds, 3, wait_ms) <= 0) return;
  std::pair<int*, std::string*> pipes[2] = {{&e.from_engine, &e.pending},
                                            {&e.from_stderr, &e.errors}};
  for (int i = 0; i < 2; i++) {
    char buf[65536];
    ssize_t n = fds[i].revents ? read(*pipes[i].first, buf, sizeof buf) : -1;
    if (n > 0) pipes[i].second->append(buf, n);
    if (n == 0 || (n < 0 && fds[i].revents && errno != EINTR)) close_fd(*pipes[i].first);
  }
}

// Writes the bytes, draining output meanwhile so that an engine blocked on it cannot stall us.
inline bool send_raw(Engine& e, const std::string& bytes) {
  const long long end = now_ms() + kTimeoutMs;
  size_t done = 0;
  while (done < bytes.size() && e.to_engine >= 0 && left(end) > 0) {
    ssize_t n = write(e.to_engine, bytes.data() + done, bytes.size() - done);
    if (n > 0) done += n;
    if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    if (n < 0) pump(e, 50, e.to_engine);
  }
  return done == bytes.size();
}
inline bool send(Engine& e, const std::string& line) {
  return send_raw(e, line + "\n");
}

// Output lines up to and including the first one beginning with prefix, or, without a prefix
// (nullptr), up to the end of the output. On failure: the lines read, then "<timeout>" or
// "<end of output>".
inline Lines read_until(Engine& e, const char* prefix, int timeout_ms = kTimeoutMs) {
  Lines lines;
  for (const long long end = now_ms() + timeout_ms;; pump(e, left(end))) {
    for (size_t nl; (nl = e.pending.find('\n')) != std::string::npos;) {
      lines.push_back(e.pending.substr(0, nl));
      e.pending.erase(0, nl + 1);
      if (prefix && lines.back().starts_with(prefix)) return lines;
    }
    if (e.from_engine < 0) {
      if (!e.pending.empty()) lines.push_back(std::exchange(e.pending, ""));
      if (prefix) lines.push_back("<end of output>");
      return lines;
    }
    if (left(end) == 0) {
      lines.push_back("<timeout>");
      return lines;
    }
  }
}
inline Lines read_rest(Engine& e, int timeout_ms = kTimeoutMs) {
  return read_until(e, nullptr, timeout_ms);
}

// Starts the engine and reads its banner.
inline bool launch(Engine& e) {
  return start(e) && read_until(e, "") == Lines{kBanner};
}

// The reply to line: what came before the "readyok" to an "isready" sent behind it.
inline Lines ask(Engine& e, const std::string& line, int timeout_ms = kTimeoutMs) {
  if (!send(e, line + "\nisready")) return {"<engine gone>"};
  Lines lines = read_until(e, "readyok", timeout_ms);
  if (lines.back() == "readyok") lines.pop_back();
  return lines;
}

// Exit status, 128 + signal number after a signal, or kKilled.
inline int wait_exit(Engine& e, int timeout_ms = kTimeoutMs) {
  int status = 0;
  for (const long long end = now_ms() + timeout_ms; e.pid > 0 && !e.reaped; pump(e, 20)) {
    if (waitpid(e.pid, &status, WNOHANG) == e.pid) {
      e.reaped = true;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (left(end) == 0) kill(e.pid, SIGKILL), waitpid(e.pid, nullptr, 0), e.reaped = true;
  }
  return kKilled;
}

// Sends "quit": the exit status, or kKilled when the engine is gone or does not end in time.
inline int quit(Engine& e) {
  return send(e, "quit") ? wait_exit(e) : kKilled;
}

// One run with arguments and empty input.
struct Run {
  int status;
  Lines out;
  std::string errors;
};
inline Run run(const Lines& args, int timeout_ms = kTimeoutMs) {
  Engine e;
  if (!start(e, args)) return {kKilled, {"<could not start>"}, ""};
  close_fd(e.to_engine);
  Lines out = read_rest(e, timeout_ms);
  int status = wait_exit(e, timeout_ms);
  for (const long long end = now_ms() + timeout_ms; e.from_stderr >= 0 && left(end) > 0;)
    pump(e, left(end));
  return {status, out, e.errors};
}

inline Lines split_lines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// In-process: tables, options and the start position, set up once per test process.
inline void engine_in_process() {
  static bool ready = false;
  if (ready) return;
  OptionStart();
  GenInit();
  if (hashREC == nullptr) init_ttable(OptionUci.Hash);
  init_hash();
  init_board(spos);
  ply = 0;
  gen();
  ready = true;
}

// Runs one command line through the handler; returns the lines it printed.
inline Lines handle(std::string line) {
  testing::internal::CaptureStdout();
  HandleLine(line.data());
  return split_lines(testing::internal::GetCapturedStdout());
}

}  // namespace uci
