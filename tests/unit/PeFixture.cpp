#include "PeFixture.h"

#include <algorithm>
#include <map>

namespace zel::test {
namespace {

void Put16(TBytes& b, std::size_t at, std::uint32_t value) {
  b[at] = value & 0xFF;
  b[at + 1] = (value >> 8) & 0xFF;
}
void Add16(TBytes& b, std::uint32_t value) {
  b.push_back(value & 0xFF);
  b.push_back((value >> 8) & 0xFF);
}
void Add32(TBytes& b, std::uint32_t value) {
  Add16(b, value & 0xFFFF);
  Add16(b, value >> 16);
}
void Pad(TBytes& b, std::size_t alignment) {
  while (b.size() % alignment) b.push_back(0);
}

// The resource section: directories depth first, names, then the data.
TBytes BuildResourceSection(const std::vector<TFixtureResource>& resources) {
  using TName = std::pair<bool, std::u16string>;  // (is number, text or number as text)
  auto id = [](const std::u16string& text, std::uint16_t number) {
    return text.empty() ? TName{true, std::u16string(1, static_cast<char16_t>(number))} : TName{false, text};
  };
  // Named entries before numbered ones, as the format requires.
  std::map<TName, std::map<TName, std::map<std::uint16_t, const TBytes*>>> tree;
  for (const auto& r : resources) tree[id(u"", r.Type)][id(r.Name, r.Number)][r.Language] = &r.Data;

  TBytes out;  // first the data, moved behind the directories at the end
  std::map<const TBytes*, std::uint32_t> dataAt;
  for (const auto& r : resources) {
    Pad(out, 8);
    dataAt[&r.Data] = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), r.Data.begin(), r.Data.end());
  }
  Pad(out, 8);
  std::vector<std::pair<std::size_t, std::u16string>> nameFixups;
  auto directory = [&](std::size_t count, std::size_t named) {
    Pad(out, 4);
    const std::size_t at = out.size();
    out.resize(at + 16 + 8 * count, 0);
    Put16(out, at + 12, static_cast<std::uint32_t>(named));
    Put16(out, at + 14, static_cast<std::uint32_t>(count - named));
    return at;
  };
  auto setId = [&](std::size_t entry, const TName& name) {
    if (name.first) Put32(out, entry, name.second[0]);
    else nameFixups.emplace_back(entry, name.second);
  };
  auto countNamed = [](const auto& map) {
    return static_cast<std::size_t>(std::count_if(map.begin(), map.end(), [](const auto& i) { return !i.first.first; }));
  };
  TBytes data = std::move(out);
  out.clear();
  const std::size_t root = directory(tree.size(), countNamed(tree));
  std::size_t t = 0;
  for (const auto& [type, names] : tree) {
    const std::size_t typeEntry = root + 16 + 8 * t++;
    setId(typeEntry, type);
    const std::size_t typeDirectory = directory(names.size(), countNamed(names));
    Put32(out, typeEntry + 4, 0x80000000u | static_cast<std::uint32_t>(typeDirectory));
    std::size_t n = 0;
    for (const auto& [name, languages] : names) {
      const std::size_t nameEntry = typeDirectory + 16 + 8 * n++;
      setId(nameEntry, name);
      const std::size_t nameDirectory = directory(languages.size(), 0);
      Put32(out, nameEntry + 4, 0x80000000u | static_cast<std::uint32_t>(nameDirectory));
      std::size_t l = 0;
      for (const auto& [language, bytes] : languages) {
        const std::size_t entry = nameDirectory + 16 + 8 * l++;
        Put32(out, entry, language);
        Pad(out, 4);
        Put32(out, entry + 4, static_cast<std::uint32_t>(out.size()));
        out.resize(out.size() + 16, 0);
        Put32(out, out.size() - 12, static_cast<std::uint32_t>(bytes->size()));
        // The data address is fixed up below, once the data's place is known.
        Put32(out, out.size() - 16, dataAt[bytes]);
      }
    }
  }
  for (const auto& [entry, text] : nameFixups) {
    Put32(out, entry, 0x80000000u | static_cast<std::uint32_t>(out.size()));
    Add16(out, static_cast<std::uint32_t>(text.size()));
    for (char16_t c : text) Add16(out, c);
  }
  Pad(out, 8);
  // The data follows the directories: walk the finished tree and turn each
  // data entry's offset into the data's address.
  const std::uint32_t dataStart = static_cast<std::uint32_t>(out.size());
  return [&] {
    TBytes section = out;
    section.insert(section.end(), data.begin(), data.end());
    auto count = [&](std::size_t at) {
      return static_cast<std::size_t>((section[at + 12] | section[at + 13] << 8) + (section[at + 14] | section[at + 15] << 8));
    };
    for (std::size_t i = 0; i < count(0); ++i) {
      const std::size_t typeDirectory = Get32(section, 16 + 8 * i + 4) & 0x7FFFFFFF;
      for (std::size_t j = 0; j < count(typeDirectory); ++j) {
        const std::size_t nameDirectory = Get32(section, typeDirectory + 16 + 8 * j + 4) & 0x7FFFFFFF;
        for (std::size_t k = 0; k < count(nameDirectory); ++k) {
          const std::size_t entry = Get32(section, nameDirectory + 16 + 8 * k + 4);
          Put32(section, entry, FixtureResourceRva + dataStart + Get32(section, entry));
        }
      }
    }
    return section;
  }();
}

}  // namespace

