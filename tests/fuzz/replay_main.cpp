// Replays fuzz inputs through a target's entry point without libFuzzer, so
// every host build (g++, ASan, TSan) runs the kept corpus and the inputs of
// past findings as an ordinary test. Arguments: files or folders of inputs.
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

void replay(const std::filesystem::path &file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, as libFuzzer hands it over.
  std::vector<uint8_t> exact(bytes);
  LLVMFuzzerTestOneInput(exact.data(), exact.size());
}

}  // namespace

int main(int argc, char **argv) {
  if (LLVMFuzzerInitialize != nullptr) LLVMFuzzerInitialize(&argc, &argv);
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::filesystem::path> files;
    if (!std::filesystem::exists(argv[i])) {
      fprintf(stderr, "no such input: %s\n", argv[i]);
      return 1;
    }
    if (std::filesystem::is_directory(argv[i])) {
      for (const auto &entry : std::filesystem::directory_iterator(argv[i])) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else {
      files.push_back(argv[i]);
    }
    for (const auto &file : files) {
      replay(file);
      ++replayed;
    }
  }
  printf("replayed %d inputs\n", replayed);
  // No input at all means a corpus went missing: that is a failure too.
  return replayed > 0 ? 0 : 1;
}
