#pragma once
#include <filesystem>
#include <memory>
#include <string>

namespace zel {

class ISharedLibrary {
 public:
  virtual ~ISharedLibrary() = default;
  // Address of an exported symbol, or nullptr.
  virtual void* Symbol(const std::string& name) = 0;
};

class ISharedLibraries {
 public:
  virtual ~ISharedLibraries() = default;
  // nullptr when the library cannot be loaded; `error` says why.
  virtual std::unique_ptr<ISharedLibrary> Load(const std::filesystem::path& path, std::string& error) = 0;
};

}  // namespace zel
