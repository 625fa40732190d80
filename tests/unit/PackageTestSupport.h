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
