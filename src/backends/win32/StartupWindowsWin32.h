#pragma once
#include "platform/StartupWindows.h"

// First, so that the Windows headers of the implementation come after the seam.
#include "backends/win32/Win32.h"

namespace zel {

// Win32 windows centred on the work area, drawn by the host: the prompt is
// a dialog frame with a close box only ("ZelPasswordPrompt") holding a
// password edit with the key drawn in its left margin; the busy window
// ("ZelBusyWindow") is a borderless window with the "application starting"
// cursor, redrawn about sixty times a second. Colour settings with a system
// colour index take Windows' own colour of that index.
class TWin32StartupWindows : public IStartupWindows {
 public:
  std::unique_ptr<IPasswordPrompt> CreatePasswordPrompt(
      const TPasswordPromptLayout& layout) override;
  std::unique_ptr<IBusyWindow> CreateBusyWindow(const TBusyWindowLayout& layout) override;
};

}  // namespace zel
