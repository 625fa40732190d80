#pragma once
// Fixtures for the package tests: tiny executable images and archives.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace zel::test {

// A fresh temporary folder, removed with the object.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

 private:
  std::filesystem::path FPath;
};

// A minimal ELF64 image: header only, no sections, image end 64.
std::vector<std::uint8_t> MinimalElf();

// A range of an ELF image's file: a segment's or a section's contents.
struct TElfRange {
  std::uint64_t Offset;
  std::uint64_t Size;
};
// An ELF64 image: the header, the program header table at 64 (when there are
// segments), then the section header table (when there are sections, with
// the null section first), padded to `fileSize` bytes.
std::vector<std::uint8_t> MakeElf(const std::vector<TElfRange>& segments,
                                  const std::vector<TElfRange>& sections, std::size_t fileSize);
// Writes `value` little-endian into `width` bytes at `at`.
void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value,
                     int width);

struct TPeSection {
  std::uint32_t PointerToRawData;
  std::uint32_t SizeOfRawData;
};
// A PE image with the given section table; the file is padded to
// `fileSize` bytes (at least the headers).
std::vector<std::uint8_t> MakePe(const std::vector<TPeSection>& sections, std::size_t fileSize);

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
std::string ReadFile(const std::filesystem::path& path);

}  // namespace zel::test