std::uint32_t Get32(const TBytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void Put32(TBytes& b, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = (value >> (8 * i)) & 0xFF;
}

TBytes BuildPe(const TFixturePe& fixture) {
  struct TSection { const char* Name; std::uint32_t Rva; TBytes Data; std::uint32_t Flags; };
  std::vector<TSection> sections;
  sections.push_back({".text", 0x1000, TBytes{0x31, 0xC0, 0xC3}, 0x60000020});
  sections.push_back({".rsrc", FixtureResourceRva, BuildResourceSection(fixture.Resources), 0x40000040});
  std::uint32_t nextRva = FixtureResourceRva + ((static_cast<std::uint32_t>(sections.back().Data.size()) + 0xFFF) & ~0xFFFu);
  if (fixture.DataSectionAfter) {
    sections.push_back({".data", nextRva, TBytes(16, 7), 0xC0000040});
    nextRva += 0x1000;
  }
  if (fixture.Relocations) {
    TBytes relocations;  // one block for page 0x1000 with one absolute (padding) entry
    Add32(relocations, 0x1000);
    Add32(relocations, 12);
    Add16(relocations, 0);
    Add16(relocations, 0);
    sections.push_back({".reloc", nextRva, relocations, 0x42000040});
    nextRva += 0x1000;
  }

  TBytes pe(0x400, 0);
  pe[0] = 'M';
  pe[1] = 'Z';
  Put32(pe, 0x3C, FixturePeOffset);
  pe[FixturePeOffset] = 'P';
  pe[FixturePeOffset + 1] = 'E';
  const std::size_t coff = FixturePeOffset + 4;
  Put16(pe, coff, 0x8664);
  Put16(pe, coff + 2, static_cast<std::uint32_t>(sections.size()));
  Put16(pe, coff + 16, 240);
  Put16(pe, coff + 18, 0x22);
  const std::size_t o = FixtureOptionalHeader;
  Put16(pe, o, 0x20B);
  Put32(pe, o + 16, 0x1000);  // entry point
  pe[o + 24 + 5] = 0x40;      // image base 0x140000000 (64-bit field at 24)
  pe[o + 24 + 4] = 0x01;
  Put32(pe, o + 32, 0x1000);
  Put32(pe, o + 36, 0x200);
  Put16(pe, o + 48, 6);  // subsystem version
  Put32(pe, o + 56, nextRva);
  Put32(pe, o + 60, 0x400);
  Put32(pe, o + 64, fixture.Checksum);
  Put16(pe, o + 68, 2);  // GUI
  Put32(pe, o + 108, 16);
  std::size_t table = FixtureSectionTable;
  for (const auto& s : sections) {
    std::copy(s.Name, s.Name + std::char_traits<char>::length(s.Name), pe.begin() + table);
    const std::uint32_t rawSize = (static_cast<std::uint32_t>(s.Data.size()) + 0x1FF) & ~0x1FFu;
    Put32(pe, table + 8, static_cast<std::uint32_t>(s.Data.size()));
    Put32(pe, table + 12, s.Rva);
    Put32(pe, table + 16, rawSize);
    Put32(pe, table + 20, static_cast<std::uint32_t>(pe.size()));
    Put32(pe, table + 36, s.Flags);
    if (std::string(s.Name) == ".rsrc") {
      Put32(pe, o + 112 + 8 * 2, s.Rva);
      Put32(pe, o + 112 + 8 * 2 + 4, static_cast<std::uint32_t>(s.Data.size()));
    }
    if (std::string(s.Name) == ".reloc") {
      Put32(pe, o + 112 + 8 * 5, s.Rva);
      Put32(pe, o + 112 + 8 * 5 + 4, static_cast<std::uint32_t>(s.Data.size()));
    }
    pe.insert(pe.end(), s.Data.begin(), s.Data.end());
    pe.resize(pe.size() + rawSize - s.Data.size(), 0);
    table += 40;
  }
  if (fixture.Certificate) {
    Put32(pe, o + 112 + 8 * 4, static_cast<std::uint32_t>(pe.size()));
    Put32(pe, o + 112 + 8 * 4 + 4, 8);
  }
  return pe;
}

std::uint64_t FixtureImageEnd(const TBytes& pe) {
  const std::size_t peOffset = Get32(pe, 0x3C);
  const std::size_t count = pe[peOffset + 6] | pe[peOffset + 7] << 8;
  const std::size_t optionalSize = pe[peOffset + 20] | pe[peOffset + 21] << 8;
  std::uint64_t end = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = peOffset + 24 + optionalSize + 40 * i;
    end = std::max<std::uint64_t>(end, std::uint64_t{Get32(pe, at + 16)} + Get32(pe, at + 20));
  }
  return end;
}

