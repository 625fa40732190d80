#pragma once
#include <cstdint>

#include "core/package/Stream.h"

namespace zel {

class EImageFormatError : public EError {
 public:
  using EError::EError;
};

// The offset where an executable image ends and an appended package begins.
// ELF: the largest end of the section contents, the section header table and
// the program header table. PE: the largest PointerToRawData + SizeOfRawData
// of the section table, each sum formed in 32 bits. Throws EImageFormatError
// for anything else.
std::uint64_t ImageEnd(TStream& image);

// What an executable's headers say it runs on.
enum class TExecutableKind {
  Other,      // neither ELF nor a Windows executable
  ElfX86_64,  // 64-bit little-endian ELF for x86-64
  ElfOther,   // ELF of another class, byte order or machine
  PeX64,      // 64-bit Windows executable (PE32+) for x64
  PeOther,    // 64-bit Windows executable for another machine
};

// Reads the ELF identification and machine, or (a file starting with "MZ")
// the whole Windows executable as TExeImage does; what that refuses, a
// 32-bit image included, throws its EExeResourceError. An ELF too short to
// name its machine is Other. Read errors throw EStreamError or
// EImageFormatError.
TExecutableKind ExecutableKind(TStream& image);

}  // namespace zel
