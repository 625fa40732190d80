#include "core/bridge/BrowserExternalForm.h"

#include "core/text/CaseFold.h"
#include "core/text/PathText.h"
#include "core/text/Utf8.h"
#include "platform/Platform.h"

namespace zel {

TBrowserExternalForm::TBrowserExternalForm(IPlatform& platform)
    : FTrayIcon(platform.Menus().CreateTrayIcon(
          DefaultApplicationTitle(platform.ProcessInfo().ExecutablePath()))) {
  FTrayMenu.SetView(&FTrayIcon->Menu());
}

std::string DefaultApplicationTitle(const std::filesystem::path& executable) {
  std::string name = PathToUtf8(executable.filename());
  name = name.substr(0, name.find('.'));
  const std::u32string characters = Utf8ToUtf32(name);
  std::u32string title;
  for (std::size_t i = 0; i < characters.size() && i < 127; ++i)
    title += i == 0 ? characters[i] : SimpleCaseFold(characters[i]);
  return Utf32ToUtf8(title);
}

}  // namespace zel
