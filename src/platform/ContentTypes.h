#pragma once
#include <map>
#include <string>

namespace zel {

// The system's own extension-to-content-type lists, consulted after the
// built-in list (later sources replace earlier ones).
class IContentTypes {
 public:
  virtual ~IContentTypes() = default;
  // Adds or replaces entries of `table`: extension in lower case with its
  // leading dot -> content type in lower case.
  virtual void AddSystemContentTypes(std::map<std::string, std::string>& table) = 0;
};

}  // namespace zel