TBytes BuildVersionInfo(
    const std::vector<std::pair<std::u16string, std::vector<std::pair<std::u16string, std::u16string>>>>& tables,
    const std::vector<std::pair<std::uint16_t, std::uint16_t>>& translations) {
  TBytes out;
  // Opens a block; returns its start so that its length can be set when it closes.
  auto open = [&](const std::u16string& key, std::uint16_t valueLength, std::uint16_t type) {
    Pad(out, 4);
    const std::size_t at = out.size();
    Add16(out, 0);
    Add16(out, valueLength);
    Add16(out, type);
    for (char16_t c : key) Add16(out, c);
    Add16(out, 0);
    Pad(out, 4);
    return at;
  };
  auto close = [&](std::size_t at) { Put16(out, at, static_cast<std::uint32_t>(out.size() - at)); };
  const std::size_t root = open(u"VS_VERSION_INFO", 52, 0);
  Add32(out, 0xFEEF04BD);
  out.resize(out.size() + 48, 0);
  const std::size_t strings = open(u"StringFileInfo", 0, 1);
  for (const auto& [key, values] : tables) {
    const std::size_t table = open(key, 0, 1);
    for (const auto& [name, value] : values) {
      const std::size_t text = open(name, static_cast<std::uint16_t>(value.size() + 1), 1);
      for (char16_t c : value) Add16(out, c);
      Add16(out, 0);
      close(text);
    }
    close(table);
  }
  close(strings);
  const std::size_t var = open(u"VarFileInfo", 0, 1);
  const std::size_t list = open(u"Translation", static_cast<std::uint16_t>(4 * translations.size()), 0);
  for (const auto& [language, codePage] : translations) {
    Add16(out, language);
    Add16(out, codePage);
  }
  close(list);
  close(var);
  close(root);
  return out;
}

TBytes BuildIco(int count) {
  TBytes ico;
  Add16(ico, 0);
  Add16(ico, 1);
  Add16(ico, static_cast<std::uint32_t>(count));
  const std::uint32_t imageSize = 24;
  for (int i = 0; i < count; ++i) {
    ico.push_back(static_cast<std::uint8_t>(16 * (i + 1)));
    ico.push_back(static_cast<std::uint8_t>(16 * (i + 1)));
    ico.push_back(0);
    ico.push_back(0);
    Add16(ico, 1);
    Add16(ico, 32);
    Add32(ico, imageSize);
    Add32(ico, 6 + 16 * count + imageSize * i);
  }
  for (int i = 0; i < count; ++i) {
    const std::uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ico.insert(ico.end(), png, png + 8);
    ico.resize(ico.size() + imageSize - 8, static_cast<std::uint8_t>(i + 1));
  }
  return ico;
}

TBytes BuildIconGroup(const std::vector<std::uint16_t>& numbers) {
  TBytes group;
  Add16(group, 0);
  Add16(group, 1);
  Add16(group, static_cast<std::uint32_t>(numbers.size()));
  for (std::uint16_t number : numbers) {
    group.push_back(32);
    group.push_back(32);
    group.push_back(0);
    group.push_back(0);
    Add16(group, 1);
    Add16(group, 32);
    Add32(group, 24);
    Add16(group, number);
  }
  return group;
}

}  // namespace zel::test
