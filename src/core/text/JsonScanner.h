#pragma once
// Reading JSON text in place: values are checked and located, never copied,
// so a string of hundreds of MiB inside a message costs one pass over its
// bytes and no memory. Acceptance is that of nlohmann::json::parse (RFC 8259,
// well-formed UTF-8, surrogate escapes in pairs, numbers that fit a double, a
// leading byte-order mark skipped), so a text is refused here exactly when a
// parse would fail, and also when it holds a raw NUL byte, which the parse
// takes for the end of the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

enum class TJsonKind : std::uint8_t { Null, False, True, Number, String, Object, Array };

// One value inside a JSON text, as written: for a string the characters
// between its quotes (escapes undecoded), for any other value its whole text.
struct TJsonValueView {
  TJsonKind Kind = TJsonKind::Null;
  std::string_view Text;
  // Strings only: whether Text holds a backslash escape.
  bool HasEscapes = false;
};

// Walks one JSON text. Positions are byte offsets into the text; every
// function that reads a token skips the white space before it.
class TJsonScanner {
 public:
  // `maxNesting`: objects and arrays nested deeper than this are refused.
  TJsonScanner(std::string_view text, int maxNesting);

  // Skips a byte-order mark at the very start, as the parse does.
  void SkipByteOrderMark();
  // Skips white space; returns the next character, or '\0' at the end.
  char Peek();
  // Consumes `c` after white space; false when the next character differs.
  bool Consume(char c);
  // Reads and checks one whole value at `depth` (the number of objects and
  // arrays around it); false when it is malformed or nests too deep.
  bool ReadValue(int depth, TJsonValueView& value);
  // Reads a string token; false when malformed.
  bool ReadString(TJsonValueView& value);
  // Whether only white space is left.
  bool AtEnd();

  std::size_t Position() const { return FPosition; }
  std::string_view Text() const { return FText; }

 private:
  bool ReadStringBody(bool& hasEscapes);
  bool ReadEscape();
  bool ReadUtf8Sequence();
  bool ReadNumber();
  bool ReadLiteral(std::string_view literal);
  bool SkipContainer(int depth);

  std::string_view FText;
  std::size_t FPosition = 0;
  int FMaxNesting;
};

// The text of a string value (the characters between the quotes of a string
// the scanner accepted), escapes decoded to UTF-8.
std::string DecodeJsonString(std::string_view escaped);

// Decodes such a string in steps, so that a large one is never held decoded
// in memory whole.
class TJsonStringDecoder {
 public:
  // `escaped` false: the text is taken as it is.
  TJsonStringDecoder(std::string_view text, bool escaped) : FText(text), FEscaped(escaped) {}
  // Writes the next decoded bytes to `buffer`, which holds `capacity` (at
  // least 4) bytes; returns how many, 0 at the end.
  std::size_t Read(char* buffer, std::size_t capacity);
  // The next decoded bytes without a copy: a run of at most `limit` (at
  // least 1) bytes of the text as written, which holds no escape, or one
  // escape decoded into `escape`. Empty at the end.
  std::string_view Next(std::size_t limit, char (&escape)[4]);
  // Whether the next bytes come from an escape (a backslash in escaped text).
  bool AtEscape() const { return FEscaped && FPosition < FText.size() && FText[FPosition] == '\\'; }

 private:
  std::string_view FText;
  bool FEscaped;
  std::size_t FPosition = 0;
};

}  // namespace zel
