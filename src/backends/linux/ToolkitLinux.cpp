#include "backends/linux/ToolkitLinux.h"

#include <gtk/gtk.h>

#include <clocale>
#include <filesystem>
#include <mutex>

namespace zel {

bool TLinuxToolkit::EnsureInitialized() {
  static std::once_flag once;
  static bool initialized = false;
  std::call_once(once, [] {
    // Without argv GTK knows no program name; the window manager's class
    // hint and the task bar use it.
    if (g_get_prgname() == nullptr) {
      std::error_code error;
      const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
      if (!error) g_set_prgname(exe.filename().c_str());
    }
    initialized = gtk_init_check(nullptr, nullptr);
    // GTK switches the whole C locale to the user's; numbers written and read
    // by the program (JSON, settings) must keep "." as the decimal separator.
    std::setlocale(LC_NUMERIC, "C");
  });
  return initialized;
}

}  // namespace zel
