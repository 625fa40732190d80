#pragma once
#include "platform/SharedLibraries.h"

namespace zel {

// dlopen(3) with every symbol bound at load time and kept private to the
// library.
class TLinuxSharedLibraries : public ISharedLibraries {
 public:
  std::unique_ptr<ISharedLibrary> Load(const std::filesystem::path& path,
                                       std::string& error) override;
};

}  // namespace zel
