#pragma once
#include <string>
#include <string_view>

namespace zel {

// Unicode simple case folding (the one-to-one mappings, status C and S of the
// Unicode case-folding data) for Basic Latin, Latin-1 Supplement, Latin
// Extended-A and -B, Greek and Coptic, Cyrillic and Cyrillic Supplement, plus
// the capital sharp s and the Ohm, Kelvin and Angstrom signs. Every other code
// point folds to itself. The fold does not depend on the user's locale:
// Turkish dotted and dotless i keep their Unicode default behaviour (U+0130
// and U+0131 fold to themselves).
char32_t SimpleCaseFold(char32_t codePoint);

// Folds every code point of a UTF-8 text; broken sequences become U+FFFD.
std::string FoldCase(std::string_view text);

// True when two UTF-8 texts are equal after FoldCase.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace zel
