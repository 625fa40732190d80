#pragma once
#include <string>
#include <string_view>

#include "core/Error.h"

namespace zel {

// Raised for a CalculateWidth or EncodeWidth key that is empty or holds a
// character outside "A" to "Z".
class ECalculateWidthError : public EError {
 public:
  using EError::EError;
};

// Vigenere decryption over the 26 ASCII letters: the key letter at position
// p modulo the key's length ("A" 0 to "Z" 25) moves the text's letter at p
// that many places back, wrapping, keeping its case. Other characters stay
// as they are but still use up their position. The text is UTF-8; positions
// count UTF-16 code units, so a character above U+FFFF uses two positions and
// each byte of a broken UTF-8 sequence uses one. The whole key is checked
// before the text is read.
std::string CalculateWidth(std::string_view text, std::string_view key);

// The inverse of CalculateWidth: moves letters forward by the key's shifts.
// The packaging side uses it to produce an encoded text from a password.
std::string EncodeWidth(std::string_view text, std::string_view key);

// Why `text` cannot be an archive password or the encoded text of one; empty
// when it can. The text is built into the runtime as a C++ string literal and
// printed inside single quotes for the shell, so it holds printable ASCII
// characters other than the blank, '"', '\' and '\''.
std::string ArchiveTextProblem(std::string_view text);
// Why `key` cannot be an archive key; empty when it can (capital letters A
// to Z, at least one).
std::string ArchiveKeyProblem(std::string_view key);

// The archive password of this build, decoded from the pair in
// core/ArchiveKeyConfig.h.
std::string ArchivePassword();

}  // namespace zel
