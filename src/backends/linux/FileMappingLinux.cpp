#include "backends/linux/FileMappingLinux.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace zel {
namespace {

class TLinuxMappedFile : public IMappedFile {
 public:
  TLinuxMappedFile(void* address, std::size_t size) : FAddress(address), FSize(size) {}
  ~TLinuxMappedFile() override {
    if (FSize) munmap(FAddress, FSize);
  }
  std::span<const std::uint8_t> Bytes() const override {
    return {static_cast<const std::uint8_t*>(FAddress), FSize};
  }

 private:
  void* FAddress;
  std::size_t FSize;
};

}  // namespace

std::unique_ptr<IMappedFile> TLinuxFileMapping::MapReadOnly(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "Cannot open " + path.string());
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    throw std::system_error(error, std::generic_category(), "Cannot read " + path.string());
  }
  const auto size = static_cast<std::size_t>(st.st_size);
  void* address = nullptr;
  if (size > 0) {
    address = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (address == MAP_FAILED) {
      const int error = errno;
      close(fd);
      throw std::system_error(error, std::generic_category(), "Cannot map " + path.string());
    }
  }
  close(fd);  // the mapping keeps the file's pages reachable
  return std::make_unique<TLinuxMappedFile>(address, size);
}

}  // namespace zel
