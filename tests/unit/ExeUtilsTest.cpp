#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <random>

#include "PackageTestSupport.h"
#include "PeFixture.h"
#include "core/package/ExeResources.h"
#include "core/package/ExeUtils.h"
#include "core/package/ImageEnd.h"

namespace zel {
namespace {

using test::TTempDir;

std::uint64_t ImageEndOf(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), bytes.size());
  return ImageEnd(stream);
}

TEST(ImageEnd, ElfCountsSectionsSegmentsAndBothTables) {
  struct TCase {
    const char* Name;
    std::vector<test::TElfRange> Segments, Sections;
    std::uint64_t Expected;
  };
  const std::vector<TCase> cases = {
      {"header only", {}, {}, 64},
      {"sections past the tables", {}, {{0x100, 0x700}, {0x800, 0x10}}, 0x810},
      {"section table past the sections", {}, {{0x80, 0x10}}, 0x40 + 2 * 64},
      // A file without a section header table (as left by tools that strip
      // it) ends where its last segment's contents end.
      {"segments only", {{0, 0x400}, {0x1000, 0x234}}, {}, 0x1234},
      {"segment past the sections", {{0x400, 0xC00}}, {{0x200, 0x100}}, 0x1000},
      {"empty segment", {{0x1800, 0}}, {}, 0x1800},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ImageEndOf(test::MakeElf(c.Segments, c.Sections, 0x2000)), c.Expected);
  }
}

