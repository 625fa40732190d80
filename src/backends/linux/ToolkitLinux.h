#pragma once

namespace zel {

// The process's one GTK instance, initialized on first use.
class TLinuxToolkit {
 public:
  // Initializes GTK once; false when no display can be opened. The command
  // line is not passed to GTK, so the application's own arguments stay
  // intact. Call on the user-interface thread.
  static bool EnsureInitialized();
};

}  // namespace zel
