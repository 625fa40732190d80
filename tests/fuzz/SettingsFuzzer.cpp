// The settings file zel.ini: decoding (byte-order marks, UTF-8, Windows-1252)
// and parsing, then the reads the runtime makes.
#include <string_view>

#include "FuzzTarget.h"
#include "core/settings/ProjectIni.h"
#include "core/text/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zel::TProjectINI settings;
  settings.LoadFromBytes(std::span<const std::uint8_t>(data, size));
  for (const char* key :
       {"ID", "Name", "DirName", "IndexHtml", "Width", "WindowStyle", "AllowDebug"}) {
    const std::string text = settings.ReadString("App", key, "");
    ZEL_FUZZ_CHECK(zel::IsValidUtf8(text));  // the decoder always gives UTF-8
    settings.ReadInteger("App", key, 7);
    settings.ReadBool("app", key, false);
    ZEL_FUZZ_CHECK(settings.ValueExists("App", key) || text.empty());
  }
  const std::string_view asText(reinterpret_cast<const char*>(data), size);
  if (const auto number = zel::ParseIniInteger(asText)) {
    ZEL_FUZZ_CHECK(!asText.empty());
  }
  return 0;
}
