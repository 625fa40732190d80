#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace zel {

// Options of a buffer search: which way to look, whether letter case counts and
// whether the match must be a whole word.
enum class TStringSearchOption : std::uint8_t { Down = 1, MatchCase = 2, WholeWord = 4 };

// A small set of TStringSearchOption values.
class TStringSearchOptions {
 public:
  constexpr TStringSearchOptions() = default;
  constexpr TStringSearchOptions(TStringSearchOption option)
      : FBits(static_cast<std::uint8_t>(option)) {}
  constexpr bool Contains(TStringSearchOption option) const {
    return (FBits & static_cast<std::uint8_t>(option)) != 0;
  }
  constexpr TStringSearchOptions operator|(TStringSearchOptions other) const {
    TStringSearchOptions result;
    result.FBits = static_cast<std::uint8_t>(FBits | other.FBits);
    return result;
  }

 private:
  std::uint8_t FBits = 0;
};

constexpr TStringSearchOptions operator|(TStringSearchOption a, TStringSearchOption b) {
  return TStringSearchOptions(a) | TStringSearchOptions(b);
}

// A point in time as a number of days since 1899-12-30 00:00; the fraction is
// the time of day. For negative values the fraction still counts forward from
// the start of the day (-1.25 is 1899-12-29 06:00).
struct TDateTime {
  double Days = 0;
};

// The values a variant may hold: nothing, text, a whole number, a real number
// or a date.
using TOleVariant = std::variant<std::monostate, std::string, std::int64_t, double, TDateTime>;

// Text utilities. Every text is UTF-8; "character" means one Unicode code point.
class TStrUtils {
 public:
  TStrUtils() = delete;

  // A complete JSON string literal, quotes included. Characters from U+20AC up
  // are escaped as \uXXXX (characters above U+FFFF as two escaped surrogate
  // halves), as are control characters without a short escape; the slash is
  // escaped too. Bytes that are not UTF-8 become \uFFFD.
  static std::string StringToJsonString(std::string_view value);

  // The lower-case content type for the extension of `fileName`, or
  // "application/octet-stream".
  static std::string GetFileMIMEType(std::string_view fileName);

  // Splits `value` at every occurrence of `separator` (exact match, left to
  // right). Always at least one element; an empty separator gives `value`.
  static std::vector<std::string> ExplodeStrings(std::string_view separator,
                                                 std::string_view value);
  // Joins the elements with `separator` between each two.
  static std::string ImplodeStrings(std::string_view separator,
                                    const std::vector<std::string>& arrayString);

  // Apostrophes become \x27 and double quotes \x22; backslashes stay.
  static std::string QuoteJavascript(std::string_view value);
  static std::string UnquoteJavascript(std::string_view value);
  // QuoteJavascript, then colons become \x3a and vertical bars \x7c.
  static std::string QuoteArguments(std::string_view value);
  static std::string UnquoteArguments(std::string_view value);

  // The non-empty lines of `value`, each trimmed, quoted and put in double
  // quotes, joined with ", " (no brackets).
  static std::string GetJavascriptArrayFromMultilineString(std::string_view value);

  // `ALength` characters drawn uniformly from `ACharSequence`; empty text when
  // the sequence is empty or the length is not positive.
  static std::string GetRandomString(int ALength, std::string_view ACharSequence);
  // `name`, a dash and 10 random lower-case letters and digits.
  static std::string GetControlRandomSuffix(std::string_view name);

  // Replaces `arguments` with the items of the query of `url` (after "?",
  // before "#"), split at "&", with "+" read as a blank and percent escapes
  // decoded as UTF-8. A query-less address gives no items.
  static void GetUrlArguments(std::string_view url, std::vector<std::string>& arguments);

  // Width and height from the first "<digits>x<digits>" in `value`; both -1
  // when there is none or a number does not fit an int.
  static void StrToResolution(std::string_view value, int& width, int& height);

  // Byte offset of the match of a buffer search for `ASubString` in `AString`:
  // the first one with Down, else the last one; std::string::npos when there
  // is none. An empty `ASubString` matches nothing. Without MatchCase, letter
  // case is ignored for ASCII, Latin, Greek and Cyrillic letters; with
  // WholeWord, the characters around the match must not be letters or digits.
  static std::size_t FindSubString(std::string_view AString, std::string_view ASubString,
                                   TStringSearchOptions ASearchOptions);
  static bool SubStringExists(std::string_view AString, std::string_view ASubString,
                              TStringSearchOptions ASearchOptions);

  // Text of a variant: text as is, numbers in decimal (shortest form that reads
  // back the same), dates as "YYYY-MM-DD HH:MM:SS" (the time left out at
  // midnight, the date left out for a time of day alone); empty otherwise and
  // for dates outside the years 1 to 9999.
  static std::string OleVarToStr(const TOleVariant& value);

  // `number` in decimal with leading zeros up to `length` digits.
  static std::string AddLeadingZeroes(std::int64_t number, int length);
  static std::string RepeatString(std::string_view value, int count);
  // The first character upper-cased (ASCII, Latin, Greek and Cyrillic letters).
  static std::string Capitalize(std::string_view value);

  // Whether the lower-cased path starts with "app/files/" or "app/plugins/".
  static bool FilePathIsAppRelative(std::string_view path);
  static bool FilePathIsPluginRelative(std::string_view path);
};

}  // namespace zel
