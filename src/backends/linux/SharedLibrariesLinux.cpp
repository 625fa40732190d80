#include "backends/linux/SharedLibrariesLinux.h"

#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <unistd.h>

#include <cstdlib>

namespace zel {
namespace {

// Whether a library may look up its symbols in its own dependencies before
// the program's (RTLD_DEEPBIND). The engine library brings in the web engine
// with tens of thousands of relocations; each lookup would otherwise first
// walk every library the program itself links, which costs about a fifth of
// the engine's load time. Deep binding would bypass what was placed in front
// on purpose, so it is used only when nothing is: no preloaded library and
// the C library's own allocator (not a sanitizer's or a replacement).
bool MayBindDeeply() {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload != nullptr && *preload != '\0') return false;
  if (access("/etc/ld.so.preload", F_OK) == 0) return false;
  Dl_info allocator{}, libc{};
  void* allocate = dlsym(RTLD_DEFAULT, "malloc");
  return allocate != nullptr && dladdr(allocate, &allocator) != 0 &&
         dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &libc) != 0 &&
         allocator.dli_fbase == libc.dli_fbase;
}

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
  int mode = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
  if (MayBindDeeply()) mode |= RTLD_DEEPBIND;
  void* handle = dlopen(file.c_str(), mode);
  if (handle == nullptr) {
    const char* text = dlerror();
    error = text ? text : "Cannot load " + file;
    return nullptr;
  }
  error.clear();
  return std::make_unique<TLinuxSharedLibrary>(handle);
}

}  // namespace zel
