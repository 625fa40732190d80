// The package over Linux's own files: real ELF executables and the mapped
// executable file.
#include <gtest/gtest.h>

#include <filesystem>

#include "PackageTestSupport.h"
#include "backends/linux/FileMappingLinux.h"
#include "core/package/AttachedPackage.h"
#include "core/package/ExeUtils.h"
#include "core/package/ImageEnd.h"
#include "core/package/PackageWriter.h"

namespace zel {
namespace {

constexpr const char* Password = "Test-Pass9#word";

TEST(ImageEnd, ElfOfRealExecutablesIsTheirSize) {
  // Neither the test program nor the runtime template carries anything after its image.
  for (const std::filesystem::path& exe : {std::filesystem::read_symlink("/proc/self/exe"),
                                           std::filesystem::path(ZEL_BIN_DIR) / "zel-runtime"}) {
    SCOPED_TRACE(exe);
    TFileStream stream(exe, TFileMode::OpenRead);
    EXPECT_EQ(ImageEnd(stream), std::filesystem::file_size(exe));
  }
}

TEST(AttachedPackage, OpensInPlace) {
  test::TTempDir dir;
  {
    TPackageWriter writer(dir / "p.zip", Password, TPackageEncryption::TraditionalPkware);
    writer.AddBytes("app/Index.HTML", "<h1>stored, zipcrypto</h1>");
    writer.Commit();
  }
  const auto exe = dir / "app";
  test::WriteFile(exe, test::MinimalElf());
  TExeUtils(exe).AppendZipToExe(dir / "p.zip", exe);
  TLinuxFileMapping mapping;
  auto package = TAttachedPackage::Open(mapping, exe, Password);
  EXPECT_EQ(package->Offset(), 64u);
  EXPECT_EQ(package->Size(), std::filesystem::file_size(dir / "p.zip"));
  EXPECT_EQ(package->Zip().ExtractToString("APP/INDEX.html"), "<h1>stored, zipcrypto</h1>");

  // A single byte after the image is a package, but not an archive.
  test::WriteFile(exe, test::MinimalElf());
  test::WriteFile(dir / "one", std::string("P"));
  TExeUtils(exe).AppendZipToExe(dir / "one", exe);
  EXPECT_TRUE(TExeUtils(exe).ExeHasAttachedStub());
  EXPECT_THROW(TAttachedPackage::Open(mapping, exe, Password), EZipError);

  test::WriteFile(exe, test::MinimalElf());
  EXPECT_THROW(TAttachedPackage::Open(mapping, exe, Password), ENoPackageError);
}

}  // namespace
}  // namespace zel
