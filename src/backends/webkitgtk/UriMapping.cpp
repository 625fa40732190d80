#include "backends/webkitgtk/UriMapping.h"

#include <sys/random.h>

#include <cctype>
#include <charconv>
#include <stdexcept>

namespace zel {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) !=
        std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  }
  return true;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
    text.remove_suffix(1);
  return text;
}

// Replaces the scheme `from` (followed by ':') with `to`.
std::string SwapScheme(std::string_view uri, std::string_view from, std::string_view to) {
  if (uri.size() > from.size() && uri[from.size()] == ':' && StartsWithNoCase(uri, from))
    return std::string(to) + std::string(uri.substr(from.size()));
  return std::string(uri);
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string FileToEngineUri(std::string_view uri) { return SwapScheme(uri, "file", EngineScheme); }

std::string EngineToFileUri(std::string_view uri) { return SwapScheme(uri, EngineScheme, "file"); }

std::string StripFragment(std::string_view uri) {
  return std::string(uri.substr(0, uri.find('#')));
}

bool IsEngineUri(std::string_view uri) {
  return uri.size() > EngineScheme.size() && uri[EngineScheme.size()] == ':' &&
         StartsWithNoCase(uri, EngineScheme);
}

std::string OriginToSource(std::string_view origin) {
  if (StartsWithNoCase(origin, "file:")) return "null";
  return SwapScheme(origin, EngineScheme, "file");
}

bool EqualInConstantTime(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    difference |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i]);
  return difference == 0;
}

std::vector<std::pair<std::string, std::string>> ParseHeaderText(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> headers;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view name = Trim(line.substr(0, colon));
    if (name.empty() || name.find_first_of(" \t") != std::string_view::npos) continue;
    headers.emplace_back(std::string(name), std::string(Trim(line.substr(colon + 1))));
  }
  return headers;
}

TBrowserArguments ParseBrowserArguments(std::string_view text) {
  TBrowserArguments arguments;
  while (!text.empty()) {
    std::size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) break;
    text.remove_prefix(start);
    std::size_t end = text.find_first_of(" \t\r\n");
    std::string_view word = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end);
    if (word.size() >= 2 && word.front() == '"' && word.back() == '"')
      word = word.substr(1, word.size() - 2);
    if (word == "--disable-web-security") arguments.DisableWebSecurity = true;
    if (word == "--autoplay-policy=no-user-gesture-required")
      arguments.AutoplayWithoutGesture = true;
    if (word == "--enable-automation") arguments.EnableAutomation = true;
  }
  return arguments;
}

bool MatchesUriFilter(std::string_view pattern, std::string_view uri) {
  // Iterative glob with backtracking to the last '*'.
  std::size_t p = 0, u = 0, star = std::string_view::npos, mark = 0;
  while (u < uri.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == uri[u])) {
      ++p;
      ++u;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = u;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      u = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string RandomToken(std::size_t bytes) {
  std::string raw(bytes, '\0');
  std::size_t filled = 0;
  while (filled < bytes) {
    ssize_t n = getrandom(raw.data() + filled, bytes - filled, 0);
    if (n < 0) throw std::runtime_error("No random source");
    filled += static_cast<std::size_t>(n);
  }
  static constexpr char digits[] = "0123456789abcdef";
  std::string token;
  for (unsigned char c : raw) {
    token += digits[c >> 4];
    token += digits[c & 15];
  }
  return token;
}

TRangeResult ParseRangeHeader(std::string_view header, std::uint64_t length, TByteRange& range) {
  header = Trim(header);
  if (!StartsWithNoCase(header, "bytes=")) return TRangeResult::None;
  std::string_view spec = Trim(header.substr(6));
  if (spec.find(',') != std::string_view::npos) return TRangeResult::None;  // whole body instead
  std::size_t dash = spec.find('-');
  if (dash == std::string_view::npos) return TRangeResult::None;
  std::string_view first = Trim(spec.substr(0, dash));
  std::string_view last = Trim(spec.substr(dash + 1));
  std::uint64_t a = 0, b = 0;
  if (first.empty()) {
    // Suffix range: the last `b` bytes.
    if (!ParseNumber(last, b)) return TRangeResult::None;
    if (b == 0 || length == 0) return TRangeResult::Unsatisfiable;
    range.First = b >= length ? 0 : length - b;
    range.Last = length - 1;
    return TRangeResult::Satisfiable;
  }
  if (!ParseNumber(first, a)) return TRangeResult::None;
  if (last.empty()) {
    b = length == 0 ? 0 : length - 1;
  } else {
    if (!ParseNumber(last, b) || b < a) return TRangeResult::None;
    if (length > 0 && b >= length) b = length - 1;
  }
  if (a >= length) return TRangeResult::Unsatisfiable;
  range.First = a;
  range.Last = b;
  return TRangeResult::Satisfiable;
}

}  // namespace zel