// Header fields of a crafted template are checked against the file's size
// before anything is read or allocated for them.
TEST(ImageEnd, ElfFieldsBeyondTheFileAreRefusedWithoutLargeAllocations) {
  const auto withSectionZeroCount = [](std::uint16_t entrySize, std::uint64_t count) {
    // A section table of one entry whose entry 0 gives the real count.
    auto image = test::MakeElf({}, {}, 0x20000);
    test::PutLittleEndian(image, 0x28, 0x40, 8);  // shoff
    test::PutLittleEndian(image, 0x3A, entrySize, 2);
    test::PutLittleEndian(image, 0x3C, 0, 2);
    test::PutLittleEndian(image, 0x40 + 0x20, count, 8);
    return image;
  };
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
      {"segment past the end", test::MakeElf({{0x1000, 0x1001}}, {}, 0x2000)},
      {"segment end wraps", test::MakeElf({{0xFFFFFFFFFFFFF000, 0x2000}}, {}, 0x2000)},
      {"section past the end", test::MakeElf({}, {{0x10, 0x2000}}, 0x2000)},
      {"section end wraps", test::MakeElf({}, {{0x10, 0xFFFFFFFFFFFFFFF8}}, 0x2000)},
      {"65 GB section table", withSectionZeroCount(0xFFFF, 999'999)},
      {"section count of 2^64 - 1", withSectionZeroCount(64, ~0ULL)},
  };
  for (const auto& [name, image] : cases) {
    SCOPED_TRACE(name);
    EXPECT_THROW(ImageEndOf(image), EImageFormatError);
  }
  auto manySegments = test::MakeElf({{0, 0x10}}, {}, 0x2000);
  test::PutLittleEndian(manySegments, 0x36, 0xFFFF, 2);  // entry size
  test::PutLittleEndian(manySegments, 0x38, 0xFFFE, 2);  // 4 GB of program headers
  EXPECT_THROW(ImageEndOf(manySegments), EImageFormatError);
}

TEST(ImageEnd, PeUsesLargestRawDataEndIn32Bits) {
  struct TCase {
    const char* Name;
    std::vector<test::TPeSection> Sections;
    std::uint64_t Expected;
  };
  const std::vector<TCase> cases = {
      {"largest end wins, not the last section", {{0x400, 0x200}, {0x1000, 0x800}, {0x600, 0x100}}, 0x1800},
      {"section without raw data adds 0", {{0x400, 0x200}, {0, 0}}, 0x600},
      {"sum wraps in 32 bits", {{0x400, 0x200}, {0xFFFFFF00, 0x200}}, 0x600},
      {"no sections", {}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(ImageEndOf(test::MakePe(c.Sections, 0x2000)), c.Expected);
  }
}

TEST(ImageEnd, RejectsWhatIsNoExecutable) {
  EXPECT_THROW(ImageEndOf(std::vector<std::uint8_t>(100, 'x')), EImageFormatError);
  EXPECT_THROW(ImageEndOf({'M', 'Z'}), EImageFormatError);
  auto badSignature = test::MakePe({{0x400, 0x200}}, 0x1000);
  badSignature[0x80] = 'X';
  EXPECT_THROW(ImageEndOf(badSignature), EImageFormatError);
  auto truncated = test::MakePe({{0x400, 0x200}}, 0);
  truncated.resize(truncated.size() - 8);  // section table cut short
  EXPECT_THROW(ImageEndOf(truncated), EImageFormatError);
}

TExecutableKind KindOf(const std::vector<std::uint8_t>& bytes) {
  TMemoryStream stream;
  stream.Write(bytes.data(), bytes.size());
  return ExecutableKind(stream);
}

TEST(ExecutableKind, ElfClassByteOrderAndMachineAndWindowsMachine) {
  using TBytes = std::vector<std::uint8_t>;
  auto elf = [](std::function<void(TBytes&)> change) {
    TBytes b = test::MinimalElf();
    change(b);
    return b;
  };
  auto pe = [](std::uint16_t machine) {
    TBytes b = test::BuildPe({});
    b[test::FixturePeOffset + 4] = machine & 0xFF;
    b[test::FixturePeOffset + 5] = machine >> 8;
    return b;
  };
  struct TCase {
    const char* Name;
    TBytes Bytes;
    TExecutableKind Expected;
  };
  const std::vector<TCase> cases = {
      {"ELF x86-64", test::MinimalElf(), TExecutableKind::ElfX86_64},
      {"ELF 32-bit", elf([](TBytes& b) { b[4] = 1; }), TExecutableKind::ElfOther},
      {"ELF big-endian", elf([](TBytes& b) { b[5] = 2; }), TExecutableKind::ElfOther},
      {"ELF big-endian, machine 62 in its order", elf([](TBytes& b) { b[5] = 2; b[18] = 0; b[19] = 62; }),
       TExecutableKind::ElfOther},
      {"ELF unknown byte order", elf([](TBytes& b) { b[5] = 0; }), TExecutableKind::ElfOther},
      {"ELF AArch64", elf([](TBytes& b) { b[18] = 183; }), TExecutableKind::ElfOther},
      {"ELF cut before its machine", elf([](TBytes& b) { b.resize(19); }), TExecutableKind::Other},
      {"ELF of 20 bytes", elf([](TBytes& b) { b.resize(20); }), TExecutableKind::ElfX86_64},
      {"PE32+ x64", pe(0x8664), TExecutableKind::PeX64},
      {"PE32+ ARM64", pe(0xAA64), TExecutableKind::PeOther},
      {"text", TBytes(100, 'x'), TExecutableKind::Other},
      {"empty", TBytes{}, TExecutableKind::Other},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(KindOf(c.Bytes), c.Expected);
  }
  // A Windows executable the resource reader refuses says why.
  TBytes pe32 = pe(0x14C);
  pe32[test::FixtureOptionalHeader] = 0x0B;
  pe32[test::FixtureOptionalHeader + 1] = 0x01;
  const std::vector<std::pair<TBytes, std::string>> refused = {
      {pe32, "not a 64-bit (PE32+) executable"},
      {TBytes{'M', 'Z'}, "not a Windows executable"},
  };
  for (const auto& [bytes, reason] : refused) {
    SCOPED_TRACE(reason);
    try {
      KindOf(bytes);
      ADD_FAILURE() << "accepted";
    } catch (const EExeResourceError& e) {
      EXPECT_EQ(std::string(e.what()), reason);
    }
  }
}

class ExeUtilsTest : public ::testing::Test {
 protected:
  std::filesystem::path MakeTemplate() {
    const auto path = FDir / "runtime";
    test::WriteFile(path, test::MinimalElf());
    return path;
  }
  TTempDir FDir;
};

TEST_F(ExeUtilsTest, TemplateWithoutPackageHasNoStub) {
  TExeUtils utils(MakeTemplate());
  EXPECT_FALSE(utils.ExeHasAttachedStub());
  TMemoryStream stream;
  EXPECT_THROW(utils.GetZipFromExe(stream), ENoPackageError);
  EXPECT_THROW(utils.ExtractZipFromExe(FDir / "out.zip"), ENoPackageError);
}

TEST_F(ExeUtilsTest, MissingExecutableHasNoStub) {
  EXPECT_EQ(TExeUtils::FileSize(FDir / "nothing"), -1);
  EXPECT_FALSE(TExeUtils(FDir / "nothing").ExeHasAttachedStub());
}

TEST_F(ExeUtilsTest, AppendThenReadBackGivesTheSameBytesAndProgress) {
  std::mt19937 random(7);
  for (std::size_t size : {std::size_t{1}, TExeUtils::ChunkSize - 1, TExeUtils::ChunkSize,
                           TExeUtils::ChunkSize + 1, 3 * TExeUtils::ChunkSize + 7}) {
    SCOPED_TRACE(size);
    std::string zip(size, '\0');
    for (char& c : zip) c = static_cast<char>(random());
    test::WriteFile(FDir / "p.zip", zip);
    const auto exe = MakeTemplate();

    TExeUtils utils(exe);
    std::vector<std::int64_t> maxima, positions;
    utils.SetOnProgressMax([&](TExeUtils& sender, std::int64_t max) {
      EXPECT_EQ(&sender, &utils);
      maxima.push_back(max);
    });
    utils.SetOnProgressPos([&](TExeUtils&, std::int64_t pos) { positions.push_back(pos); });
    utils.AppendZipToExe(FDir / "p.zip", exe);
    ASSERT_EQ(maxima, std::vector<std::int64_t>{static_cast<std::int64_t>(size)});
    ASSERT_EQ(positions.back(), static_cast<std::int64_t>(size));
    EXPECT_EQ(positions.size(), (size + TExeUtils::ChunkSize - 1) / TExeUtils::ChunkSize);

    EXPECT_TRUE(utils.ExeHasAttachedStub());
    maxima.clear();
    positions.clear();
    TMemoryStream stream;
    utils.GetZipFromExe(stream);
    EXPECT_EQ(stream.AsString(), zip);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(size));
    EXPECT_EQ(maxima, std::vector<std::int64_t>{static_cast<std::int64_t>(size)});
    EXPECT_EQ(positions.back(), static_cast<std::int64_t>(size));

    utils.ExtractZipFromExe(FDir / "out.zip");
    EXPECT_EQ(test::ReadFile(FDir / "out.zip"), zip);
  }
}

TEST_F(ExeUtilsTest, SourceEndingEarlyIsAnErrorNotAnEndlessLoop) {
  TExeUtils utils(MakeTemplate());
  TMemoryStream source, destination;
  source.Write("abc", 3);
  source.SetPosition(0);
  EXPECT_THROW(utils.CopyWithProgress(source, destination, 10), EStreamError);
  EXPECT_EQ(destination.AsString(), "abc");
}

// Counts and fingerprints what is written, so gigabytes need no memory.
class TFingerprintStream : public TStream {
 public:
  std::size_t Read(void*, std::size_t) override { return 0; }
  void Write(const void* buffer, std::size_t count) override {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    for (std::size_t i = 0; i < count; ++i) {
      if (bytes[i] != 0) NonZero.emplace_back(FPosition + i, bytes[i]);
    }
    FPosition += count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    if (origin == TSeekOrigin::Beginning) FPosition = offset;
    if (origin == TSeekOrigin::Current) FPosition += offset;
    return FPosition;
  }
  std::int64_t Size() override { return FPosition; }
  std::vector<std::pair<std::int64_t, std::uint8_t>> NonZero;

 private:
  std::int64_t FPosition = 0;
};

TEST_F(ExeUtilsTest, PackagesLargerThan4GiB) {
  constexpr std::int64_t Size = (std::int64_t{4} << 30) + 4099;
  // A sparse "package" with marks at its first and last byte and past 4 GiB.
  const auto zip = FDir / "big.zip";
  {
    TFileStream out(zip, TFileMode::Create);
    out.Write("\x11", 1);
    out.SetPosition(std::int64_t{1} << 32);
    out.Write("\x22", 1);
    out.SetPosition(Size - 1);
    out.Write("\x33", 1);
  }
  const auto exe = MakeTemplate();
  TExeUtils utils(exe);
  utils.AppendZipToExe(zip, exe);
  std::filesystem::remove(zip);
  EXPECT_EQ(utils.PackageSize(), Size);

  TFingerprintStream stream;
  utils.GetZipFromExe(stream);
  EXPECT_EQ(stream.Size(), Size);
  const decltype(stream.NonZero) expected = {{0, 0x11}, {std::int64_t{1} << 32, 0x22}, {Size - 1, 0x33}};
  EXPECT_EQ(stream.NonZero, expected);
}

}  // namespace
}  // namespace zel
