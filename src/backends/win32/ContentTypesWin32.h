#pragma once
#include <string>

#include "platform/ContentTypes.h"

namespace zel {

// The registry's content types, read-only: first the value "Content Type"
// of every extension key directly below HKEY_CLASSES_ROOT, then the value
// "Extension" of every key below MIME\Database\Content Type (named after
// its type). Keys that cannot be opened are skipped.
class TWin32ContentTypes : public IContentTypes {
 public:
  TWin32ContentTypes() = default;
  // Reads below `root` (a key of HKEY_CURRENT_USER) instead: for tests,
  // which may not write HKEY_CLASSES_ROOT.
  explicit TWin32ContentTypes(std::string root) : FRoot(std::move(root)) {}

  void AddSystemContentTypes(std::map<std::string, std::string>& table) override;

 private:
  // Empty: HKEY_CLASSES_ROOT.
  std::string FRoot;
};

}  // namespace zel
