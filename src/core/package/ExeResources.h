#pragma once
// The resources of a 64-bit Windows executable (PE32+): the directory tree of
// its resource section read into a model (type / name / language -> bytes),
// changed, and written back as one new resource section.
//
// Written by hand: no Debian library writes PE resources (the ones that read
// them, and windres, work on object files or their own formats, not on a
// linked image).
#include <compare>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/Error.h"

namespace zel {

// The file is not an executable whose resources can be read or rewritten;
// the message names the reason. The file is left as it was.
class EExeResourceError : public EError {
 public:
  using EError::EError;
};

// A resource type or name: a number, or a text (stored in upper case by
// resource compilers, compared as it stands).
struct TResourceId {
  std::uint16_t Number = 0;
  std::u16string Text;  // empty for a number

  static TResourceId FromNumber(std::uint16_t number) { return {number, {}}; }
  static TResourceId FromText(std::u16string text) { return {0, std::move(text)}; }
  bool IsText() const { return !Text.empty(); }
  std::string ToString() const;

  // The order of a resource directory: texts first, by code unit, then numbers.
  std::strong_ordering operator<=>(const TResourceId& other) const;
  bool operator==(const TResourceId& other) const = default;
};

struct TResourceKey {
  TResourceId Type;
  TResourceId Name;
  std::uint16_t Language = 0;
  auto operator<=>(const TResourceKey& other) const = default;
  bool operator==(const TResourceKey& other) const = default;
};

// Well-known resource types.
inline constexpr std::uint16_t ResourceTypeIcon = 3;
inline constexpr std::uint16_t ResourceTypeGroupIcon = 14;
inline constexpr std::uint16_t ResourceTypeVersion = 16;

using TResourceMap = std::map<TResourceKey, std::vector<std::uint8_t>>;

// A whole PE32+ image in memory with its resources.
class TExeImage {
 public:
  // Parses the headers and the resource tree; every offset and size is
  // checked against the image. Throws EExeResourceError. An image without a
  // resource section has no resources.
  explicit TExeImage(std::vector<std::uint8_t> bytes);

  // 0x8664 for x64.
  std::uint16_t Machine() const { return FMachine; }
  TResourceMap& Resources() { return FResources; }
  const TResourceMap& Resources() const { return FResources; }

  // The image with its resource section rebuilt from Resources(). Refuses
  // (EExeResourceError) an image whose resource section cannot grow in
  // place: one followed by sections other than the base relocations, one
  // with a certificate table (its signature would break) or with data
  // appended after its last section.
  std::vector<std::uint8_t> Write() const;

 private:
  struct TSection {
    std::size_t HeaderOffset;  // of its 40-byte entry in the section table
    std::uint32_t VirtualSize, VirtualAddress, RawSize, RawOffset;
  };
  void ReadResources(const TSection& rsrc);

  std::vector<std::uint8_t> FBytes;
  std::uint16_t FMachine = 0;
  std::size_t FOptionalHeader = 0;
  std::vector<TSection> FSections;
  int FResourceSection = -1;  // index in FSections
  TResourceMap FResources;
};

// The whole file, or EExeResourceError naming it when it cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Reads `exePath`, lets `edit` change its resources and, when it returns
// true, writes the file anew through a temporary file renamed over it, so a
// failure at any step leaves the file as it was.
void UpdateExeResources(const std::filesystem::path& exePath,
                        const std::function<bool(TExeImage&)>& edit);

}  // namespace zel
