#include "core/package/ExeResources.h"

#include <algorithm>
#include <set>

#include "core/package/Stream.h"
#include "core/package/TemporaryPath.h"
#include "core/text/TextDecoding.h"

namespace zel {
namespace {

namespace fs = std::filesystem;

std::uint32_t Get16(const std::vector<std::uint8_t>& b, std::uint64_t at) {
  if (at + 2 > b.size()) throw EExeResourceError("truncated executable header");
  return b[at] | (b[at + 1] << 8);
}

std::uint32_t Get32(const std::vector<std::uint8_t>& b, std::uint64_t at) {
  if (at + 4 > b.size()) throw EExeResourceError("truncated executable header");
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value) {
  b[at] = value & 0xFF;
  b[at + 1] = (value >> 8) & 0xFF;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = (value >> (8 * i)) & 0xFF;
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(std::uint32_t value) { return value != 0 && (value & (value - 1)) == 0; }

// Offsets inside the optional header of a PE32+ image.
constexpr std::size_t OptSizeOfInitializedData = 8;
constexpr std::size_t OptSectionAlignment = 32;
constexpr std::size_t OptFileAlignment = 36;
constexpr std::size_t OptSizeOfImage = 56;
constexpr std::size_t OptCheckSum = 64;
constexpr std::size_t OptNumberOfRvaAndSizes = 108;
constexpr std::size_t OptDataDirectories = 112;
constexpr int DirectoryResource = 2;
constexpr int DirectoryCertificate = 4;
constexpr int DirectoryBaseRelocation = 5;

// The image checksum of the format: 16-bit one's-complement-style sum of the
// file with the checksum field left out, plus the file's length.
std::uint32_t ImageChecksum(const std::vector<std::uint8_t>& b, std::size_t checksumOffset) {
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < b.size(); i += 2) {
    if (i == checksumOffset || i == checksumOffset + 2) continue;
    std::uint32_t word = b[i];
    if (i + 1 < b.size()) word |= b[i + 1] << 8;
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + b.size());
}

}  // namespace

std::string TResourceId::ToString() const {
  if (!IsText()) return std::to_string(Number);
  std::vector<std::uint8_t> bytes;
  for (char16_t c : Text) {
    bytes.push_back(c & 0xFF);
    bytes.push_back(c >> 8);
  }
  return DecodeUtf16(bytes, false);
}

std::strong_ordering TResourceId::operator<=>(const TResourceId& other) const {
  if (IsText() != other.IsText()) return IsText() ? std::strong_ordering::less : std::strong_ordering::greater;
  if (IsText()) return Text <=> other.Text;
  return Number <=> other.Number;
}

TExeImage::TExeImage(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {
  const auto& b = FBytes;
  if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') throw EExeResourceError("not a Windows executable");
  const std::uint64_t pe = Get32(b, 0x3C);
  if (pe + 24 > b.size() || b[pe] != 'P' || b[pe + 1] != 'E' || b[pe + 2] || b[pe + 3]) {
    throw EExeResourceError("not a Windows executable (no PE signature)");
  }
  const std::uint64_t coff = pe + 4;
  FMachine = static_cast<std::uint16_t>(Get16(b, coff));
  const std::uint32_t sectionCount = Get16(b, coff + 2);
  const std::uint32_t optionalSize = Get16(b, coff + 16);
  FOptionalHeader = coff + 20;
  if (optionalSize < OptDataDirectories || FOptionalHeader + optionalSize > b.size()) {
    throw EExeResourceError("truncated optional header");
  }
  if (Get16(b, FOptionalHeader) != 0x20B) throw EExeResourceError("not a 64-bit (PE32+) executable");
  const std::uint64_t table = FOptionalHeader + optionalSize;
  if (table + std::uint64_t{sectionCount} * 40 > b.size()) throw EExeResourceError("truncated section table");
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const std::size_t at = table + i * 40;
    TSection s{at, Get32(b, at + 8), Get32(b, at + 12), Get32(b, at + 16), Get32(b, at + 20)};
    if (s.RawSize != 0 && std::uint64_t{s.RawOffset} + s.RawSize > b.size()) {
      throw EExeResourceError("a section lies beyond the end of the file");
    }
    FSections.push_back(s);
  }
  const std::uint32_t directoryCount = Get32(b, FOptionalHeader + OptNumberOfRvaAndSizes);
  if (directoryCount <= DirectoryResource ||
      OptDataDirectories + 8 * (DirectoryResource + 1) > optionalSize) {
    return;  // no resource directory
  }
  const std::uint32_t rva = Get32(b, FOptionalHeader + OptDataDirectories + 8 * DirectoryResource);
  if (rva == 0) return;
  for (std::size_t i = 0; i < FSections.size(); ++i) {
    const TSection& s = FSections[i];
    if (rva >= s.VirtualAddress &&
        rva - s.VirtualAddress < std::max(s.VirtualSize, s.RawSize)) {
      // The section is rewritten whole, so the tree must own it from its start.
      if (rva != s.VirtualAddress) throw EExeResourceError("the resource tree does not start its section");
      FResourceSection = static_cast<int>(i);
      ReadResources(s);
      return;
    }
  }
  throw EExeResourceError("the resource directory lies in no section");
}

void TExeImage::ReadResources(const TSection& rsrc) {
  // Every offset of the tree is relative to the section and must lie in its
  // raw data.
  const std::uint64_t base = rsrc.RawOffset;
  const std::uint64_t size = std::min(rsrc.RawSize, std::max(rsrc.VirtualSize, rsrc.RawSize));
  auto need = [&](std::uint64_t offset, std::uint64_t count) {
    if (offset > size || count > size - offset) {
      throw EExeResourceError("a resource entry points outside the resource section");
    }
  };
  auto u16 = [&](std::uint64_t offset) { need(offset, 2); return Get16(FBytes, base + offset); };
  auto u32 = [&](std::uint64_t offset) { need(offset, 4); return Get32(FBytes, base + offset); };

  std::set<std::uint32_t> visited;  // a directory reached twice would loop or multiply entries
  TResourceKey key;
  std::function<void(std::uint32_t, int)> readDirectory = [&](std::uint32_t offset, int level) {
    if (!visited.insert(offset).second) throw EExeResourceError("the resource tree loops");
    const std::uint32_t count = u16(offset + 12) + u16(offset + 14);
    need(offset + 16, std::uint64_t{count} * 8);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t entry = offset + 16 + i * 8;
      const std::uint32_t nameField = u32(entry);
      const std::uint32_t dataField = u32(entry + 4);
      TResourceId id;
      if (nameField & 0x80000000u) {
        const std::uint32_t at = nameField & 0x7FFFFFFFu;
        const std::uint32_t length = u16(at);
        if (length == 0) throw EExeResourceError("a resource has an empty name");
        need(at + 2, std::uint64_t{length} * 2);
        for (std::uint32_t c = 0; c < length; ++c) id.Text.push_back(static_cast<char16_t>(u16(at + 2 + 2 * c)));
      } else {
        if (nameField > 0xFFFF) throw EExeResourceError("a resource number is out of range");
        id.Number = static_cast<std::uint16_t>(nameField);
      }
      const bool isDirectory = (dataField & 0x80000000u) != 0;
      if (isDirectory != (level < 2)) throw EExeResourceError("the resource tree is not type / name / language");
      if (level == 0) key.Type = id;
      if (level == 1) key.Name = id;
      if (isDirectory) {
        readDirectory(dataField & 0x7FFFFFFFu, level + 1);
        continue;
      }
      if (id.IsText()) throw EExeResourceError("a resource language is not a number");
      key.Language = id.Number;
      const std::uint32_t dataRva = u32(dataField);
      const std::uint32_t dataSize = u32(dataField + 4);
      if (dataRva < rsrc.VirtualAddress) throw EExeResourceError("resource data lies outside the resource section");
      const std::uint64_t at = dataRva - rsrc.VirtualAddress;
      need(at, dataSize);
      const auto first = FBytes.begin() + static_cast<std::ptrdiff_t>(base + at);
      if (!FResources.emplace(key, std::vector<std::uint8_t>(first, first + dataSize)).second) {
        throw EExeResourceError("a resource is listed twice");
      }
    }
  };
  readDirectory(0, 0);
}

