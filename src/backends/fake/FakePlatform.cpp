#include "backends/fake/FakePlatform.h"

#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

namespace zel {
namespace {

class TFakeMappedFile : public IMappedFile {
 public:
  explicit TFakeMappedFile(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {}
  std::span<const std::uint8_t> Bytes() const override { return FBytes; }

 private:
  std::vector<std::uint8_t> FBytes;
};

}  // namespace

std::unique_ptr<IMappedFile> TFakeFileMapping::MapReadOnly(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory), path.string());
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return std::make_unique<TFakeMappedFile>(std::move(bytes));
}

}  // namespace zel
