#pragma once
// The application icon and the version texts of a Windows executable, read
// and changed on its resources (ExeResources.h).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/package/ExeResources.h"

namespace zel {

// The icon group the shell shows for the program.
inline constexpr std::u16string_view MainIconName = u"MAINICON";
// Icon images are numbered from here upward.
inline constexpr std::uint16_t FirstIconImageNumber = 100;
inline constexpr std::uint16_t LanguageEnglishUs = 1033;

// One image of an icon file or of an icon group.
struct TIconImageInfo {
  unsigned Width = 0, Height = 0;  // 0 in the file means 256
  unsigned BitCount = 0;
  std::uint32_t Bytes = 0;
};

// An .ico file, checked: header, count, and every image inside the file.
struct TIconFile {
  std::vector<TIconImageInfo> Images;
  std::vector<std::vector<std::uint8_t>> ImageBytes;
  std::vector<std::array<std::uint8_t, 12>> DirectoryEntries;  // first 12 bytes of each entry
};
// Throws EExeResourceError naming the fault.
TIconFile ParseIconFile(const std::vector<std::uint8_t>& bytes);

// Replaces the icon group MAINICON and its images (in the group's language)
// by the images of `icon`: images numbered from 100 upward, skipping numbers
// other icons use, and the group, all in language 1033.
void ReplaceMainIcon(TResourceMap& resources, const TIconFile& icon);

// The images of the group MAINICON, or of the first icon group when there is
// none of that name; empty when there is no icon group.
struct TIconGroupInfo {
  std::string Name;
  std::uint16_t Language = 0;
  std::vector<TIconImageInfo> Images;
};
std::optional<TIconGroupInfo> ReadMainIconGroup(const TResourceMap& resources);

// The version texts, in this order; a value left empty (nullopt) is left as
// it is in the file.
inline constexpr std::array<std::string_view, 11> VersionTextNames{
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",
    "LegalCopyright",  "LegalTrademarks",  "OriginalFileName", "ProgramID",
    "ProductName",     "ProductVersion",   "Comments"};
using TExeVersionTexts = std::array<std::optional<std::string>, VersionTextNames.size()>;

// For every translation listed under VarFileInfo\Translation, overwrites each
// of the texts that already exists (names compared without regard to ASCII
// case) with its new value, whatever its length: the block is rebuilt with
// lengths and padding to fit. The result is stored as version resource 1,
// language neutral, in place of the one read. Returns false (nothing
// changed) when there is no version information. Throws EExeResourceError
// for a damaged block.
bool UpdateVersionTexts(TResourceMap& resources, const TExeVersionTexts& texts);

struct TVersionText {
  std::string Translation;  // the string table's key, e.g. 040904b0
  std::string Name, Value;  // UTF-8
};
// Every text of every string table of the version information.
std::vector<TVersionText> ReadVersionTexts(const TResourceMap& resources);

}  // namespace zel
