#pragma once
#include "platform/SharedLibraries.h"

namespace zel {

// LoadLibraryExW of the file itself (never a search), with the libraries it
// needs looked for in its own folder first; GetProcAddress for symbols.
class TWin32SharedLibraries : public ISharedLibraries {
 public:
  std::unique_ptr<ISharedLibrary> Load(const std::filesystem::path& path,
                                       std::string& error) override;
};

}  // namespace zel
