#include "backends/linux/ProcessesLinux.h"

#include <glib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>

namespace zel {
namespace {

// How pkexec starts its complaints (refused, dismissed, no agent).
constexpr std::string_view PkexecRefusal = "Error executing command as another user";
constexpr std::size_t ReasonLimit = 400;
// The end of the standard error that is read for the reason.
constexpr long ErrorTail = 64 * 1024;

std::string Clean(std::string line) {
  std::string clean;
  for (char c : line) {
    if (c == '\t')
      clean += ' ';
    else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
      clean += c;
  }
  while (!clean.empty() && clean.back() == ' ') clean.pop_back();
  if (clean.size() > ReasonLimit) {
    clean.resize(ReasonLimit);
    // Never cut a UTF-8 sequence in two.
    while (!clean.empty() && (static_cast<unsigned char>(clean.back()) & 0xC0) == 0x80)
      clean.pop_back();
    if (!clean.empty() && static_cast<unsigned char>(clean.back()) >= 0xC0) clean.pop_back();
    clean += "…";
  }
  return clean;
}

std::string ReadTail(FILE* file) {
  std::fflush(file);
  if (std::fseek(file, 0, SEEK_END) != 0) return {};
  const long size = std::ftell(file);
  std::fseek(file, size > ErrorTail ? size - ErrorTail : 0, SEEK_SET);
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  return text;
}

struct TWait {
  GMainLoop* Loop = nullptr;
  bool Ended = false;
  bool TimedOut = false;
  int Status = 0;
};

void ChildEnded(GPid, gint status, gpointer data) {
  auto* wait = static_cast<TWait*>(data);
  wait->Ended = true;
  wait->Status = status;
  g_main_loop_quit(wait->Loop);
}

gboolean TimeLimitReached(gpointer data) {
  auto* wait = static_cast<TWait*>(data);
  wait->TimedOut = true;
  g_main_loop_quit(wait->Loop);
  return G_SOURCE_REMOVE;
}

}  // namespace

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

std::vector<std::string> AdminCommandLine(bool isRoot, const std::string& pkexec,
                                          const std::filesystem::path& file,
                                          const std::vector<std::string>& params) {
  std::vector<std::string> command;
  if (!isRoot) {
    if (pkexec.empty()) return {};
    command.push_back(pkexec);
  }
  // Through the shell, so that a data folder mounted without the right to
  // execute does not matter.
  command.push_back("/bin/sh");
  command.push_back(file.string());
  command.insert(command.end(), params.begin(), params.end());
  return command;
}

std::string AdminFailureReason(const std::string& errorOutput) {
  std::istringstream lines(errorOutput);
  std::string last;
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with(PkexecRefusal)) return Clean(line);
    if (!Clean(line).empty()) last = line;
  }
  return Clean(last);
}

TAdminRunResult TLinuxProcesses::ShellExecAsAdminAndWait(const std::filesystem::path& file,
                                                         const std::vector<std::string>& params,
                                                         std::chrono::milliseconds timeLimit) {
  TAdminRunResult result;
  gchar* pkexecPath = g_find_program_in_path("pkexec");
  const std::string pkexec = pkexecPath ? pkexecPath : "";
  g_free(pkexecPath);
  std::vector<std::string> command = AdminCommandLine(::geteuid() == 0, pkexec, file, params);
  if (command.empty()) {
    result.Reason = "pkexec is not installed: nothing can give the installer administrator rights.";
    return result;
  }
  return RunAdminCommandAndWait(std::move(command), timeLimit);
}

TAdminRunResult RunAdminCommandAndWait(std::vector<std::string> command,
                                       std::chrono::milliseconds timeLimit) {
  TAdminRunResult result;
  std::vector<gchar*> argv;
  for (std::string& argument : command) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // Standard error goes to an unlinked file, not a pipe: a pipe that nobody
  // reads any more (after the time limit, or once this process has ended)
  // would stop a package manager that is still working.
  std::unique_ptr<FILE, int (*)(FILE*)> errors(std::tmpfile(), &std::fclose);
  // The direct child, not a grandchild: pkexec refuses to act for a parent
  // that is gone.
  GPid pid = 0;
  GError* error = nullptr;
  const gboolean started = g_spawn_async_with_pipes_and_fds(
      nullptr, argv.data(), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDIN_FROM_DEV_NULL), nullptr,
      nullptr, -1, -1, errors ? fileno(errors.get()) : -1, nullptr, nullptr, 0, &pid, nullptr,
      nullptr, nullptr, &error);
  if (!started) {
    result.Reason = error != nullptr ? error->message : "The installer could not be started.";
    if (error != nullptr) g_error_free(error);
    return result;
  }

  // A main loop of its own on the default context: windows keep painting
  // and animating while the installer runs.
  TWait wait;
  wait.Loop = g_main_loop_new(nullptr, FALSE);
  const guint watch = g_child_watch_add(pid, ChildEnded, &wait);
  const guint timer = g_timeout_add(static_cast<guint>(timeLimit.count()), TimeLimitReached, &wait);
  g_main_loop_run(wait.Loop);
  g_main_loop_unref(wait.Loop);
  if (!wait.TimedOut) g_source_remove(timer);
  if (!wait.Ended) {
    // It runs on; the system reaps it once this process has ended.
    g_source_remove(watch);
    g_spawn_close_pid(pid);
    result.Outcome = TAdminRunResult::TOutcome::TimedOut;
    return result;
  }
  g_spawn_close_pid(pid);
  result.Outcome = TAdminRunResult::TOutcome::Ended;
  if (WIFEXITED(wait.Status)) {
    result.ExitCode = WEXITSTATUS(wait.Status);
  } else {
    result.ExitCode = 128 + WTERMSIG(wait.Status);
  }
  if (result.ExitCode != 0 && errors) {
    result.Reason = AdminFailureReason(ReadTail(errors.get()));
    if (result.Reason.empty())
      result.Reason = "The installer ended with exit code " + std::to_string(result.ExitCode) + ".";
  }
  return result;
}

}  // namespace zel
