#include "core/package/ExeIconAndVersion.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/text/TextDecoding.h"
#include "core/text/Utf8.h"

namespace zel {
namespace {

using TBytes = std::vector<std::uint8_t>;

std::uint32_t Read16(const TBytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t Read32(const TBytes& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void Append16(TBytes& b, std::uint32_t value) {
  b.push_back(value & 0xFF);
  b.push_back((value >> 8) & 0xFF);
}

TIconImageInfo ImageInfo(const std::uint8_t* entry) {
  return {entry[0] ? entry[0] : 256u, entry[1] ? entry[1] : 256u,
          static_cast<unsigned>(entry[6] | (entry[7] << 8)),
          static_cast<std::uint32_t>(entry[8] | (entry[9] << 8) | (entry[10] << 16) |
                                     (static_cast<std::uint32_t>(entry[11]) << 24))};
}

// A group of icon images as stored in a resource: a 6-byte header, then
// 14-byte entries (the .ico entry's first 12 bytes and the image's number).
struct TIconGroupEntry {
  TIconImageInfo Info;
  std::uint16_t Number;
};
std::vector<TIconGroupEntry> ParseIconGroup(const TBytes& b) {
  if (b.size() < 6 || Read16(b, 0) != 0 || Read16(b, 2) != 1) throw EExeResourceError("a damaged icon group");
  const std::size_t count = Read16(b, 4);
  if (6 + 14 * count > b.size()) throw EExeResourceError("a damaged icon group");
  std::vector<TIconGroupEntry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 14 * i;
    entries.push_back({ImageInfo(b.data() + at), static_cast<std::uint16_t>(Read16(b, at + 12))});
  }
  return entries;
}

bool IsIcon(const TResourceKey& key) { return !key.Type.IsText() && key.Type.Number == ResourceTypeIcon; }
bool IsIconGroup(const TResourceKey& key) { return !key.Type.IsText() && key.Type.Number == ResourceTypeGroupIcon; }
bool IsVersion(const TResourceKey& key) { return !key.Type.IsText() && key.Type.Number == ResourceTypeVersion; }

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  for (char32_t c : Utf8ToUtf32(text)) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  TBytes bytes;
  for (char16_t c : text) Append16(bytes, c);
  return DecodeUtf16(bytes, false);
}

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

// One block of version information: a length, the value's length, a type
// (1 text, 0 binary), a key, then the value and the child blocks, each
// starting on a 4-byte boundary of the resource.
struct TVersionBlock {
  std::u16string Key;
  std::uint16_t Type = 0;
  std::uint16_t ValueLength = 0;
  TBytes Value;
  std::vector<TVersionBlock> Children;

