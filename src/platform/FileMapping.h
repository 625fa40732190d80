#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

namespace zel {

// A read-only view of a whole file's bytes that stays valid while the object
// lives. Pages are brought in by the system on first touch, so mapping a large
// file costs neither time nor resident memory up front.
class IMappedFile {
 public:
  virtual ~IMappedFile() = default;
  virtual std::span<const std::uint8_t> Bytes() const = 0;
};

class IFileMapping {
 public:
  virtual ~IFileMapping() = default;
  // Throws std::system_error when the file cannot be opened or mapped.
  virtual std::unique_ptr<IMappedFile> MapReadOnly(const std::filesystem::path& path) = 0;
};

}  // namespace zel
