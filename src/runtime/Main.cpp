// Program entry of the runtime template: the Linux platform, the start-up
// sequence, then the main window.
#include "backends/linux/LinuxPlatform.h"
#include "runtime/ProgramEntry.h"

int main(int argc, char** argv) {
  auto platform = zel::CreateLinuxPlatform();
  zel::TStartupLoader loader(*platform, zel::CommandLineArguments(argc, argv));
  return zel::RunProgram(*platform, loader);
}
