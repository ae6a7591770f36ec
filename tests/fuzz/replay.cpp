// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target over the saved inputs named on its command line, so the corpus and the
// regression cases stay tests where no fuzzing compiler is at hand.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (freopen("/dev/null", "w", stdout) == nullptr) return 2;
  for (int a = 1; a < argc; a++) {
    std::ifstream in(argv[a], std::ios::binary);
    const std::string data{std::istreambuf_iterator<char>(in), {}};
    fprintf(stderr, "%s\n", argv[a]);
    LLVMFuzzerTestOneInput((const uint8_t*)data.data(), data.size());
  }
  return argc > 1 ? 0 : 1;
}
