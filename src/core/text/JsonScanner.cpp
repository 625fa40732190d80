#include "core/text/JsonScanner.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#include "core/text/JsonSpecialBytes.h"

namespace zel {
namespace {

// Marks (by their high bit) the bytes of `word` that are a quote, a
// backslash, a control character or not ASCII: the only bytes inside a string
// that need a look. The mark of the first such byte is exact; marks after it
// may be false.
std::uint64_t AttentionMarks(std::uint64_t word) {
  return JsonSpecialByteMarks(word) | (word & ByteHighBits);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The four hexadecimal digits at `text[at]`, or -1.
int HexQuad(std::string_view text, std::size_t at) {
  if (at > text.size() || text.size() - at < 4) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + 4; ++i) {
    const int digit = HexDigit(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t AppendUtf8(char* out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out[0] = static_cast<char>(codePoint);
    return 1;
  }
  if (codePoint < 0x800) {
    out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 2;
  }
  if (codePoint < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
  out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  return 4;
}

// Decodes the escape at `text[position]` (a backslash) of a string the
// scanner accepted into `out` (room for 4 bytes); returns the bytes written
// and moves `position` past the escape.
std::size_t DecodeEscape(std::string_view text, std::size_t& position, char* out) {
  const char kind = text[position + 1];
  position += 2;
  switch (kind) {
    case 'b': *out = '\b'; return 1;
    case 'f': *out = '\f'; return 1;
    case 'n': *out = '\n'; return 1;
    case 'r': *out = '\r'; return 1;
    case 't': *out = '\t'; return 1;
    case 'u': break;
    default: *out = kind; return 1;  // '"', '\\', '/'
  }
  std::uint32_t codePoint = static_cast<std::uint32_t>(HexQuad(text, position));
  position += 4;
  if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {  // followed by its low half
    const auto low = static_cast<std::uint32_t>(HexQuad(text, position + 2));
    position += 6;
    codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low - 0xDC00);
  }
  return AppendUtf8(out, codePoint);
}

}  // namespace

TJsonScanner::TJsonScanner(std::string_view text, int maxNesting)
    : FText(text), FMaxNesting(maxNesting) {}

void TJsonScanner::SkipByteOrderMark() {
  if (FPosition == 0 && FText.substr(0, 3) == "\xEF\xBB\xBF") FPosition = 3;
}

char TJsonScanner::Peek() {
  while (FPosition < FText.size()) {
    const char c = FText[FPosition];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return c;
    ++FPosition;
  }
  return '\0';
}

bool TJsonScanner::Consume(char c) {
  if (Peek() != c || c == '\0') return false;
  ++FPosition;
  return true;
}

bool TJsonScanner::AtEnd() {
  Peek();
  return FPosition == FText.size();
}

bool TJsonScanner::ReadValue(int depth, TJsonValueView& value) {
  const char c = Peek();
  const std::size_t start = FPosition;
  switch (c) {
    case '{':
    case '[':
      if (!SkipContainer(depth)) return false;
      value = {c == '{' ? TJsonKind::Object : TJsonKind::Array, FText.substr(start, FPosition - start)};
      return true;
    case '"':
      return ReadString(value);
    case 't':
      value = {TJsonKind::True, FText.substr(start, 4)};
      return ReadLiteral("true");
    case 'f':
      value = {TJsonKind::False, FText.substr(start, 5)};
      return ReadLiteral("false");
    case 'n':
      value = {TJsonKind::Null, FText.substr(start, 4)};
      return ReadLiteral("null");
    default:
      if (c != '-' && !IsDigit(c)) return false;
      if (!ReadNumber()) return false;
      value = {TJsonKind::Number, FText.substr(start, FPosition - start)};
      return true;
  }
}

// Objects and arrays inside one another are walked with a stack of their
// closing characters, not by recursion: nesting costs no call stack.
bool TJsonScanner::SkipContainer(int depth) {
  std::string closers;
  const auto open = [&] {
    if (depth + static_cast<int>(closers.size()) + 1 > FMaxNesting) return false;
    closers.push_back(FText[FPosition] == '{' ? '}' : ']');
    ++FPosition;
    return true;
  };
  if (!open()) return false;
  bool justOpened = true;
  while (!closers.empty()) {
    const char close = closers.back();
    char c = Peek();
    if (c == close) {
      ++FPosition;
      closers.pop_back();
      justOpened = false;
      continue;
    }
    if (!justOpened) {
      if (c != ',') return false;
      ++FPosition;
    }
    if (close == '}') {  // a member: its name first
      TJsonValueView name;
      if (Peek() != '"' || !ReadString(name) || !Consume(':')) return false;
    }
    c = Peek();
    if (c == '{' || c == '[') {
      if (!open()) return false;
      justOpened = true;
      continue;
    }
    TJsonValueView scalar;
    if (!ReadValue(depth + static_cast<int>(closers.size()), scalar)) return false;
    justOpened = false;
  }
  return true;
}

bool TJsonScanner::ReadString(TJsonValueView& value) {
  if (Peek() != '"') return false;
  const std::size_t start = ++FPosition;
  bool hasEscapes = false;
  if (!ReadStringBody(hasEscapes)) return false;
  value = {TJsonKind::String, FText.substr(start, FPosition - 1 - start), hasEscapes};
  return true;
}

bool TJsonScanner::ReadStringBody(bool& hasEscapes) {
  const char* data = FText.data();
  const std::size_t size = FText.size();
  std::size_t at = FPosition;
  for (;;) {
    // Eight bytes at a time through plain text (base64, ASCII words).
    while (size - at >= 8) {
      std::uint64_t word;
      std::memcpy(&word, data + at, 8);
      if (const std::uint64_t marks = AttentionMarks(word)) {
        // Straight to the first marked byte where the word's first byte is
        // its lowest.
        if constexpr (std::endian::native == std::endian::little) at += std::countr_zero(marks) / 8;
        break;
      }
      at += 8;
    }
    if (at >= size) return false;
    const auto c = static_cast<unsigned char>(data[at]);
    if (c == '"') {
      FPosition = at + 1;
      return true;
    }
    if (c == '\\') {
      FPosition = at;
      if (!ReadEscape()) return false;
      hasEscapes = true;
      at = FPosition;
    } else if (c < 0x20) {
      return false;
    } else if (c >= 0x80) {
      FPosition = at;
      if (!ReadUtf8Sequence()) return false;
      at = FPosition;
    } else {
      ++at;
    }
  }
}

bool TJsonScanner::ReadEscape() {
  if (FText.size() - FPosition < 2) return false;
  switch (FText[FPosition + 1]) {
    case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
      FPosition += 2;
      return true;
    case 'u':
      break;
    default:
      return false;
  }
  const int codePoint = HexQuad(FText, FPosition + 2);
  if (codePoint < 0) return false;
  FPosition += 6;
  if (codePoint >= 0xDC00 && codePoint <= 0xDFFF) return false;  // a low half alone
  if (codePoint >= 0xD800 && codePoint <= 0xDBFF) {
    // A high half must be followed by an escaped low half.
    if (FText.size() - FPosition < 6 || FText[FPosition] != '\\' || FText[FPosition + 1] != 'u')
      return false;
    const int low = HexQuad(FText, FPosition + 2);
    if (low < 0xDC00 || low > 0xDFFF) return false;
    FPosition += 6;
  }
  return true;
}

// One character of two to four bytes, well-formed as Unicode defines it: no
// overlong forms, no surrogates, nothing above U+10FFFF.
bool TJsonScanner::ReadUtf8Sequence() {
  const auto byte = [&](std::size_t i) -> int {
    return FPosition + i < FText.size() ? static_cast<unsigned char>(FText[FPosition + i]) : -1;
  };
  const int lead = byte(0);
  int length = 0, low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  const int second = byte(1);
  if (second < low || second > high) return false;
  for (int i = 2; i < length; ++i) {
    const int next = byte(static_cast<std::size_t>(i));
    if (next < 0x80 || next > 0xBF) return false;
  }
  FPosition += static_cast<std::size_t>(length);
  return true;
}

// -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?, whose value is a finite
// double (an integer beyond 64 bits is read as one too).
bool TJsonScanner::ReadNumber() {
  const std::size_t start = FPosition;
  const std::size_t size = FText.size();
  std::size_t at = FPosition;
  if (at < size && FText[at] == '-') ++at;
  if (at >= size || !IsDigit(FText[at])) return false;
  std::size_t significantIntegerDigits = 0;
  if (FText[at] == '0') {
    ++at;
  } else {
    while (at < size && IsDigit(FText[at])) ++at, ++significantIntegerDigits;
  }
  std::size_t leadingFractionZeros = 0;
  bool fraction = false;
  if (at < size && FText[at] == '.') {
    ++at;
    if (at >= size || !IsDigit(FText[at])) return false;
    fraction = true;
    while (at < size && FText[at] == '0') ++at, ++leadingFractionZeros;
    while (at < size && IsDigit(FText[at])) ++at;
  }
  long long exponent = 0;
  bool hasExponent = false;
  if (at < size && (FText[at] == 'e' || FText[at] == 'E')) {
    ++at;
    bool negative = false;
    if (at < size && (FText[at] == '+' || FText[at] == '-')) negative = FText[at++] == '-';
    if (at >= size || !IsDigit(FText[at])) return false;
    hasExponent = true;
    while (at < size && IsDigit(FText[at])) {
      exponent = std::min(exponent * 10 + (FText[at] - '0'), 1'000'000'000'000LL);
      ++at;
    }
    if (negative) exponent = -exponent;
  }
  FPosition = at;
  // Below 10^300 without an exponent: certainly finite.
  if (!hasExponent && significantIntegerDigits <= 300) return true;
  double value = 0;
  const auto [stop, error] = std::from_chars(FText.data() + start, FText.data() + at, value);
  if (error != std::errc::result_out_of_range) return error == std::errc() && stop == FText.data() + at;
  // Out of range either way: too large is refused, too small reads as zero.
  const long long magnitude = significantIntegerDigits > 0
                                  ? static_cast<long long>(significantIntegerDigits)
                                  : (fraction ? -static_cast<long long>(leadingFractionZeros) : 0);
  return magnitude + exponent <= 0;
}

bool TJsonScanner::ReadLiteral(std::string_view literal) {
  if (FText.substr(FPosition, literal.size()) != literal) return false;
  FPosition += literal.size();
  return true;
}

std::string DecodeJsonString(std::string_view escaped) {
  std::string text;
  text.reserve(escaped.size());
  std::size_t position = 0;
  while (position < escaped.size()) {
    const std::size_t backslash = escaped.find('\\', position);
    if (backslash == std::string_view::npos) {
      text.append(escaped.substr(position));
      break;
    }
    text.append(escaped.substr(position, backslash - position));
    position = backslash;
    char bytes[4];
    text.append(bytes, DecodeEscape(escaped, position, bytes));
  }
  return text;
}

std::string_view TJsonStringDecoder::Next(std::size_t limit, char (&escape)[4]) {
  if (FPosition >= FText.size()) return {};
  if (AtEscape()) return {escape, DecodeEscape(FText, FPosition, escape)};
  std::size_t run = std::min(limit, FText.size() - FPosition);
  if (FEscaped) {
    const void* backslash = std::memchr(FText.data() + FPosition, '\\', run);
    if (backslash) run = static_cast<const char*>(backslash) - (FText.data() + FPosition);
  }
  const std::string_view text = FText.substr(FPosition, run);
  FPosition += run;
  return text;
}

std::size_t TJsonStringDecoder::Read(char* buffer, std::size_t capacity) {
  std::size_t written = 0;
  char escape[4];
  while (written < capacity && !(AtEscape() && capacity - written < 4)) {
    const std::string_view next = Next(capacity - written, escape);
    if (next.empty()) break;
    std::memcpy(buffer + written, next.data(), next.size());
    written += next.size();
  }
  return written;
}

}  // namespace zel
