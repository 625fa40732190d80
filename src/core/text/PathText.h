#pragma once
// File paths as UTF-8 text. Paths keep the system's own form (bytes on
// Linux, UTF-16 on Windows); the program's text is UTF-8 everywhere, so
// paths cross into text and back only through these two functions, never
// through path::string(), which on Windows uses the ANSI code page.
#include <filesystem>
#include <string>
#include <string_view>

namespace zel {

// The path as UTF-8 (on Linux its bytes as they are).
std::string PathToUtf8(const std::filesystem::path& path);

// The path named by UTF-8 text (on Linux the bytes as they are); on Windows
// text that is not UTF-8 throws std::system_error.
std::filesystem::path Utf8ToPath(std::string_view text);

}  // namespace zel
