#include "backends/win32/FileMappingWin32.h"

#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/Win32.h"
#include "core/text/PathText.h"

namespace zel {
namespace {

class TWin32MappedFile : public IMappedFile {
 public:
  TWin32MappedFile(const void* address, std::size_t size) : FAddress(address), FSize(size) {}
  ~TWin32MappedFile() override {
    if (FAddress != nullptr) UnmapViewOfFile(FAddress);
  }
  TWin32MappedFile(const TWin32MappedFile&) = delete;
  TWin32MappedFile& operator=(const TWin32MappedFile&) = delete;
  std::span<const std::uint8_t> Bytes() const override {
    return {static_cast<const std::uint8_t*>(FAddress), FSize};
  }

 private:
  const void* FAddress;
  std::size_t FSize;
};

// Closes a handle when it goes out of scope.
struct THandle {
  HANDLE Value;
  ~THandle() {
    if (Value != nullptr && Value != INVALID_HANDLE_VALUE) CloseHandle(Value);
  }
};

}  // namespace

std::unique_ptr<IMappedFile> TWin32FileMapping::MapReadOnly(const std::filesystem::path& path) {
  const THandle file{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (file.Value == INVALID_HANDLE_VALUE)
    ThrowWin32Error(GetLastError(), "Cannot open " + PathToUtf8(path));
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Value, &size))
    ThrowWin32Error(GetLastError(), "Cannot read " + PathToUtf8(path));
  // The system refuses to map an empty file: it has no bytes to show anyway.
  if (size.QuadPart == 0) return std::make_unique<TWin32MappedFile>(nullptr, 0);
  if (static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX)
    ThrowWin32Error(ERROR_NOT_ENOUGH_MEMORY, "Cannot map " + PathToUtf8(path));
  const THandle mapping{CreateFileMappingW(file.Value, nullptr, PAGE_READONLY, 0, 0, nullptr)};
  if (mapping.Value == nullptr) ThrowWin32Error(GetLastError(), "Cannot map " + PathToUtf8(path));
  // The view keeps the mapping and the file reachable after both handles close.
  const void* address = MapViewOfFile(mapping.Value, FILE_MAP_READ, 0, 0, 0);
  if (address == nullptr) ThrowWin32Error(GetLastError(), "Cannot map " + PathToUtf8(path));
  return std::make_unique<TWin32MappedFile>(address, static_cast<std::size_t>(size.QuadPart));
}

}  // namespace zel
