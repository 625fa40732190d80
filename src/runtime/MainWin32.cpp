// Program entry of the Windows runtime template: the Win32 platform, the
// start-up sequence with the WebView2 loader library, then the main window.
#include "backends/webview2/WebView2Engine.h"
#include "backends/win32/ComWin32.h"
#include "backends/win32/Win32Platform.h"
#include "backends/win32/WideTextWin32.h"
#include "runtime/ProgramEntry.h"

// The wide command line (-municode), so that arguments keep every character.
int wmain(int argc, wchar_t** argv) {
  // WebView2 raises its events through the message loop of a single-threaded
  // apartment: the user-interface thread is one for the whole run.
  zel::TComScope apartment;
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(zel::Utf8Of(argv[i]));
  auto platform = zel::CreateWin32Platform();
  zel::TStartupLoader loader(*platform, std::move(arguments), zel::WebView2EntryPoints);
  return zel::RunProgram(*platform, loader);
}
