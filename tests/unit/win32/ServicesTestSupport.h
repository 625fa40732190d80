#pragma once
// Helpers of the Win32 backend's tests, which run against the real system
// (Wine's under scripts/windows-test.sh).
#include <windows.h>

#include <filesystem>
#include <random>
#include <string>

#include "../PackageTestSupport.h"
#include "core/text/PathText.h"

namespace zel::test {

// A name no other test run uses.
inline std::string UniqueName(const std::string& prefix) {
  std::random_device random;
  return prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(random());
}

// A new folder below the temporary folder, deleted with everything in it.
class TTemporaryFolder {
 public:
  TTemporaryFolder()
      : FPath(std::filesystem::temp_directory_path() / Utf8ToPath(UniqueName("zel-win32"))) {
    std::filesystem::create_directories(FPath);
  }
  ~TTemporaryFolder() {
    std::error_code ignored;
    // Read-only entries first made writable, or removal would stop at them.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(FPath, ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(FPath, ignored);
  }
  TTemporaryFolder(const TTemporaryFolder&) = delete;
  TTemporaryFolder& operator=(const TTemporaryFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  // `name` (UTF-8) inside the folder.
  std::filesystem::path operator/(const std::string& name) const {
    return FPath / Utf8ToPath(name);
  }

 private:
  std::filesystem::path FPath;
};

inline std::filesystem::path TestChild() { return Utf8ToPath(ZEL_WIN32_TEST_CHILD); }

// Non-ASCII names: Latin letters with marks, Greek, CJK and a character
// beyond the BMP (a surrogate pair in UTF-16).
inline const char* const UnicodeName = "Zeł-Ünïcödé-Ωμέγα-日本語-\xF0\x9F\x8E\x89";

}  // namespace zel::test
