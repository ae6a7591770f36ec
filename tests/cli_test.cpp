// The command line's help, version and exit statuses, and the manual against the engine.

#include <fstream>
#include <sstream>

#include "uci_harness.h"

namespace {

using uci::Lines;

TEST(CommandLine, HelpVersionAndBadArguments) {
  uci::Run help = uci::run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.errors, "");
  ASSERT_FALSE(help.out.empty());
  EXPECT_EQ(help.out[0], "Usage: zeltro [COMMAND]");
  EXPECT_EQ(uci::run({"-h"}).out, help.out);
  uci::Run version = uci::run({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, Lines{"Zeltro 1800 Build 4"});

  const std::string suite = TEST_DATA_DIR "/tactics.epd";
  for (Lines args : {Lines{"--version", "x"}, Lines{"-h", "x"}, Lines{"--helps"}, Lines{"epd"},
                     Lines{"epd", suite, "depth"}, Lines{"epd", suite, "depth", "0"},
                     Lines{"epd", suite, "depth", "101"}, Lines{"epd", suite, "movetime", "1s"},
                     Lines{"epd", suite, "nodes", "5"}, Lines{"epd", TEST_DATA_DIR "/none.epd"}}) {
    uci::Run r = uci::run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_EQ(r.out, Lines{}) << args.back();
    EXPECT_TRUE(r.errors.starts_with("zeltro: ") && r.errors.find('\n') == r.errors.size() - 1)
        << args.back() << ": " << r.errors;
  }
}

// Every option the engine announces is in the manual with its type, range and default.
TEST(ManPage, ListsEveryAnnouncedOptionAsTheEngineDeclaresIt) {
  std::ifstream file(TEST_DATA_DIR "/../../docs/zeltro.6");
  std::stringstream page;
  page << file.rdbuf();
  auto roff = [](std::string text) {  // a minus sign is written \- in the manual
    for (size_t at = 0; (at = text.find('-', at)) != std::string::npos; at += 2)
      text.insert(at, "\\");
    return text;
  };
  uci::Engine e;
  ASSERT_TRUE(uci::launch(e));
  int options = 0;
  for (const std::string& line : uci::ask(e, "uci")) {
    char name[64], type[16], low[16], high[16], init[16];
    int n = sscanf(line.c_str(), "option name %63s type %15s default %15s min %15s max %15s", name,
                   type, init, low, high);
    if (n < 3) continue;
    options++;
    std::string entry = std::string(".B ") + name + "\n" + type + ", " +
                        (n == 5 ? roff(low) + " to " + roff(high) + ", " : "") + "default " +
                        roff(init);
    EXPECT_NE(page.str().find(entry), std::string::npos) << entry;
  }
  EXPECT_EQ(options, 11);
  EXPECT_EQ(uci::quit(e), 0);
}

}  // namespace
