// Runs a fuzz target over saved inputs, every file of the directories given, so corpus and
// regression cases stay tests where no fuzzing compiler is at hand.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (freopen("/dev/null", "w", stdout) == nullptr) return 2;
  int runs = 0;
  for (int a = 1; a < argc; a++) {
    if (!fs::is_directory(argv[a])) continue;
    std::set<fs::path> files;  // sorted, so a failure repeats in the same order
    for (const auto& e : fs::directory_iterator(argv[a]))
      if (e.is_regular_file()) files.insert(e.path());
    for (const fs::path& p : files) {
      std::ifstream in(p, std::ios::binary);
      std::stringstream bytes;
      bytes << in.rdbuf();
      const std::string data = bytes.str();
      fprintf(stderr, "%s\n", p.c_str());
      LLVMFuzzerTestOneInput((const uint8_t*)data.data(), data.size());
      runs++;
    }
  }
  fprintf(stderr, "%d inputs replayed\n", runs);
  return runs > 0 ? 0 : 1;
}
