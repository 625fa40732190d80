// The masks of the file type list as GTK patterns, matched the way GTK's
// file filter matches them (fnmatch).
#include <fnmatch.h>
#include <gtest/gtest.h>

#include "backends/linux/FileDialogsLinux.h"

namespace zel {
namespace {

TEST(LinuxFileDialogs, MasksMatchAnyLetterCaseAndStarDotStarMatchesEveryFile) {
  const struct {
    const char* Mask;
    const char* Name;
    bool Matches;
  } cases[] = {
      {"*.txt", "notes.txt", true},
      {"*.txt", "NOTES.TXT", true},
      {"*.txt", "notes.txt.bak", false},
      {"*.*", "Makefile", true},
      {"*.*", ".hidden", true},
      {"*", "Makefile", true},
      {"IMG_????.JPG", "img_0042.jpg", true},
      {"IMG_????.JPG", "img_42.jpg", false},
      {"[ab]*.txt", "a.txt", true},
      {"[ab]*.txt", "A.txt", false},  // own classes kept
      {"*.tar.gz", "x.TAR.GZ", true},
      {"*.txt", "n\xC3\xB6tes.TXT", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.Mask) + " " + c.Name);
    const std::string glob = TLinuxFileDialogs::GlobOfMask(c.Mask);
    EXPECT_EQ(fnmatch(glob.c_str(), c.Name, 0) == 0, c.Matches) << glob;
  }
}

}  // namespace
}  // namespace zel
