#include "core/menus/MenuDisplay.h"

#include <unordered_set>

#include "core/text/CaseFold.h"
#include "core/text/Utf8.h"

namespace zel {
namespace {

// The caption without "&" marks, and where the first marked character went.
void StripAccessMark(std::string_view caption, std::string& text, std::size_t& marked) {
  text.clear();
  marked = std::string::npos;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      text += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      text += '&';
      ++i;
    } else if (i + 1 < caption.size() && marked == std::string::npos) {
      marked = text.size();  // a lone "&" at the end marks nothing
    }
  }
}

// Cuts `text` after MaxShownCaptionLength characters; a mark beyond goes.
void CutLongText(std::string& text, std::size_t& marked) {
  std::size_t pos = 0;
  for (std::size_t count = 0; pos < text.size() && count < MaxShownCaptionLength; ++count)
    NextCodePoint(text, pos);
  if (pos >= text.size()) return;
  text.resize(pos);
  text += "\u2026";
  if (marked != std::string::npos && marked >= pos) marked = std::string::npos;
}

// Access keys match whatever their letter case.
char32_t KeyAt(const std::string& text, std::size_t offset) {
  std::size_t pos = offset;
  return SimpleCaseFold(NextCodePoint(text, pos));
}

bool CanBeAutomaticKey(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::vector<TMenuEntryLayout> LayOutMenuLevel(std::span<const TMenuItem> items) {
  std::vector<TMenuEntryLayout> layout(items.size());
  std::vector<std::size_t> marked(items.size(), std::string::npos);
  std::unordered_set<char32_t> taken;

  for (std::size_t i = 0; i < items.size(); ++i) {
    layout[i].Separator = items[i].Caption == MenuSeparatorCaption;
    if (layout[i].Separator) continue;
    StripAccessMark(items[i].Caption, layout[i].Text, marked[i]);
    CutLongText(layout[i].Text, marked[i]);
    if (marked[i] != std::string::npos && taken.insert(KeyAt(layout[i].Text, marked[i])).second)
      layout[i].AccessKey = marked[i];
  }
  // The keys of ASCII letters and digits are few: once all are taken the
  // remaining items are left without one, and the search stops.
  std::size_t freeKeys = 36;
  for (char32_t key : taken) {
    if (key < 0x80 && CanBeAutomaticKey(static_cast<char>(key))) --freeKeys;
  }
  for (std::size_t i = 0; i < items.size() && freeKeys > 0; ++i) {
    TMenuEntryLayout& entry = layout[i];
    if (entry.Separator || entry.AccessKey != std::string::npos) continue;
    for (std::size_t pos = 0; pos < entry.Text.size(); ++pos) {
      if (!CanBeAutomaticKey(entry.Text[pos])) continue;
      if (taken.insert(KeyAt(entry.Text, pos)).second) {
        entry.AccessKey = pos;
        --freeKeys;
        break;
      }
    }
  }

  // Separators: none first or last, and one of several in a row.
  bool itemBefore = false;  // a shown item stands before, with no separator after it yet
  std::size_t pending = items.size();
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!layout[i].Separator) {
      if (pending != items.size()) layout[pending].Shown = true;
      pending = items.size();
      itemBefore = true;
      continue;
    }
    layout[i].Shown = false;
    if (itemBefore && pending == items.size()) pending = i;  // shown once an item follows
    itemBefore = false;
  }
  return layout;
}

std::string UnderscoreLabel(const TMenuEntryLayout& entry) {
  std::string label;
  label.reserve(entry.Text.size() + 2);
  for (std::size_t i = 0; i < entry.Text.size(); ++i) {
    // "_" itself cannot be marked: "__" stands for the character.
    if (i == entry.AccessKey && entry.Text[i] != '_') label += '_';
    label += entry.Text[i];
    if (entry.Text[i] == '_') label += '_';
  }
  return label;
}

}  // namespace zel
