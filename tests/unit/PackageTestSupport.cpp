#include "PackageTestSupport.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace zel::test {

TTempDir::TTempDir() {
  std::random_device random;
  FPath = std::filesystem::temp_directory_path() /
          ("zel-test-" + std::to_string(getpid()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(FPath);
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

namespace {
void Put(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t value, int width) {
  for (int i = 0; i < width; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
}  // namespace

std::vector<std::uint8_t> MinimalElf() {
  std::vector<std::uint8_t> b(64, 0);
  b[0] = 0x7F, b[1] = 'E', b[2] = 'L', b[3] = 'F';
  b[4] = 2;  // 64-bit
  b[5] = 1;  // little-endian
  b[6] = 1;
  Put(b, 0x10, 2, 2);     // ET_EXEC
  Put(b, 0x12, 0x3E, 2);  // x86-64
  Put(b, 0x34, 64, 2);    // header size
  Put(b, 0x36, 56, 2);    // program header entry size
  Put(b, 0x3A, 64, 2);    // section header entry size
  return b;
}

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
                     int width) {
  Put(bytes, at, value, width);
}

std::vector<std::uint8_t> MakeElf(const std::vector<TElfRange>& segments,
                                  const std::vector<TElfRange>& sections, std::size_t fileSize) {
  std::vector<std::uint8_t> b = MinimalElf();
  const std::size_t phoff = 64;
  const std::size_t shoff = phoff + 56 * segments.size();
  const std::size_t sectionCount = sections.empty() ? 0 : sections.size() + 1;
  b.resize(std::max(fileSize, shoff + 64 * sectionCount), 0);
  if (!segments.empty()) {
    Put(b, 0x20, phoff, 8);
    Put(b, 0x38, segments.size(), 2);
  }
  for (std::size_t i = 0; i < segments.size(); ++i) {
    const std::size_t at = phoff + 56 * i;
    Put(b, at, 1, 4);  // PT_LOAD
    Put(b, at + 0x08, segments[i].Offset, 8);
    Put(b, at + 0x20, segments[i].Size, 8);
  }
  if (sectionCount != 0) {
    Put(b, 0x28, shoff, 8);
    Put(b, 0x3C, sectionCount, 2);
  }
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const std::size_t at = shoff + 64 * (i + 1);
    Put(b, at + 4, 1, 4);  // SHT_PROGBITS
    Put(b, at + 0x18, sections[i].Offset, 8);
    Put(b, at + 0x20, sections[i].Size, 8);
  }
  return b;
}

std::vector<std::uint8_t> MakePe(const std::vector<TPeSection>& sections, std::size_t fileSize) {
  constexpr std::size_t PeOffset = 0x80;
  constexpr std::size_t OptionalSize = 0xF0;
  const std::size_t tableStart = PeOffset + 4 + 20 + OptionalSize;
  const std::size_t headerEnd = tableStart + 40 * sections.size();
  std::vector<std::uint8_t> b(std::max(fileSize, headerEnd), 0);
  b[0] = 'M', b[1] = 'Z';
  Put(b, 0x3C, PeOffset, 4);
  b[PeOffset] = 'P', b[PeOffset + 1] = 'E';
  Put(b, PeOffset + 4, 0x8664, 2);
  Put(b, PeOffset + 4 + 2, sections.size(), 2);
  Put(b, PeOffset + 4 + 16, OptionalSize, 2);
  for (std::size_t i = 0; i < sections.size(); ++i) {
    Put(b, tableStart + 40 * i + 16, sections[i].SizeOfRawData, 4);
    Put(b, tableStart + 40 * i + 20, sections[i].PointerToRawData, 4);
  }
  return b;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace zel::test
