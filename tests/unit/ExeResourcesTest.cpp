// The resource editor of Windows executables, on images laid out by
// PeFixture: reading, rewriting, the icon and the version texts, and
// refusal of what it cannot edit safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "PackageTestSupport.h"
#include "PeFixture.h"
#include "core/package/ExeUtils.h"

namespace zel {
namespace {

using test::TBytes;
using test::TFixturePe;

constexpr std::uint16_t EnglishUk = 2057;

TResourceKey Key(std::uint16_t type, std::uint16_t number, std::uint16_t language) {
  return {TResourceId::FromNumber(type), TResourceId::FromNumber(number), language};
}
TResourceKey Key(std::uint16_t type, std::u16string name, std::uint16_t language) {
  return {TResourceId::FromNumber(type), TResourceId::FromText(std::move(name)), language};
}

// A program with an icon group MAINICON (two images, in British English),
// a second group OTHER whose image is number 100, a named custom resource and
// version information in two translations.
TFixturePe TypicalProgram() {
  TFixturePe pe;
  pe.Resources = {
      {ResourceTypeIcon, u"", 1, EnglishUk, TBytes(24, 1)},
      {ResourceTypeIcon, u"", 2, EnglishUk, TBytes(40, 2)},
      {ResourceTypeIcon, u"", 100, LanguageEnglishUs, TBytes(24, 3)},
      {ResourceTypeGroupIcon, u"MAINICON", 0, EnglishUk, test::BuildIconGroup({1, 2})},
      {ResourceTypeGroupIcon, u"OTHER", 0, LanguageEnglishUs, test::BuildIconGroup({100})},
      {10, u"APPDATA", 0, 0, TBytes{'d', 'a', 't', 'a', '!'}},
      {ResourceTypeVersion, u"", 1, LanguageEnglishUs,
       test::BuildVersionInfo({{u"040904b0",
                                {{u"CompanyName", u"Old Company Name Ltd"},
                                 {u"FileVersion", u"1.0"},
                                 {u"OriginalFilename", u"old.exe"},
                                 {u"ProductName", u"Old"}}},
                               {u"040704b0", {{u"CompanyName", u"Alte Firma"}, {u"FileVersion", u"1.0"}}},
                               {u"041104b0", {{u"CompanyName", u"not listed"}}}},
                              {{0x409, 1200}, {0x407, 1200}})},
  };
  return pe;
}

TResourceMap MapOf(const TFixturePe& pe) {
  TResourceMap map;
  for (const auto& r : pe.Resources) {
    map[{TResourceId::FromNumber(r.Type),
         r.Name.empty() ? TResourceId::FromNumber(r.Number) : TResourceId::FromText(r.Name), r.Language}] = r.Data;
  }
  return map;
}

TBytes Utf16Bytes(std::u16string_view text) {
  TBytes bytes;
  for (char16_t c : text) {
    bytes.push_back(c & 0xFF);
    bytes.push_back(c >> 8);
  }
  return bytes;
}

// Where `needle` first occurs in `bytes`.
std::size_t FindBytes(const TBytes& bytes, const TBytes& needle) {
  const auto found = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
  if (found == bytes.end()) throw std::logic_error("fixture lacks the bytes looked for");
  return static_cast<std::size_t>(found - bytes.begin());
}
std::size_t FindWord(const TBytes& bytes, std::uint32_t value) {
  return FindBytes(bytes, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                           static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

std::string Text(const std::vector<TVersionText>& texts, const std::string& table, const std::string& name) {
  for (const auto& t : texts) {
    if (t.Translation == table && t.Name == name) return t.Value;
  }
  return "(absent)";
}

TEST(ExeResources, ReadsTheTreeAndWritesAnImageThatReadsTheSame) {
  for (bool relocations : {true, false}) {
    SCOPED_TRACE(relocations ? "with relocations after the resources" : "resources last");
    TFixturePe fixture = TypicalProgram();
    fixture.Relocations = relocations;
    const TBytes original = test::BuildPe(fixture);
    TExeImage image(original);
    EXPECT_EQ(image.Machine(), 0x8664);
    EXPECT_EQ(image.Resources(), MapOf(fixture));

    // Grow the resources past the section's old size: relocations must move.
    image.Resources()[Key(10, 7, 0)] = TBytes(0x3000, 0xAB);
    const TBytes written = image.Write();
    EXPECT_EQ(test::FixtureImageEnd(written), written.size());
    TExeImage reread(written);
    EXPECT_EQ(reread.Resources(), image.Resources());

    const std::size_t o = test::FixtureOptionalHeader;
    const std::uint32_t sizeOfImage = test::Get32(written, o + 56);
    const std::size_t rsrcHeader = test::FixtureSectionTable + 40;
    const std::uint32_t rsrcVirtualSize = test::Get32(written, rsrcHeader + 8);
    EXPECT_EQ(test::Get32(written, o + 112 + 16), test::FixtureResourceRva);
    EXPECT_EQ(test::Get32(written, o + 112 + 20), rsrcVirtualSize);
    EXPECT_GT(rsrcVirtualSize, 0x3000u);
    EXPECT_NE(test::Get32(written, o + 64), 0x1234u) << "checksum not recomputed";
    if (relocations) {
      const std::size_t relocHeader = rsrcHeader + 40;
      const std::uint32_t relocRva = test::Get32(written, relocHeader + 12);
      // Adjacent, aligned, after the grown resources, and named by the directory.
      EXPECT_EQ(relocRva, test::FixtureResourceRva + ((rsrcVirtualSize + 0xFFF) & ~0xFFFu));
      EXPECT_EQ(test::Get32(written, o + 112 + 40), relocRva);
      EXPECT_EQ(sizeOfImage, relocRva + 0x1000);
      // Its contents moved with it.
      const std::uint32_t relocRaw = test::Get32(written, relocHeader + 20);
      EXPECT_EQ(test::Get32(written, relocRaw), 0x1000u);
      EXPECT_EQ(test::Get32(written, relocRaw + 4), 12u);
    } else {
      EXPECT_EQ(sizeOfImage, test::FixtureResourceRva + ((rsrcVirtualSize + 0xFFF) & ~0xFFFu));
    }
  }
}

TEST(ExeResources, ChangeExeIconReplacesMainIconAndKeepsOtherGroupsWhole) {
  test::TTempDir dir;
  const auto exe = dir / "app.exe";
  const auto ico = dir / "app.ico";
  test::WriteFile(exe, test::BuildPe(TypicalProgram()));
  test::WriteFile(ico, test::BuildIco(3));
  TExeUtils(exe).ChangeExeIcon(exe, ico);

  const TExeImage image(ReadWholeFile(exe));
  const auto& r = image.Resources();
  EXPECT_FALSE(r.count(Key(ResourceTypeGroupIcon, u"MAINICON", EnglishUk)));
  EXPECT_FALSE(r.count(Key(ResourceTypeIcon, 1, EnglishUk)));
  EXPECT_FALSE(r.count(Key(ResourceTypeIcon, 2, EnglishUk)));
  // Number 100 belongs to OTHER: the new images take 101 to 103.
  EXPECT_EQ(r.at(Key(ResourceTypeIcon, 100, LanguageEnglishUs)), TBytes(24, 3));
  const TBytes icoBytes = test::BuildIco(3);
  for (int i = 0; i < 3; ++i) {
    const auto& data = r.at(Key(ResourceTypeIcon, static_cast<std::uint16_t>(101 + i), LanguageEnglishUs));
    EXPECT_EQ(data, TBytes(icoBytes.begin() + 6 + 48 + 24 * i, icoBytes.begin() + 6 + 48 + 24 * (i + 1)));
  }
  const auto group = ReadMainIconGroup(r);
  ASSERT_TRUE(group);
  EXPECT_EQ(group->Name, "MAINICON");
  EXPECT_EQ(group->Language, LanguageEnglishUs);
  ASSERT_EQ(group->Images.size(), 3u);
  EXPECT_EQ(group->Images[2].Width, 48u);
  EXPECT_EQ(group->Images[2].BitCount, 32u);
  EXPECT_EQ(r.at(Key(10, u"APPDATA", 0)), (TBytes{'d', 'a', 't', 'a', '!'}));
}

TEST(ExeResources, UpdateExeInfoRewritesListedTranslationsWithValuesOfAnyLength) {
  test::TTempDir dir;
  const auto exe = dir / "app.exe";
  test::WriteFile(exe, test::BuildPe(TypicalProgram()));
  TExeVersionTexts texts;
  texts[0] = "Acme";                                                    // shorter
  texts[2] = "2.10.300.4000 (a much longer version text than before)";  // longer
  texts[6] = "App.exe";         // stored as OriginalFilename
  texts[8] = "";                // emptied
  texts[9] = "Ünïcode ✓ 𝄞";     // not in the file: not added
  ASSERT_TRUE(TExeUtils(exe).UpdateExeInfo(exe, texts));

  const TExeImage image(ReadWholeFile(exe));
  const auto& r = image.Resources();
  EXPECT_FALSE(r.count(Key(ResourceTypeVersion, 1, LanguageEnglishUs)));
  ASSERT_TRUE(r.count(Key(ResourceTypeVersion, 1, 0)));
  const auto read = ReadVersionTexts(r);
  EXPECT_EQ(Text(read, "040904b0", "CompanyName"), "Acme");
  EXPECT_EQ(Text(read, "040904b0", "FileVersion"), *texts[2]);
  EXPECT_EQ(Text(read, "040904b0", "OriginalFilename"), "App.exe");
  EXPECT_EQ(Text(read, "040904b0", "ProductName"), "");
  EXPECT_EQ(Text(read, "040904b0", "ProductVersion"), "(absent)");
  EXPECT_EQ(Text(read, "040704b0", "CompanyName"), "Acme");
  EXPECT_EQ(Text(read, "040704b0", "FileVersion"), *texts[2]);
  EXPECT_EQ(Text(read, "041104b0", "CompanyName"), "not listed");

  // A second update with a non-ASCII value reads back whole.
  texts = {};
  texts[0] = "Ünïcode ✓ 𝄞 GmbH";
  ASSERT_TRUE(TExeUtils(exe).UpdateExeInfo(exe, texts));
  const TExeImage again(ReadWholeFile(exe));
  EXPECT_EQ(Text(ReadVersionTexts(again.Resources()), "040704b0", "CompanyName"), *texts[0]);
  EXPECT_EQ(Text(ReadVersionTexts(again.Resources()), "040904b0", "FileVersion"),
            "2.10.300.4000 (a much longer version text than before)");
}

TEST(ExeResources, UpdateExeInfoLeavesAFileWithoutVersionInformationAlone) {
  test::TTempDir dir;
  const auto exe = dir / "app.exe";
  TFixturePe fixture = TypicalProgram();
  fixture.Resources.pop_back();
  const TBytes original = test::BuildPe(fixture);
  test::WriteFile(exe, original);
  TExeVersionTexts texts;
  texts[0] = "Acme";
  EXPECT_FALSE(TExeUtils(exe).UpdateExeInfo(exe, texts));
  EXPECT_EQ(ReadWholeFile(exe), original);
  EXPECT_FALSE(TExeUtils(exe).UpdateExeInfo(dir / "missing.exe", texts));
}

// Whatever is wrong with the executable or the icon, the call throws and the
// executable keeps every byte.
TEST(ExeResources, RefusesWhatItCannotEditAndLeavesTheFileUnchanged) {
  const TBytes typical = test::BuildPe(TypicalProgram());
  auto with = [](std::function<void(TFixturePe&)> change) {
    TFixturePe pe = TypicalProgram();
    change(pe);
    return test::BuildPe(pe);
  };
  auto patched = [&](std::function<void(TBytes&)> change) {
    TBytes pe = typical;
    change(pe);
    return pe;
  };
  const std::size_t o = test::FixtureOptionalHeader;
  const std::size_t rsrc = test::FixtureResourceRaw;
  struct TCase {
    const char* Name;
    TBytes Exe;
    TBytes Ico;
  };
  const TBytes goodIco = test::BuildIco(1);
  const std::vector<TCase> cases = {
      {"not an executable", TBytes(600, 'x'), goodIco},
      {"PE offset past the end", patched([](TBytes& b) { test::Put32(b, 0x3C, 0xFFFFFFF0); }), goodIco},
      {"32-bit image", patched([&](TBytes& b) { b[o] = 0x0B; b[o + 1] = 0x01; }), goodIco},
      {"section table past the end", patched([](TBytes& b) { b[test::FixturePeOffset + 6] = 0xFF; }), goodIco},
      {"section beyond the file", patched([](TBytes& b) { test::Put32(b, test::FixtureSectionTable + 40 + 16, 0x100000); }), goodIco},
      {"resource directory in no section", patched([&](TBytes& b) { test::Put32(b, o + 112 + 16, 0x900000); }), goodIco},
      {"directory entry count past the section", patched([&](TBytes& b) { b[rsrc + 14] = 0xFF; b[rsrc + 15] = 0x7F; }), goodIco},
      {"tree that loops", patched([&](TBytes& b) { test::Put32(b, rsrc + 16 + 4, 0x80000000u); }), goodIco},
      {"name outside the section",
       patched([&](TBytes& b) {
         const std::size_t name = FindBytes(b, Utf16Bytes(u"MAINICON")) - 2 - rsrc;
         test::Put32(b, FindWord(b, 0x80000000u | static_cast<std::uint32_t>(name)), 0x80000000u | 0x7FFFF000u);
       }),
       goodIco},
      {"data outside the section",
       patched([&](TBytes& b) {
         const std::size_t data = FindBytes(b, {'d', 'a', 't', 'a', '!'}) - rsrc;
         test::Put32(b, FindWord(b, test::FixtureResourceRva + static_cast<std::uint32_t>(data)) + 4, 0x7FFFFFFF);
       }),
       goodIco},
      {"signed", with([](TFixturePe& pe) { pe.Certificate = true; }), goodIco},
      {"section after the resources", with([](TFixturePe& pe) { pe.DataSectionAfter = true; }), goodIco},
      {"data appended", patched([](TBytes& b) { b.insert(b.end(), {'P', 'K', 5, 6}); }), goodIco},
      {"data appended up to the offset of a section without raw data",
       patched([](TBytes& b) {
         b.resize(b.size() + 0x200, 'P');
         test::Put32(b, test::FixtureSectionTable + 16, 0);  // .text: SizeOfRawData
         test::Put32(b, test::FixtureSectionTable + 20, static_cast<std::uint32_t>(b.size()));
       }),
       goodIco},
      {"no resource section", patched([&](TBytes& b) { test::Put32(b, o + 112 + 16, 0); }), goodIco},
      {"icon: empty file", typical, {}},
      {"icon: no image", typical, TBytes{0, 0, 1, 0, 0, 0}},
      {"icon: image past the end", typical, [&] { TBytes b = goodIco; b.resize(b.size() - 1); return b; }()},
      {"icon: directory cut short", typical, [&] { TBytes b = test::BuildIco(2); b.resize(6 + 20); return b; }()},
      {"icon: image neither PNG nor bitmap", typical, [&] { TBytes b = goodIco; b[6 + 16] = 'X'; return b; }()},
  };
  test::TTempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto exe = dir / "app.exe";
    const auto ico = dir / "app.ico";
    test::WriteFile(exe, c.Exe);
    test::WriteFile(ico, c.Ico);
    TExeVersionTexts texts;
    texts[0] = "Acme";
    EXPECT_THROW(TExeUtils(exe).ChangeExeIcon(exe, ico), EExeResourceError);
    const std::string name = c.Name;
    if (name == "no resource section") {
      EXPECT_FALSE(TExeUtils(exe).UpdateExeInfo(exe, texts)) << "no version information to update";
    } else if (name.rfind("icon:", 0) != 0) {
      EXPECT_THROW(TExeUtils(exe).UpdateExeInfo(exe, texts), EExeResourceError);
    }
    EXPECT_EQ(ReadWholeFile(exe), c.Exe);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "temporary file left";
  }
}

}  // namespace
}  // namespace zel
