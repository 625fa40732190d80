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

}  // namespace zel
