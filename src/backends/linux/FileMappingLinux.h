#pragma once
#include "platform/FileMapping.h"

namespace zel {

// mmap(2) of the whole file, read-only and private.
class TLinuxFileMapping : public IFileMapping {
 public:
  std::unique_ptr<IMappedFile> MapReadOnly(const std::filesystem::path& path) override;
};

}  // namespace zel
