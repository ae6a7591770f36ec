// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the in-process tests: square names and a fixture with the engine set up.
#pragma once

#include "uci_harness.h"

// Board square of a name like "e4" (a8 = 0).
inline int sq(const char* name) {
  return (8 - (name[1] - '0')) * 8 + (name[0] - 'a');
}

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { uci::engine_in_process(); }
  void TearDown() override { ply = 0, OptionUci = saved; }
  const option_uci_t saved = OptionUci;  // the options each test finds, put back after it

  static void setup(const std::string& text) {
    init_board(text.c_str());
    ASSERT_FALSE(fen_refused) << text;
  }
};