  std::u16string Text() const {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < Value.size(); i += 2) {
      const auto c = static_cast<char16_t>(Read16(Value, i));
      if (c == 0) break;
      text.push_back(c);
    }
    return text;
  }
  void SetText(std::u16string_view text) {
    Value.clear();
    for (char16_t c : text) Append16(Value, c);
    Append16(Value, 0);
    Type = 1;
    ValueLength = static_cast<std::uint16_t>(text.size() + 1);  // in characters, with the terminator
  }
  TVersionBlock* Child(std::u16string_view key) {
    for (auto& child : Children) {
      if (EqualIgnoringAsciiCase(child.Key, key)) return &child;
    }
    return nullptr;
  }
};

std::size_t Align4(std::size_t value) { return (value + 3) & ~std::size_t{3}; }

TVersionBlock ParseVersionBlock(const TBytes& b, std::size_t at, std::size_t limit, int depth) {
  auto damaged = [] { return EExeResourceError("damaged version information"); };
  if (depth > 6 || at + 6 > limit) throw damaged();
  const std::size_t length = Read16(b, at);
  if (length < 6 || at + length > limit) throw damaged();
  const std::size_t end = at + length;
  TVersionBlock block;
  block.ValueLength = static_cast<std::uint16_t>(Read16(b, at + 2));
  block.Type = static_cast<std::uint16_t>(Read16(b, at + 4));
  std::size_t p = at + 6;
  for (;; p += 2) {
    if (p + 2 > end) throw damaged();  // the key has no terminator
    const auto c = static_cast<char16_t>(Read16(b, p));
    if (c == 0) break;
    block.Key.push_back(c);
  }
  p = std::min(Align4(p + 2), end);
  // Some compilers count a text value in bytes: never read past the block.
  const std::size_t valueSize = std::min<std::size_t>(block.Type == 1 ? block.ValueLength * 2u : block.ValueLength, end - p);
  block.Value.assign(b.begin() + p, b.begin() + p + valueSize);
  p = Align4(p + valueSize);
  while (p + 6 <= end) {
    block.Children.push_back(ParseVersionBlock(b, p, end, depth + 1));
    p = Align4(p + Read16(b, p));
  }
  return block;
}

void WriteVersionBlock(const TVersionBlock& block, TBytes& out) {
  while (out.size() % 4) out.push_back(0);
  const std::size_t start = out.size();
  Append16(out, 0);  // length, set below
  Append16(out, block.ValueLength);
  Append16(out, block.Type);
  for (char16_t c : block.Key) Append16(out, c);
  Append16(out, 0);
  while (out.size() % 4) out.push_back(0);
  out.insert(out.end(), block.Value.begin(), block.Value.end());
  for (const auto& child : block.Children) WriteVersionBlock(child, out);
  const std::size_t length = out.size() - start;
  if (length > 0xFFFF) throw EExeResourceError("the version information grew beyond 64 KiB");
  out[start] = length & 0xFF;
  out[start + 1] = (length >> 8) & 0xFF;
}

// The version resource the system reads: number 1 if there is one, else the
// first; of its languages the lowest (neutral first).
TResourceMap::const_iterator FindVersion(const TResourceMap& resources) {
  const TResourceKey first{TResourceId::FromNumber(ResourceTypeVersion), TResourceId::FromNumber(1), 0};
  auto found = resources.lower_bound(first);
  if (found != resources.end() && IsVersion(found->first) && found->first.Name == first.Name) return found;
  return std::find_if(resources.begin(), resources.end(), [](const auto& item) { return IsVersion(item.first); });
}

TVersionBlock ParseVersionInfo(const TBytes& bytes) {
  TVersionBlock root = ParseVersionBlock(bytes, 0, bytes.size(), 0);
  if (root.Key != u"VS_VERSION_INFO") throw EExeResourceError("damaged version information");
  return root;
}

}  // namespace

TIconFile ParseIconFile(const TBytes& b) {
  auto fault = [](const std::string& why) { return EExeResourceError("not a valid icon file: " + why); };
  if (b.size() < 6 || Read16(b, 0) != 0 || Read16(b, 2) != 1) throw fault("no icon header");
  const std::size_t count = Read16(b, 4);
  if (count == 0) throw fault("it holds no image");
  const std::size_t directoryEnd = 6 + 16 * count;
  if (directoryEnd > b.size()) throw fault("its directory is cut short");
  TIconFile icon;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    const TIconImageInfo info = ImageInfo(b.data() + at);
    const std::uint64_t offset = Read32(b, at + 12);
    const std::string which = "image " + std::to_string(i + 1);
    if (info.Bytes < 8 || offset < directoryEnd || offset + info.Bytes > b.size()) {
      throw fault(which + " lies outside the file");
    }
    const TBytes image(b.begin() + static_cast<std::ptrdiff_t>(offset),
                       b.begin() + static_cast<std::ptrdiff_t>(offset + info.Bytes));
    const bool png = image[0] == 0x89 && image[1] == 'P' && image[2] == 'N' && image[3] == 'G';
    const bool bitmap = Read32(image, 0) == 40;  // BITMAPINFOHEADER
    if (!png && !bitmap) throw fault(which + " is neither PNG nor a bitmap");
    std::array<std::uint8_t, 12> entry;
    std::copy(b.begin() + at, b.begin() + at + 12, entry.begin());
    icon.Images.push_back(info);
    icon.ImageBytes.push_back(image);
    icon.DirectoryEntries.push_back(entry);
  }
  return icon;
}

