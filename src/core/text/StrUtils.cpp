#include "core/text/StrUtils.h"
#include "core/text/HexDigits.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>

#include "core/text/MimeTypes.h"
#include "core/text/Utf8.h"

namespace zel {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendUnicodeEscape(std::string& out, unsigned unit) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += HexDigits[(unit >> shift) & 0xF];
}

std::string ReplaceAll(std::string_view value, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(value.size());
  std::size_t start = 0;
  for (std::size_t at = value.find(from); at != std::string_view::npos;
       at = value.find(from, start)) {
    out.append(value, start, at - start);
    out += to;
    start = at + from.size();
  }
  out.append(value, start);
  return out;
}

std::string AsciiLower(std::string_view value) {
  std::string out(value);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// Removes bytes up to and including the blank from both ends.
std::string_view Trim(std::string_view value) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!value.empty() && blank(value.front())) value.remove_prefix(1);
  while (!value.empty() && blank(value.back())) value.remove_suffix(1);
  return value;
}

// Simple upper-case mapping for ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic letters; other characters map to themselves.
char32_t ToUpper(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 0x20 : c;
  if (c == 0xB5) return 0x39C;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return 'I';
    if (c == 0x17F) return 'S';
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178) return c;
    const bool oddIsLower = (c < 0x139) || (c >= 0x14A && c <= 0x177);
    const bool isOdd = (c & 1) != 0;
    return (isOdd == oddIsLower) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? 0x3A3 : c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

// Letters and digits of any script count as word characters; ASCII and
// Latin-1 punctuation, symbols and blanks and the general punctuation block
// separate words.
bool IsWordCharacter(char32_t c) {
  if (c < 0x80) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  }
  if (c <= 0xBF || c == 0xD7 || c == 0xF7) return false;
  if (c >= 0x2000 && c <= 0x206F) return false;
  if (c == 0x3000 || c == ReplacementCharacter) return false;
  return true;
}

// The process's pseudo-random generator, seeded once.
struct TRandomSource {
  std::mutex Mutex;
  std::mt19937_64 Generator{std::random_device{}()};
};

TRandomSource& RandomSource() {
  static TRandomSource source;
  return source;
}

// "+" becomes a blank, "%XX" the byte XX; a "%" without two hexadecimal digits
// stays as it is. Byte sequences that are not UTF-8 become U+FFFD.
std::string DecodeQueryItem(std::string_view item) {
  std::string bytes;
  bytes.reserve(item.size());
  for (std::size_t i = 0; i < item.size(); ++i) {
    const char c = item[i];
    if (c == '+') {
      bytes += ' ';
    } else if (c == '%' && i + 2 < item.size() && HexDigitValue(item[i + 1]) >= 0 &&
               HexDigitValue(item[i + 2]) >= 0) {
      bytes += static_cast<char>(HexDigitValue(item[i + 1]) * 16 + HexDigitValue(item[i + 2]));
      i += 2;
    } else {
      bytes += c;
    }
  }
  if (IsValidUtf8(bytes)) return bytes;
  return Utf32ToUtf8(Utf8ToUtf32(bytes));
}

std::string FormatDateTime(double value) {
  // Years 1 to 9999.
  constexpr double FirstDay = -693593.0;
  constexpr double LastDay = 2958466.0;
  if (!std::isfinite(value) || value < FirstDay || value >= LastDay) return {};
  double wholeDays = std::trunc(value);
  long long seconds = std::llround(std::fabs(value - wholeDays) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    wholeDays += 1;
  }
  using namespace std::chrono;
  constexpr sys_days Epoch = sys_days(year(1899) / December / 30);
  const year_month_day date(Epoch + days(static_cast<long long>(wholeDays)));
  if (!date.ok() || static_cast<int>(date.year()) > 9999) return {};

  char dateText[32];
  std::snprintf(dateText, sizeof dateText, "%04d-%02u-%02u", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
  char timeText[32];
  std::snprintf(timeText, sizeof timeText, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  if (seconds == 0) return dateText;
  if (wholeDays == 0) return timeText;
  return std::string(dateText) + " " + timeText;
}

}  // namespace

std::string TStrUtils::StringToJsonString(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '"';
  std::size_t pos = 0;
  while (pos < value.size()) {
    const char32_t c = NextCodePoint(value, pos);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '/':
        out += "\\/";
        break;
      case 0x08:
        out += "\\b";
        break;
      case 0x09:
        out += "\\t";
        break;
      case 0x0A:
        out += "\\n";
        break;
      case 0x0C:
        out += "\\f";
        break;
      case 0x0D:
        out += "\\r";
        break;
      default:
        if (c < 0x20) {
          AppendUnicodeEscape(out, c);
        } else if (c < 0x20AC) {
          AppendUtf8(out, c);
        } else if (c <= 0xFFFF) {
          AppendUnicodeEscape(out, c);
        } else {
          const char32_t offset = c - 0x10000;
          AppendUnicodeEscape(out, 0xD800 + (offset >> 10));
          AppendUnicodeEscape(out, 0xDC00 + (offset & 0x3FF));
        }
    }
  }
  out += '"';
  return out;
}

