#pragma once
#include <map>
#include <string>
#include <string_view>

namespace zel {

// Readers of the plain-text extension-to-type lists that Unix systems keep.
// Both add entries to `table` (extension in lower case with its leading dot ->
// type in lower case), replacing entries of the same extension.
class TContentTypeLists {
 public:
  TContentTypeLists() = delete;

  // A mime.types list: each line a type followed by its extensions, separated
  // by blanks or tabs; "#" starts a comment. When two lines name the same
  // extension the later line wins.
  static void ParseMimeTypes(std::string_view text, std::map<std::string, std::string>& table);

  // A shared-mime-info globs2 list: lines "weight:type:glob[:flags]". Only
  // plain "*.ext" globs count (no wildcards after the dot, no second dot).
  // For an extension named more than once the highest weight wins; at equal
  // weights a glob written in lower case beats one that was lower-cased, and
  // otherwise the earlier line wins (the list is written in order of
  // preference). Case-sensitive globs ("cs" flag) with capital letters are
  // skipped, since look-ups ignore case and would otherwise take them for the
  // lower-case extension.
  static void ParseGlobs2(std::string_view text, std::map<std::string, std::string>& table);
};

}  // namespace zel
