// The system's extension lists: mime.types and shared-mime-info's globs2.
#include <map>
#include <string>
#include <string_view>

#include "FuzzTarget.h"
#include "core/text/ContentTypeLists.h"

namespace {

bool IsLowerCase(const std::string& text) {
  for (const char c : text)
    if (c >= 'A' && c <= 'Z') return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const bool globs : {false, true}) {
    std::map<std::string, std::string> table;
    if (globs)
      zel::TContentTypeLists::ParseGlobs2(text, table);
    else
      zel::TContentTypeLists::ParseMimeTypes(text, table);
    for (const auto& [extension, type] : table) {
      ZEL_FUZZ_CHECK(extension.size() >= 2 && extension.front() == '.');
      ZEL_FUZZ_CHECK(!type.empty());
      ZEL_FUZZ_CHECK(IsLowerCase(extension) && IsLowerCase(type));
    }
  }
  return 0;
}
