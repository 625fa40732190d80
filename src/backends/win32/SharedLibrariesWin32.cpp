#include "backends/win32/SharedLibrariesWin32.h"

#include "backends/win32/SystemErrorWin32.h"
#include "backends/win32/Win32.h"
#include "core/text/PathText.h"
#include "core/text/SystemMessage.h"

namespace zel {
namespace {

class TWin32SharedLibrary : public ISharedLibrary {
 public:
  explicit TWin32SharedLibrary(HMODULE module) : FModule(module) {}
  ~TWin32SharedLibrary() override { FreeLibrary(FModule); }
  TWin32SharedLibrary(const TWin32SharedLibrary&) = delete;
  TWin32SharedLibrary& operator=(const TWin32SharedLibrary&) = delete;

  void* Symbol(const std::string& name) override {
    return reinterpret_cast<void*>(GetProcAddress(FModule, name.c_str()));
  }

 private:
  HMODULE FModule;
};

}  // namespace

std::unique_ptr<ISharedLibrary> TWin32SharedLibraries::Load(const std::filesystem::path& path,
                                                            std::string& error) {
  // A bare name would be searched for in the system's folders and on PATH;
  // the caller always means a file. LOAD_WITH_ALTERED_SEARCH_PATH needs an
  // absolute path.
  std::error_code ignored;
  const std::filesystem::path file = std::filesystem::absolute(path, ignored);
  // No "cannot find the library" box from the system for a missing
  // dependency: the caller reports it.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  const DWORD code = GetLastError();
  SetErrorMode(previousMode);
  if (module == nullptr) {
    error = "Cannot load " + PathToUtf8(file) + ": " + TrimSystemMessage(SystemErrorText(code));
    return nullptr;
  }
  error.clear();
  return std::make_unique<TWin32SharedLibrary>(module);
}

}  // namespace zel
