#pragma once
// Lays out small 64-bit Windows executables (PE32+) in memory for the
// resource editor's tests: a code section, a resource section and, by
// choice, base relocations, a certificate table or another section after
// the resources. The resource tree is written depth first with the names
// after it, unlike the editor, so reading does not depend on one layout.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zel::test {

using TBytes = std::vector<std::uint8_t>;

struct TFixtureResource {
  std::uint16_t Type;
  std::u16string Name;  // empty: use Number
  std::uint16_t Number;
  std::uint16_t Language;
  TBytes Data;
};

struct TFixturePe {
  std::vector<TFixtureResource> Resources;
  bool Relocations = true;           // a .reloc section after .rsrc
  bool Certificate = false;          // a certificate table entry
  bool DataSectionAfter = false;     // a .data section after .rsrc
  std::uint32_t Checksum = 0x1234;   // any nonzero value: the editor must set the right one
};

TBytes BuildPe(const TFixturePe& fixture);

// Field offsets of the fixture's layout.
inline constexpr std::size_t FixturePeOffset = 0x40;
inline constexpr std::size_t FixtureOptionalHeader = FixturePeOffset + 24;
inline constexpr std::size_t FixtureSectionTable = FixtureOptionalHeader + 240;
inline constexpr std::size_t FixtureResourceRaw = 0x600;  // file offset of .rsrc
inline constexpr std::uint32_t FixtureResourceRva = 0x2000;

std::uint32_t Get32(const TBytes& b, std::size_t at);
void Put32(TBytes& b, std::size_t at, std::uint32_t value);

// A version resource: VS_VERSION_INFO with a fixed file info, one string
// table per entry of `tables` (key, then name/value pairs) and the listed
// translations (language, code page).
TBytes BuildVersionInfo(const std::vector<std::pair<std::u16string, std::vector<std::pair<std::u16string, std::u16string>>>>& tables,
                        const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations);

// An icon file of `count` tiny PNG-signed images of distinct sizes.
TBytes BuildIco(int count);
// An icon group naming image numbers `numbers`.
TBytes BuildIconGroup(const std::vector<std::uint16_t>& numbers);

// The largest raw end of the section table, read independently of the editor.
std::uint64_t FixtureImageEnd(const TBytes& pe);

}  // namespace zel::test
