// Writes the fixtures of the Windows packaging tests: a minimal 64-bit
// Windows runtime template with an icon and version texts, or an icon file.
// Usage: zel_test_pe_fixture template|icon FILE
#include <cstdio>
#include <fstream>
#include <string>

#include "PeFixture.h"

int main(int argc, char** argv) {
  using namespace zel::test;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s template|icon FILE\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  TBytes bytes;
  if (kind == "template") {
    TFixturePe pe;
    pe.Resources = {
        {3, u"", 1, 1033, BuildIco(1)},  // any bytes serve as the old image
        {14, u"MAINICON", 0, 1033, BuildIconGroup({1})},
        {16, u"", 1, 1033,
         BuildVersionInfo({{u"040904b0",
                            {{u"CompanyName", u"zel"}, {u"FileDescription", u"zel runtime"},
                             {u"FileVersion", u"0.1.0"}, {u"ProductName", u"zel"}}}},
                          {{0x409, 1200}})},
    };
    bytes = BuildPe(pe);
  } else if (kind == "icon") {
    bytes = BuildIco(2);
  } else {
    std::fprintf(stderr, "unknown fixture %s\n", kind.c_str());
    return 2;
  }
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return out ? 0 : 1;
}
