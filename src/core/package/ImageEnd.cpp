#include "core/package/ImageEnd.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/package/ExeResources.h"

namespace zel {
namespace {

// Little- or big-endian reads from a header buffer.
struct TFieldReader {
  const std::uint8_t* Bytes;
  std::size_t Size;
  bool BigEndian;

  std::uint64_t Get(std::size_t offset, int width) const {
    if (offset + width > Size) throw EImageFormatError("Truncated executable header");
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
      const int shift = BigEndian ? (width - 1 - i) * 8 : i * 8;
      value |= static_cast<std::uint64_t>(Bytes[offset + i]) << shift;
    }
    return value;
  }
};

// Reads `count` bytes at `offset`; the range is checked against the stream's
// size first, so no header field can size a buffer beyond the file.
std::vector<std::uint8_t> ReadAt(TStream& s, std::uint64_t offset, std::uint64_t count) {
  const auto size = static_cast<std::uint64_t>(s.Size());
  if (offset > size || count > size - offset) throw EImageFormatError("Truncated executable");
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(count));
  s.SetPosition(static_cast<std::int64_t>(offset));
  std::size_t total = 0;
  while (total < count) {
    const std::size_t n = s.Read(buffer.data() + total, count - total);
    if (n == 0) throw EImageFormatError("Truncated executable");
    total += n;
  }
  return buffer;
}

// The end of `count` bytes at `offset`, which must lie inside the file.
std::uint64_t EndWithin(std::uint64_t offset, std::uint64_t count, std::uint64_t fileSize) {
  if (offset > fileSize || count > fileSize - offset)
    throw EImageFormatError("Truncated executable");
  return offset + count;
}

std::uint64_t ElfImageEnd(TStream& s, const std::vector<std::uint8_t>& ident) {
  const bool is64 = ident[4] == 2;
  if (ident[4] != 1 && !is64) throw EImageFormatError("Unknown ELF class");
  if (ident[5] != 1 && ident[5] != 2) throw EImageFormatError("Unknown ELF byte order");
  const auto fileSize = static_cast<std::uint64_t>(s.Size());
  const auto header = ReadAt(s, 0, is64 ? 64 : 52);
  const TFieldReader h{header.data(), header.size(), ident[5] == 2};
  const int word = is64 ? 8 : 4;
  const std::uint64_t phoff = h.Get(is64 ? 0x20 : 0x1C, word);
  const std::uint64_t shoff = h.Get(is64 ? 0x28 : 0x20, word);
  const std::uint64_t phentsize = h.Get(is64 ? 0x36 : 0x2A, 2);
  std::uint64_t phnum = h.Get(is64 ? 0x38 : 0x2C, 2);
  const std::uint64_t shentsize = h.Get(is64 ? 0x3A : 0x2E, 2);
  std::uint64_t shnum = h.Get(is64 ? 0x3C : 0x30, 2);

  std::uint64_t end = header.size();
  if (shoff != 0 && shentsize >= (is64 ? 64u : 40u)) {
    // Extended numbering: with more sections than fit the field, section 0 holds the counts.
    const auto first = ReadAt(s, shoff, shentsize);
    const TFieldReader f{first.data(), first.size(), h.BigEndian};
    if (shnum == 0) shnum = f.Get(is64 ? 0x20 : 0x14, word);
    if (phnum == 0xFFFF) phnum = f.Get(is64 ? 0x2C : 0x1C, 4);
    // Neither count can make the table larger than the file.
    if (shnum > fileSize / shentsize) throw EImageFormatError("Truncated executable");
    const auto table = ReadAt(s, shoff, shnum * shentsize);
    for (std::uint64_t i = 0; i < shnum; ++i) {
      const TFieldReader e{table.data() + i * shentsize, shentsize, h.BigEndian};
      constexpr std::uint64_t SHT_NOBITS = 8;
      if (e.Get(4, 4) == SHT_NOBITS) continue;  // occupies no file bytes
      const std::uint64_t offset = e.Get(is64 ? 0x18 : 0x10, word);
      const std::uint64_t size = e.Get(is64 ? 0x20 : 0x14, word);
      end = std::max(end, EndWithin(offset, size, fileSize));
    }
    end = std::max(end, shoff + shnum * shentsize);
  }
  // The program header table and the segments' file contents count too: a
  // file may have no section header table at all.
  if (phoff != 0 && phnum != 0 && phentsize >= (is64 ? 56u : 32u)) {
    if (phnum > fileSize / phentsize) throw EImageFormatError("Truncated executable");
    const auto table = ReadAt(s, phoff, phnum * phentsize);
    for (std::uint64_t i = 0; i < phnum; ++i) {
      const TFieldReader e{table.data() + i * phentsize, phentsize, h.BigEndian};
      const std::uint64_t offset = e.Get(is64 ? 0x08 : 0x04, word);
      const std::uint64_t size = e.Get(is64 ? 0x20 : 0x10, word);
      end = std::max(end, EndWithin(offset, size, fileSize));
    }
    end = std::max(end, phoff + phnum * phentsize);
  }
  return end;
}

