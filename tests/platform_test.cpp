// The input check of the search under a storm of signals: a look cut short is no input.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include "platform.h"

static void on_alarm(int) {}

TEST(Platform, SignalsDoNotPassForInput) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const int saved = dup(0);
  dup2(fds[0], 0);
  struct sigaction alarm = {}, old;
  alarm.sa_handler = on_alarm;  // no SA_RESTART: the signal cuts system calls short
  sigaction(SIGALRM, &alarm, &old);
  itimerval often = {{0, 50}, {0, 50}}, off = {};
  setitimer(ITIMER_REAL, &often, nullptr);
  int seen = 0;
  for (int i = 0; i < 20000; i++) seen += bioskey();
  setitimer(ITIMER_REAL, &off, nullptr);
  sigaction(SIGALRM, &old, nullptr);
  dup2(saved, 0);
  close(saved), close(fds[0]), close(fds[1]);
  EXPECT_EQ(seen, 0);
}
