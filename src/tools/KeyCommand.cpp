// zel key: the archive password of this build, and encoding for new pairs.
#include <cstdio>

#include "core/ArchiveKey.h"
#include "core/ArchiveKeyConfig.h"
#include "tools/Commands.h"

namespace zel {

int RunKeyShow() {
  std::printf("%s\n", ArchivePassword().c_str());
  return 0;
}

int RunKeyEncode(const std::string& password, const std::string& key) {
  const std::string chosenKey = key.empty() ? config::ArchiveKey : key;
  // Checked here rather than when the build or the runtime fails: a '"'
  // breaks the build, a backslash changes the password and a "'" the printed
  // shell line.
  if (const std::string problem = ArchiveTextProblem(password); !problem.empty()) {
    throw EToolError("the password cannot be used: " + problem +
                     " (use ASCII letters, digits and punctuation other than \" \\ and ')");
  }
  if (const std::string problem = ArchiveKeyProblem(chosenKey); !problem.empty())
    throw EToolError("the key cannot be used: " + problem);
  const std::string encoded = EncodeWidth(password, chosenKey);
  if (CalculateWidth(encoded, chosenKey) != password) throw EToolError("the password does not survive encoding");
  std::printf("cmake -DZEL_ARCHIVE_ENCODED_TEXT='%s' -DZEL_ARCHIVE_KEY='%s' ...\n", encoded.c_str(),
              chosenKey.c_str());
  return 0;
}

}  // namespace zel