std::string TStrUtils::GetFileMIMEType(std::string_view fileName) {
  return TMimeTypes::Process().FileType(fileName);
}

std::vector<std::string> TStrUtils::ExplodeStrings(std::string_view separator,
                                                   std::string_view value) {
  std::vector<std::string> result;
  if (separator.empty()) {
    result.emplace_back(value);
    return result;
  }
  std::size_t start = 0;
  for (std::size_t at = value.find(separator); at != std::string_view::npos;
       at = value.find(separator, start)) {
    result.emplace_back(value.substr(start, at - start));
    start = at + separator.size();
  }
  result.emplace_back(value.substr(start));
  return result;
}

std::string TStrUtils::ImplodeStrings(std::string_view separator,
                                      const std::vector<std::string>& arrayString) {
  std::string out;
  for (std::size_t i = 0; i < arrayString.size(); ++i) {
    if (i > 0) out += separator;
    out += arrayString[i];
  }
  return out;
}

std::string TStrUtils::QuoteJavascript(std::string_view value) {
  return ReplaceAll(ReplaceAll(value, "'", "\\x27"), "\"", "\\x22");
}

std::string TStrUtils::UnquoteJavascript(std::string_view value) {
  return ReplaceAll(ReplaceAll(value, "\\x27", "'"), "\\x22", "\"");
}

std::string TStrUtils::QuoteArguments(std::string_view value) {
  return ReplaceAll(ReplaceAll(QuoteJavascript(value), ":", "\\x3a"), "|", "\\x7c");
}

std::string TStrUtils::UnquoteArguments(std::string_view value) {
  return ReplaceAll(ReplaceAll(UnquoteJavascript(value), "\\x3a", ":"), "\\x7c", "|");
}

std::string TStrUtils::GetJavascriptArrayFromMultilineString(std::string_view value) {
  std::vector<std::string> items;
  for (const std::string& line : ExplodeStrings("\n", value)) {
    if (line.empty()) continue;
    items.push_back("\"" + QuoteJavascript(Trim(line)) + "\"");
  }
  return ImplodeStrings(", ", items);
}

std::string TStrUtils::GetRandomString(int ALength, std::string_view ACharSequence) {
  const std::u32string characters = Utf8ToUtf32(ACharSequence);
  std::string out;
  if (ALength <= 0 || characters.empty()) return out;
  std::uniform_int_distribution<std::size_t> pick(0, characters.size() - 1);
  TRandomSource& source = RandomSource();
  const std::lock_guard<std::mutex> lock(source.Mutex);
  for (int i = 0; i < ALength; ++i) AppendUtf8(out, characters[pick(source.Generator)]);
  return out;
}

std::string TStrUtils::GetControlRandomSuffix(std::string_view name) {
  return std::string(name) + "-" + GetRandomString(10, "abcdefghijklmnopqrstuvwxyz1234567890");
}

void TStrUtils::GetUrlArguments(std::string_view url, std::vector<std::string>& arguments) {
  arguments.clear();
  const std::size_t question = url.find('?');
  if (question == std::string_view::npos) return;
  std::string_view query = url.substr(question + 1);
  query = query.substr(0, query.find('#'));
  if (query.empty()) return;
  for (const std::string& item : ExplodeStrings("&", query)) {
    arguments.push_back(DecodeQueryItem(item));
  }
}

