#include "core/text/CaseFold.h"

#include "core/text/Utf8.h"

namespace zel {

namespace {

bool InRange(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

// Blocks where capitals sit on one parity and their small letters follow them.
char32_t FoldPair(char32_t c, bool capitalIsEven) {
  return ((c % 2 == 0) == capitalIsEven) ? c + 1 : c;
}

char32_t FoldLatin(char32_t c) {
  if (InRange(c, 'A', 'Z')) return c + 0x20;
  if (c == 0x00B5) return 0x03BC;  // micro sign folds to Greek mu
  if (InRange(c, 0x00C0, 0x00D6) || InRange(c, 0x00D8, 0x00DE)) return c + 0x20;
  if (InRange(c, 0x0100, 0x012F) || InRange(c, 0x0132, 0x0137) || InRange(c, 0x014A, 0x0177))
    return FoldPair(c, true);
  if (InRange(c, 0x0139, 0x0148) || InRange(c, 0x0179, 0x017E)) return FoldPair(c, false);
  if (c == 0x0178) return 0x00FF;
  if (c == 0x017F) return 's';  // long s
  return c;
}

char32_t FoldLatinExtendedB(char32_t c) {
  switch (c) {
    case 0x0181:
      return 0x0253;
    case 0x0186:
      return 0x0254;
    case 0x0189:
      return 0x0256;
    case 0x018A:
      return 0x0257;
    case 0x018E:
      return 0x01DD;
    case 0x018F:
      return 0x0259;
    case 0x0190:
      return 0x025B;
    case 0x0193:
      return 0x0260;
    case 0x0194:
      return 0x0263;
    case 0x0196:
      return 0x0269;
    case 0x0197:
      return 0x0268;
    case 0x019C:
      return 0x026F;
    case 0x019D:
      return 0x0272;
    case 0x019F:
      return 0x0275;
    case 0x01A6:
      return 0x0280;
    case 0x01A9:
      return 0x0283;
    case 0x01AE:
      return 0x0288;
    case 0x01B1:
      return 0x028A;
    case 0x01B2:
      return 0x028B;
    case 0x01B7:
      return 0x0292;
    case 0x01C4:
    case 0x01C5:
      return 0x01C6;  // DZ with caron, and its title case
    case 0x01C7:
    case 0x01C8:
      return 0x01C9;  // LJ
    case 0x01CA:
    case 0x01CB:
      return 0x01CC;  // NJ
    case 0x01F1:
    case 0x01F2:
      return 0x01F3;  // DZ
    case 0x01F6:
      return 0x0195;
    case 0x01F7:
      return 0x01BF;
    case 0x0220:
      return 0x019E;
    case 0x023A:
      return 0x2C65;
    case 0x023D:
      return 0x019A;
    case 0x023E:
      return 0x2C66;
    case 0x0243:
      return 0x0180;
    case 0x0244:
      return 0x0289;
    case 0x0245:
      return 0x028C;
    // Capitals directly followed by their small letter.
    case 0x0182:
    case 0x0184:
    case 0x0187:
    case 0x018B:
    case 0x0191:
    case 0x0198:
    case 0x01A7:
    case 0x01AC:
    case 0x01AF:
    case 0x01B3:
    case 0x01B5:
    case 0x01B8:
    case 0x01BC:
    case 0x01F4:
    case 0x023B:
    case 0x0241:
      return c + 1;
    default:
      break;
  }
  if (InRange(c, 0x01A0, 0x01A5) || InRange(c, 0x01DE, 0x01EF) || InRange(c, 0x01F8, 0x021F) ||
      InRange(c, 0x0222, 0x0233) || InRange(c, 0x0246, 0x024F))
    return FoldPair(c, true);
  if (InRange(c, 0x01CD, 0x01DC)) return FoldPair(c, false);
  return c;
}

char32_t FoldGreek(char32_t c) {
  switch (c) {
    case 0x0345:
      return 0x03B9;
    case 0x0370:
      return 0x0371;
    case 0x0372:
      return 0x0373;
    case 0x0376:
      return 0x0377;
    case 0x037F:
      return 0x03F3;
    case 0x0386:
      return 0x03AC;
    case 0x0388:
      return 0x03AD;
    case 0x0389:
      return 0x03AE;
    case 0x038A:
      return 0x03AF;
    case 0x038C:
      return 0x03CC;
    case 0x038E:
      return 0x03CD;
    case 0x038F:
      return 0x03CE;
    case 0x03C2:
      return 0x03C3;  // final sigma
    case 0x03CF:
      return 0x03D7;
    case 0x03D0:
      return 0x03B2;
    case 0x03D1:
      return 0x03B8;
    case 0x03D5:
      return 0x03C6;
    case 0x03D6:
      return 0x03C0;
    case 0x03F0:
      return 0x03BA;
    case 0x03F1:
      return 0x03C1;
    case 0x03F4:
      return 0x03B8;
    case 0x03F5:
      return 0x03B5;
    case 0x03F7:
      return 0x03F8;
    case 0x03F9:
      return 0x03F2;
    case 0x03FA:
      return 0x03FB;
    case 0x03FD:
      return 0x037B;
    case 0x03FE:
      return 0x037C;
    case 0x03FF:
      return 0x037D;
    default:
      break;
  }
  if (InRange(c, 0x0391, 0x03A1) || InRange(c, 0x03A3, 0x03AB)) return c + 0x20;
  if (InRange(c, 0x03D8, 0x03EF)) return FoldPair(c, true);
  return c;
}

char32_t FoldCyrillic(char32_t c) {
  if (InRange(c, 0x0400, 0x040F)) return c + 0x50;
  if (InRange(c, 0x0410, 0x042F)) return c + 0x20;
  if (c == 0x04C0) return 0x04CF;  // palochka
  if (InRange(c, 0x04C1, 0x04CE)) return FoldPair(c, false);
  if (InRange(c, 0x0460, 0x0481) || InRange(c, 0x048A, 0x04BF) || InRange(c, 0x04D0, 0x052F))
    return FoldPair(c, true);
  return c;
}

}  // namespace

char32_t SimpleCaseFold(char32_t c) {
  if (c < 0x0180) return FoldLatin(c);
  if (c < 0x0250) return FoldLatinExtendedB(c);
  if (InRange(c, 0x0345, 0x03FF)) return FoldGreek(c);
  if (InRange(c, 0x0400, 0x052F)) return FoldCyrillic(c);
  switch (c) {
    case 0x1E9E:
      return 0x00DF;  // capital sharp s
    case 0x2126:
      return 0x03C9;  // Ohm sign
    case 0x212A:
      return 'k';  // Kelvin sign
    case 0x212B:
      return 0x00E5;  // Angstrom sign
    default:
      return c;
  }
}

std::string FoldCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) AppendUtf8(out, SimpleCaseFold(NextCodePoint(text, pos)));
  return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  return FoldCase(a) == FoldCase(b);
}

}  // namespace zel