namespace {

// The resource section's contents for `resources`, placed at `sectionRva`:
// all directory tables (breadth first), the data entries, the names, then
// the data, each item 8-byte aligned.
std::vector<std::uint8_t> LayOutResources(const TResourceMap& resources, std::uint32_t sectionRva) {
  struct TLeaf { std::uint16_t Language; const std::vector<std::uint8_t>* Data; std::uint64_t Entry = 0, At = 0; };
  struct TName { TResourceId Id; std::vector<TLeaf> Leaves; std::uint64_t Directory = 0; };
  struct TType { TResourceId Id; std::vector<TName> Names; std::uint64_t Directory = 0; };
  std::vector<TType> types;
  for (const auto& [key, data] : resources) {  // the map's order is the directories' order
    if (types.empty() || types.back().Id != key.Type) types.push_back({key.Type, {}});
    auto& names = types.back().Names;
    if (names.empty() || names.back().Id != key.Name) names.push_back({key.Name, {}});
    names.back().Leaves.push_back({key.Language, &data});
  }
  std::uint64_t position = 16 + 8 * types.size();
  for (auto& type : types) {
    type.Directory = position;
    position += 16 + 8 * type.Names.size();
  }
  for (auto& type : types) {
    for (auto& name : type.Names) {
      name.Directory = position;
      position += 16 + 8 * name.Leaves.size();
    }
  }
  for (auto& type : types) {
    for (auto& name : type.Names) {
      for (auto& leaf : name.Leaves) {
        leaf.Entry = position;
        position += 16;
      }
    }
  }
  std::map<std::u16string, std::uint64_t> strings;  // each name written once
  auto placeString = [&](const TResourceId& id) {
    if (id.IsText() && strings.emplace(id.Text, position).second) position += 2 + 2 * id.Text.size();
  };
  for (const auto& type : types) {
    placeString(type.Id);
    for (const auto& name : type.Names) placeString(name.Id);
  }
  for (auto& type : types) {
    for (auto& name : type.Names) {
      for (auto& leaf : name.Leaves) {
        position = AlignUp(position, 8);
        leaf.At = position;
        position += leaf.Data->size();
      }
    }
  }
  position = AlignUp(position, 8);
  if (position + sectionRva > 0xFFFFFFFFu) throw EExeResourceError("the resources do not fit a 32-bit image");

  std::vector<std::uint8_t> out(position, 0);
  auto idField = [&](const TResourceId& id) {
    return id.IsText() ? 0x80000000u | static_cast<std::uint32_t>(strings.at(id.Text)) : id.Number;
  };
  auto writeDirectory = [&](std::uint64_t at, std::size_t named, std::size_t total) {
    Put16(out, at + 12, static_cast<std::uint32_t>(named));
    Put16(out, at + 14, static_cast<std::uint32_t>(total - named));
  };
  auto countNamed = [](const auto& items) {
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const auto& item) { return item.Id.IsText(); }));
  };
  writeDirectory(0, countNamed(types), types.size());
  for (std::size_t t = 0; t < types.size(); ++t) {
    const TType& type = types[t];
    Put32(out, 16 + 8 * t, idField(type.Id));
    Put32(out, 16 + 8 * t + 4, 0x80000000u | static_cast<std::uint32_t>(type.Directory));
    writeDirectory(type.Directory, countNamed(type.Names), type.Names.size());
    for (std::size_t n = 0; n < type.Names.size(); ++n) {
      const TName& name = type.Names[n];
      Put32(out, type.Directory + 16 + 8 * n, idField(name.Id));
      Put32(out, type.Directory + 16 + 8 * n + 4, 0x80000000u | static_cast<std::uint32_t>(name.Directory));
      writeDirectory(name.Directory, 0, name.Leaves.size());
      for (std::size_t l = 0; l < name.Leaves.size(); ++l) {
        const TLeaf& leaf = name.Leaves[l];
        Put32(out, name.Directory + 16 + 8 * l, leaf.Language);
        Put32(out, name.Directory + 16 + 8 * l + 4, static_cast<std::uint32_t>(leaf.Entry));
        Put32(out, leaf.Entry, static_cast<std::uint32_t>(sectionRva + leaf.At));
        Put32(out, leaf.Entry + 4, static_cast<std::uint32_t>(leaf.Data->size()));
        std::copy(leaf.Data->begin(), leaf.Data->end(), out.begin() + static_cast<std::ptrdiff_t>(leaf.At));
      }
    }
  }
  for (const auto& [text, at] : strings) {
    Put16(out, at, static_cast<std::uint32_t>(text.size()));
    for (std::size_t c = 0; c < text.size(); ++c) Put16(out, at + 2 + 2 * c, text[c]);
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> TExeImage::Write() const {
  const auto& b = FBytes;
  if (FResourceSection < 0) throw EExeResourceError("the executable has no resource section");
  const std::uint32_t directoryCount = Get32(b, FOptionalHeader + OptNumberOfRvaAndSizes);
  auto directory = [&](int index) -> std::size_t {
    return index < static_cast<int>(directoryCount) ? FOptionalHeader + OptDataDirectories + 8 * index : 0;
  };
  if (directory(DirectoryCertificate) && Get32(b, directory(DirectoryCertificate) + 4) != 0) {
    throw EExeResourceError("the executable is signed (it carries a certificate table); "
                            "change its resources before signing it");
  }
  // The rewrite keeps the bytes up to the end of the sections' raw data, so
  // anything after it would be lost. Not ImageEnd (where a package starts):
  // that also counts the PointerToRawData of a section without raw data,
  // which would let bytes up to such an offset through to be dropped, and
  // forms each end in 32 bits.
  std::uint64_t imageEnd = 0;
  for (const auto& s : FSections) {
    if (s.RawSize) imageEnd = std::max<std::uint64_t>(imageEnd, std::uint64_t{s.RawOffset} + s.RawSize);
  }
  if (imageEnd != b.size()) {
    throw EExeResourceError("the executable carries data after its last section (a package?); "
                            "its resources can only change before anything is appended");
  }
  const TSection& rsrc = FSections[FResourceSection];
  const std::uint32_t fileAlignment = Get32(b, FOptionalHeader + OptFileAlignment);
  const std::uint32_t sectionAlignment = Get32(b, FOptionalHeader + OptSectionAlignment);
  if (!IsPowerOfTwo(fileAlignment) || !IsPowerOfTwo(sectionAlignment) || sectionAlignment < fileAlignment) {
    throw EExeResourceError("the executable's alignments are not valid");
  }
  const std::uint64_t tableEnd = FSections.back().HeaderOffset + 40;
  if (rsrc.RawOffset < tableEnd || rsrc.RawOffset % fileAlignment != 0) {
    throw EExeResourceError("the resource section's file offset is not valid");
  }
  // Only the base relocations may follow the resources: nothing refers to
  // their place but the data directory, so they can move up.
  std::vector<const TSection*> following;
  for (std::size_t i = 0; i < FSections.size(); ++i) {
    const TSection& s = FSections[i];
    if (static_cast<int>(i) == FResourceSection) continue;
    const bool after = s.VirtualAddress > rsrc.VirtualAddress || (s.RawSize && s.RawOffset > rsrc.RawOffset);
    if (!after) {
      if (s.RawSize && std::uint64_t{s.RawOffset} + s.RawSize > rsrc.RawOffset) {
        throw EExeResourceError("a section overlaps the resource section");
      }
      continue;
    }
    if (static_cast<int>(i) < FResourceSection) throw EExeResourceError("the section table is not in address order");
    const std::size_t relocations = directory(DirectoryBaseRelocation);
    const bool isRelocations = relocations && Get32(b, relocations) == s.VirtualAddress &&
                               s.VirtualAddress > rsrc.VirtualAddress &&
                               (s.RawSize == 0 || s.RawOffset >= std::uint64_t{rsrc.RawOffset} + rsrc.RawSize);
    if (!isRelocations || !following.empty()) {
      throw EExeResourceError("the resource section is not the last section of the executable "
                              "(only base relocations may follow it)");
    }
    following.push_back(&s);
  }

  const std::vector<std::uint8_t> contents = LayOutResources(FResources, rsrc.VirtualAddress);
  const std::uint64_t rawSize = AlignUp(contents.size(), fileAlignment);
  std::vector<std::uint8_t> out(b.begin(), b.begin() + rsrc.RawOffset);
  out.insert(out.end(), contents.begin(), contents.end());
  out.resize(rsrc.RawOffset + rawSize, 0);
  const std::size_t o = FOptionalHeader;
  Put32(out, rsrc.HeaderOffset + 8, static_cast<std::uint32_t>(contents.size()));
  Put32(out, rsrc.HeaderOffset + 16, static_cast<std::uint32_t>(rawSize));
  Put32(out, directory(DirectoryResource), rsrc.VirtualAddress);
  Put32(out, directory(DirectoryResource) + 4, static_cast<std::uint32_t>(contents.size()));
  Put32(out, o + OptSizeOfInitializedData,
        Get32(out, o + OptSizeOfInitializedData) + static_cast<std::uint32_t>(rawSize) - rsrc.RawSize);
  std::uint64_t imageTop = rsrc.VirtualAddress + AlignUp(contents.size(), sectionAlignment);
  for (const TSection* s : following) {
    const std::uint64_t address = imageTop;
    const std::uint64_t offset = out.size();
    if (address + std::max(s->VirtualSize, s->RawSize) > 0xFFFFFFFFu || offset > 0xFFFFFFFFu) {
      throw EExeResourceError("the resources do not fit a 32-bit image");
    }
    out.insert(out.end(), b.begin() + s->RawOffset, b.begin() + s->RawOffset + s->RawSize);
    Put32(out, s->HeaderOffset + 12, static_cast<std::uint32_t>(address));
    Put32(out, s->HeaderOffset + 20, s->RawSize ? static_cast<std::uint32_t>(offset) : 0);
    Put32(out, directory(DirectoryBaseRelocation), static_cast<std::uint32_t>(address));
    imageTop = address + AlignUp(std::max(s->VirtualSize, s->RawSize), sectionAlignment);
  }
  if (imageTop > 0xFFFFFFFFu) throw EExeResourceError("the resources do not fit a 32-bit image");
  Put32(out, o + OptSizeOfImage, static_cast<std::uint32_t>(imageTop));
  // Windows checks the checksum only for drivers; kept right for tools that report it.
  Put32(out, o + OptCheckSum, ImageChecksum(out, o + OptCheckSum));
  return out;
}

std::vector<std::uint8_t> ReadWholeFile(const fs::path& path) {
  try {
    TFileStream file(path, TFileMode::OpenRead);
    const auto size = file.Size();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::size_t total = 0;
    while (total < bytes.size()) {
      const std::size_t n = file.Read(bytes.data() + total, bytes.size() - total);
      if (n == 0) throw EStreamError("the file ended early");
      total += n;
    }
    return bytes;
  } catch (const EStreamError& e) {
    throw EExeResourceError("cannot read " + path.string() + ": " + e.what());
  }
}

void UpdateExeResources(const fs::path& exePath, const std::function<bool(TExeImage&)>& edit) {
  std::vector<std::uint8_t> updated;
  try {
    TExeImage image(ReadWholeFile(exePath));
    if (!edit(image)) return;
    updated = image.Write();
  } catch (const EExeResourceError& e) {
    throw EExeResourceError(exePath.string() + ": " + e.what());
  }
  const fs::path temporary = TemporaryPathBeside(exePath, ".resources");
  try {
    {
      TFileStream file(temporary, TFileMode::Create);
      file.Write(updated.data(), updated.size());
    }
    fs::permissions(temporary, fs::status(exePath).permissions());
    fs::rename(temporary, exePath);
  } catch (const std::exception& e) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw EExeResourceError("cannot write " + exePath.string() + ": " + e.what());
  }
}

}  // namespace zel
