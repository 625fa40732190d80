#include "backends/linux/SharedLibrariesLinux.h"

#include <dlfcn.h>

namespace zel {
namespace {

class TLinuxSharedLibrary : public ISharedLibrary {
 public:
  explicit TLinuxSharedLibrary(void* handle) : FHandle(handle) {}
  ~TLinuxSharedLibrary() override { dlclose(FHandle); }
  TLinuxSharedLibrary(const TLinuxSharedLibrary&) = delete;
  TLinuxSharedLibrary& operator=(const TLinuxSharedLibrary&) = delete;

  void* Symbol(const std::string& name) override { return dlsym(FHandle, name.c_str()); }

 private:
  void* FHandle;
};

}  // namespace

std::unique_ptr<ISharedLibrary> TLinuxSharedLibraries::Load(const std::filesystem::path& path,
                                                            std::string& error) {
  // A name without a slash would be searched on the library path; the
  // caller always means a file.
  std::string file = path.string();
  if (file.find('/') == std::string::npos) file = "./" + file;
  dlerror();
  // RTLD_NODELETE: a library that links the toolkit registers types and
  // handlers with it that cannot be undone, so it must stay mapped even
  // after the last handle is closed.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle == nullptr) {
    const char* text = dlerror();
    error = text ? text : "Cannot load " + file;
    return nullptr;
  }
  error.clear();
  return std::make_unique<TLinuxSharedLibrary>(handle);
}

}  // namespace zel
