#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

// Replacement for bytes that are not valid UTF-8.
inline constexpr char32_t ReplacementCharacter = 0xFFFD;

// True when `text` is well-formed UTF-8 (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view text);

// Decodes one code point at `pos` and advances `pos`; an invalid sequence
// yields ReplacementCharacter and advances by one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of `codePoint` to `out`.
void AppendUtf8(std::string& out, char32_t codePoint);

std::u32string Utf8ToUtf32(std::string_view text);
std::string Utf32ToUtf8(std::u32string_view text);

}  // namespace zel
