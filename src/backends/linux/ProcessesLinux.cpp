#include "backends/linux/ProcessesLinux.h"

#include <glib.h>

namespace zel {

bool TLinuxProcesses::Start(const std::filesystem::path& executable,
                            const std::vector<std::string>& arguments) {
  std::vector<std::string> all;
  all.push_back(executable.string());
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<gchar*> argv;
  for (std::string& argument : all) argv.push_back(argument.data());
  argv.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program through an
  // intermediate child, so it is reparented and reaped by the system.
  GError* error = nullptr;
  const gboolean started = g_spawn_async(nullptr, argv.data(), nullptr, G_SPAWN_DEFAULT, nullptr,
                                         nullptr, nullptr, &error);
  if (error != nullptr) g_error_free(error);
  return started;
}

}  // namespace zel
