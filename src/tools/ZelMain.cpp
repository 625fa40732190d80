// zel: packages a web application folder into one desktop executable.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "tools/Commands.h"

int main(int argc, char** argv) {
  using namespace zel;
  CLI::App app{
      "zel turns a web application folder into one desktop executable.\n\n"
      "  zel init myapp              create a small working application folder\n"
      "  zel build myapp -o MyApp    package it into the executable MyApp\n"
      "  zel build myapp -o MyApp.exe --target windows-x64\n"
      "                              package it for Windows\n"
      "  ./MyApp                     run it\n"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "zel 0.1.0");

  std::filesystem::path initFolder;
  bool initForce = false;
  auto* init = app.add_subcommand("init", "Create a new application folder with zel.ini and a start page");
  init->add_option("DIR", initFolder, "Folder to create")->required();
  init->add_flag("--force", initForce, "Write into a folder that is not empty (files of the same name are replaced)");

  std::filesystem::path devFolder;
  auto* dev = app.add_subcommand("dev", "Open an application folder in a window without packaging; reloads on changes");
  dev->add_option("DIR", devFolder, "Application folder holding zel.ini")->required();

  TBuildOptions build;
  auto* buildCommand = app.add_subcommand("build", "Package an application folder into an executable");
  buildCommand->add_option("DIR", build.AppFolder, "Application folder holding zel.ini")->required();
  buildCommand->add_option("-o,--output", build.Output, "Executable to write")->required();
  buildCommand->add_option("--target", build.Target,
                           "System to build for: linux-x64 (default, this machine) or windows-x64");
  buildCommand->add_option("--runtime", build.RuntimeTemplate,
                           "Runtime template to append the package to (default: zel-runtime, for windows-x64 "
                           "zel-runtime.exe, beside zel)");
  buildCommand->add_option("--engine", build.EngineLibrary,
                           "Engine library to pack (default: linux-x64, the one beside the runtime template; "
                           "windows-x64, WebView2LoaderWin64.dll in the application folder: Microsoft's x64 "
                           "WebView2Loader.dll from the WebView2 SDK)");
  buildCommand->add_flag("--aes", build.Aes, "Encrypt entries with AES-256 instead of the traditional ZIP cipher");

  std::filesystem::path extractExe, extractOut;
  auto* extract = app.add_subcommand("extract", "Write an executable's package out as a ZIP file");
  extract->add_option("EXE", extractExe, "Packaged executable")->required();
  extract->add_option("-o,--output", extractOut, "ZIP file to write")->required();

  std::filesystem::path inspectExe;
  auto* inspect = app.add_subcommand("inspect", "List a packaged executable's target, entries and settings (and a Windows one's icon and version texts)");
  inspect->add_option("EXE", inspectExe, "Packaged executable")->required();

  std::string password, key;
  auto* keyCommand = app.add_subcommand(
      "key", "Show the archive password of this build, or encode a password of your own");
  keyCommand->add_option("--encode", password,
                         "Password to encode for the ZEL_ARCHIVE_ENCODED_TEXT build setting");
  keyCommand->add_option("--key", key, "Key (capital letters) for --encode; default: this build's key");

  TRegCommand reg(app);

  CLI11_PARSE(app, argc, argv);
  try {
    if (*init) return RunInit(initFolder, initForce);
    if (*dev) return RunDev(devFolder);
    if (*buildCommand) return RunBuild(build);
    if (*extract) return RunExtract(extractExe, extractOut);
    if (*inspect) return RunInspect(inspectExe);
    if (*keyCommand) return password.empty() ? RunKeyShow() : RunKeyEncode(password, key);
    if (reg.Chosen()) return reg.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zel: error: %s\n", e.what());
    return 1;
  }
  return 0;
}
