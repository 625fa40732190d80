#pragma once
#include "platform/FileMapping.h"

namespace zel {

// CreateFileMappingW and MapViewOfFile of the whole file, read-only. The
// file stays open for reading and deleting by others.
class TWin32FileMapping : public IFileMapping {
 public:
  std::unique_ptr<IMappedFile> MapReadOnly(const std::filesystem::path& path) override;
};

}  // namespace zel