std::uint64_t PeImageEnd(TStream& s) {
  const auto dos = ReadAt(s, 0, 0x40);
  const TFieldReader d{dos.data(), dos.size(), false};
  const std::uint64_t peOffset = d.Get(0x3C, 4);
  const auto pe = ReadAt(s, peOffset, 24);
  if (pe[0] != 'P' || pe[1] != 'E' || pe[2] != 0 || pe[3] != 0) {
    throw EImageFormatError("Missing PE signature");
  }
  const TFieldReader fileHeader{pe.data() + 4, 20, false};
  const std::uint64_t sections = fileHeader.Get(2, 2);
  const std::uint64_t optionalSize = fileHeader.Get(16, 2);
  const std::uint64_t tableStart = peOffset + 4 + 20 + optionalSize;
  const auto table = ReadAt(s, tableStart, sections * 40);  // at most 65535 entries
  std::uint32_t end = 0;
  for (std::uint64_t i = 0; i < sections; ++i) {
    const TFieldReader e{table.data() + i * 40, 40, false};
    // Formed in 32 bits, as the loader of the format does.
    const auto sum = static_cast<std::uint32_t>(e.Get(20, 4) + e.Get(16, 4));
    end = std::max(end, sum);
  }
  return end;
}

}  // namespace

std::uint64_t ImageEnd(TStream& image) {
  if (image.Size() < 16) throw EImageFormatError("Not an executable image");
  const auto ident = ReadAt(image, 0, 16);
  if (ident[0] == 0x7F && ident[1] == 'E' && ident[2] == 'L' && ident[3] == 'F') {
    return ElfImageEnd(image, ident);
  }
  if (ident[0] == 'M' && ident[1] == 'Z') return PeImageEnd(image);
  throw EImageFormatError("Not an executable image");
}

TExecutableKind ExecutableKind(TStream& image) {
  constexpr std::uint64_t ElfMachineEnd = 20;  // e_machine: 2 bytes at 18
  const auto size = static_cast<std::uint64_t>(image.Size());
  const auto head = ReadAt(image, 0, std::min(size, ElfMachineEnd));
  if (head.size() >= ElfMachineEnd && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') {
    const TFieldReader h{head.data(), head.size(), head[5] == 2};
    constexpr std::uint64_t MachineX86_64 = 62;
    const bool x86_64 = head[4] == 2 && head[5] == 1 && h.Get(18, 2) == MachineX86_64;
    return x86_64 ? TExecutableKind::ElfX86_64 : TExecutableKind::ElfOther;
  }
  if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') {
    constexpr std::uint16_t MachineAmd64 = 0x8664;
    const TExeImage pe(ReadAt(image, 0, size));
    return pe.Machine() == MachineAmd64 ? TExecutableKind::PeX64 : TExecutableKind::PeOther;
  }
  return TExecutableKind::Other;
}

}  // namespace zel
