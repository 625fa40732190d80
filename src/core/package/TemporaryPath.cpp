#include "core/package/TemporaryPath.h"

#include <cstdint>
#include <random>
#include <string>

#include "core/text/PathText.h"

namespace zel {

std::filesystem::path TemporaryPathBeside(const std::filesystem::path& target, std::string_view suffix) {
  std::random_device random;
  // Two draws: instances writing the same target at once must not meet.
  const std::uint64_t number = (std::uint64_t{random()} << 32) | random();
  std::filesystem::path name = ".";
  name += target.filename();
  name += Utf8ToPath("." + std::to_string(number) + std::string(suffix));
  return target.parent_path() / name;
}

}  // namespace zel
