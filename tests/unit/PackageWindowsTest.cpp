// The package over Windows' own files: a real PE executable.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "core/package/ImageEnd.h"
#include "core/package/Stream.h"

namespace zel {
namespace {

std::filesystem::path ThisProgram() {
  std::wstring name(32768, L'\0');
  name.resize(GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size())));
  return name;
}

TEST(ImageEnd, PeOfARealExecutableIsItsSize) {
  // The test program is linked by the same toolchain as the runtime template
  // and its debug information moved out in the same way: nothing lies after
  // its sections (an unstripped one ends with a symbol table that they do
  // not cover).
  const std::filesystem::path exe = ThisProgram();
  ASSERT_FALSE(exe.empty());
  TFileStream stream(exe, TFileMode::OpenRead);
  EXPECT_EQ(ImageEnd(stream), std::filesystem::file_size(exe));
}

}  // namespace
}  // namespace zel
