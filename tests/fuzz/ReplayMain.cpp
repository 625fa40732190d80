// Runs a fuzz target over files and folders of inputs, without libFuzzer:
// the regular build replays the seed corpus and the kept crash inputs.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "FuzzTarget.h"

namespace {

int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  // A copy of its own, so that reading past the input is caught by the
  // sanitizers as it would be under libFuzzer.
  auto* data = new std::uint8_t[bytes.size()];
  std::copy(bytes.begin(), bytes.end(), data);
  LLVMFuzzerTestOneInput(data, bytes.size());
  delete[] data;
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    if (std::filesystem::is_directory(path)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(path))
        if (entry.is_regular_file()) count += RunFile(entry.path());
    } else if (std::filesystem::exists(path)) {
      count += RunFile(path);
    }
  }
  std::cout << "replayed " << count << " inputs\n";
  return 0;
}