void ReplaceMainIcon(TResourceMap& resources, const TIconFile& icon) {
  const auto mainName = TResourceId::FromText(std::u16string(MainIconName));
  auto group = std::find_if(resources.begin(), resources.end(), [&](const auto& item) {
    return IsIconGroup(item.first) && item.first.Name == mainName;
  });
  if (group != resources.end()) {
    const std::uint16_t language = group->first.Language;
    for (const auto& entry : ParseIconGroup(group->second)) {
      resources.erase({TResourceId::FromNumber(ResourceTypeIcon), TResourceId::FromNumber(entry.Number), language});
    }
    resources.erase(group);
  }
  // Numbers other icon groups still use are skipped, so no group loses an image.
  std::set<std::uint16_t> taken;
  for (const auto& [key, data] : resources) {
    if (IsIcon(key) && !key.Name.IsText()) taken.insert(key.Name.Number);
  }
  TBytes groupBytes;
  Append16(groupBytes, 0);
  Append16(groupBytes, 1);
  Append16(groupBytes, static_cast<std::uint32_t>(icon.Images.size()));
  std::uint32_t number = FirstIconImageNumber;
  for (std::size_t i = 0; i < icon.Images.size(); ++i) {
    while (taken.count(static_cast<std::uint16_t>(number))) ++number;
    if (number > 0xFFFF) throw EExeResourceError("no free icon numbers are left");
    resources[{TResourceId::FromNumber(ResourceTypeIcon), TResourceId::FromNumber(static_cast<std::uint16_t>(number)),
               LanguageEnglishUs}] = icon.ImageBytes[i];
    groupBytes.insert(groupBytes.end(), icon.DirectoryEntries[i].begin(), icon.DirectoryEntries[i].end());
    Append16(groupBytes, number);
    ++number;
  }
  resources[{TResourceId::FromNumber(ResourceTypeGroupIcon), mainName, LanguageEnglishUs}] = groupBytes;
}

std::optional<TIconGroupInfo> ReadMainIconGroup(const TResourceMap& resources) {
  const auto mainName = TResourceId::FromText(std::u16string(MainIconName));
  auto group = std::find_if(resources.begin(), resources.end(), [&](const auto& item) {
    return IsIconGroup(item.first) && item.first.Name == mainName;
  });
  if (group == resources.end()) {
    group = std::find_if(resources.begin(), resources.end(), [](const auto& item) { return IsIconGroup(item.first); });
  }
  if (group == resources.end()) return std::nullopt;
  TIconGroupInfo info{group->first.Name.ToString(), group->first.Language, {}};
  for (const auto& entry : ParseIconGroup(group->second)) {
    // The group's sizes are what it says; the image itself must be there.
    const auto image = resources.find(
        {TResourceId::FromNumber(ResourceTypeIcon), TResourceId::FromNumber(entry.Number), group->first.Language});
    if (image == resources.end()) throw EExeResourceError("icon group " + info.Name + " names a missing image");
    info.Images.push_back(entry.Info);
  }
  return info;
}

bool UpdateVersionTexts(TResourceMap& resources, const TExeVersionTexts& texts) {
  const auto found = FindVersion(resources);
  if (found == resources.end()) return false;
  TVersionBlock root = ParseVersionInfo(found->second);
  std::vector<std::u16string> translations;
  if (auto* var = root.Child(u"VarFileInfo")) {
    if (auto* list = var->Child(u"Translation")) {
      for (std::size_t i = 0; i + 4 <= list->Value.size(); i += 4) {
        char key[9];
        std::snprintf(key, sizeof key, "%04x%04x", Read16(list->Value, i), Read16(list->Value, i + 2));
        translations.push_back(Utf8ToUtf16(key));
      }
    }
  }
  if (auto* strings = root.Child(u"StringFileInfo")) {
    for (auto& table : strings->Children) {
      const bool listed = std::any_of(translations.begin(), translations.end(),
                                      [&](const auto& key) { return EqualIgnoringAsciiCase(table.Key, key); });
      if (!listed) continue;
      for (auto& text : table.Children) {
        for (std::size_t i = 0; i < VersionTextNames.size(); ++i) {
          if (texts[i] && EqualIgnoringAsciiCase(text.Key, Utf8ToUtf16(VersionTextNames[i]))) {
            text.SetText(Utf8ToUtf16(*texts[i]));
          }
        }
      }
    }
  }
  TBytes block;
  WriteVersionBlock(root, block);
  resources.erase(found);
  resources[{TResourceId::FromNumber(ResourceTypeVersion), TResourceId::FromNumber(1), 0}] = std::move(block);
  return true;
}

std::vector<TVersionText> ReadVersionTexts(const TResourceMap& resources) {
  std::vector<TVersionText> result;
  const auto found = FindVersion(resources);
  if (found == resources.end()) return result;
  TVersionBlock root = ParseVersionInfo(found->second);
  if (auto* strings = root.Child(u"StringFileInfo")) {
    for (const auto& table : strings->Children) {
      for (const auto& text : table.Children) {
        result.push_back({Utf16ToUtf8(table.Key), Utf16ToUtf8(text.Key), Utf16ToUtf8(text.Text())});
      }
    }
  }
  return result;
}

}  // namespace zel