void TStrUtils::StrToResolution(std::string_view value, int& width, int& height) {
  width = -1;
  height = -1;
  // The first match of "([0-9]+)x([0-9]+)", found by scanning runs of digits
  // (std::regex recurses per character and overflows the stack on long input).
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const auto digitsEnd = [&](std::size_t from) {
    while (from < value.size() && isDigit(value[from])) ++from;
    return from;
  };
  const auto parse = [&](std::size_t first, std::size_t last, int& out) {
    const auto [end, error] = std::from_chars(value.data() + first, value.data() + last, out);
    return error == std::errc() && end == value.data() + last;
  };
  for (std::size_t pos = 0; pos < value.size();) {
    if (!isDigit(value[pos])) {
      ++pos;
      continue;
    }
    const std::size_t runEnd = digitsEnd(pos);
    if (runEnd + 1 < value.size() && value[runEnd] == 'x' && isDigit(value[runEnd + 1])) {
      int w = 0;
      int h = 0;
      if (parse(pos, runEnd, w) && parse(runEnd + 1, digitsEnd(runEnd + 1), h)) {
        width = w;
        height = h;
      }
      return;
    }
    pos = runEnd;
  }
}

std::size_t TStrUtils::FindSubString(std::string_view AString, std::string_view ASubString,
                                     TStringSearchOptions ASearchOptions) {
  if (ASubString.empty()) return std::string::npos;
  const bool matchCase = ASearchOptions.Contains(TStringSearchOption::MatchCase);
  // Decode both texts; `offsets` maps a character index of the text to its byte offset.
  std::u32string text;
  std::vector<std::size_t> offsets;
  for (std::size_t pos = 0; pos < AString.size();) {
    offsets.push_back(pos);
    const char32_t c = NextCodePoint(AString, pos);
    text += matchCase ? c : ToUpper(c);
  }
  offsets.push_back(AString.size());
  std::u32string pattern = Utf8ToUtf32(ASubString);
  if (!matchCase) {
    for (char32_t& c : pattern) c = ToUpper(c);
  }
  if (pattern.size() > text.size()) return std::string::npos;

  const bool wholeWord = ASearchOptions.Contains(TStringSearchOption::WholeWord);
  const auto matchesAt = [&](std::size_t i) {
    if (text.compare(i, pattern.size(), pattern) != 0) return false;
    if (!wholeWord) return true;
    const std::size_t end = i + pattern.size();
    return (i == 0 || !IsWordCharacter(text[i - 1])) &&
           (end == text.size() || !IsWordCharacter(text[end]));
  };
  const std::size_t last = text.size() - pattern.size();
  if (ASearchOptions.Contains(TStringSearchOption::Down)) {
    for (std::size_t i = 0; i <= last; ++i) {
      if (matchesAt(i)) return offsets[i];
    }
  } else {
    for (std::size_t i = last + 1; i-- > 0;) {
      if (matchesAt(i)) return offsets[i];
    }
  }
  return std::string::npos;
}

bool TStrUtils::SubStringExists(std::string_view AString, std::string_view ASubString,
                                TStringSearchOptions ASearchOptions) {
  return FindSubString(AString, ASubString, ASearchOptions) != std::string::npos;
}

std::string TStrUtils::OleVarToStr(const TOleVariant& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *real);
    return std::string(buffer, result.ptr);
  }
  if (const auto* date = std::get_if<TDateTime>(&value)) return FormatDateTime(date->Days);
  return {};
}

std::string TStrUtils::AddLeadingZeroes(std::int64_t number, int length) {
  const long long value = number;
  // At least one digit: "%.0lld" would print nothing for zero.
  length = std::max(length, 1);
  const int size = std::snprintf(nullptr, 0, "%.*lld", length, value);
  if (size < 0) return std::to_string(number);
  std::string out(static_cast<std::size_t>(size), '\0');
  std::snprintf(out.data(), out.size() + 1, "%.*lld", length, value);
  return out;
}

std::string TStrUtils::RepeatString(std::string_view value, int count) {
  std::string out;
  if (count <= 0) return out;
  out.reserve(value.size() * count);
  for (int i = 0; i < count; ++i) out += value;
  return out;
}

std::string TStrUtils::Capitalize(std::string_view value) {
  if (value.empty()) return {};
  std::size_t pos = 0;
  const char32_t first = NextCodePoint(value, pos);
  const char32_t upper = ToUpper(first);
  if (upper == first) return std::string(value);
  std::string out;
  AppendUtf8(out, upper);
  out.append(value.substr(pos));
  return out;
}

bool TStrUtils::FilePathIsAppRelative(std::string_view path) {
  return AsciiLower(path.substr(0, 10)) == "app/files/";
}

bool TStrUtils::FilePathIsPluginRelative(std::string_view path) {
  return AsciiLower(path.substr(0, 12)) == "app/plugins/";
}

}  // namespace zel
