#include "backends/linux/UserInterfaceLinux.h"

#include <glib-unix.h>
#include <gtk/gtk.h>

#include "backends/linux/ToolkitLinux.h"
#include "backends/linux/WindowLinux.h"
#include "core/Error.h"

namespace zel {
namespace {

void RequireToolkit() {
  if (!TLinuxToolkit::EnsureInitialized())
    throw EError("Cannot open the display: the application needs a graphical session.");
}

gboolean RunTask(gpointer data) {
  (*static_cast<std::function<void()>*>(data))();
  return G_SOURCE_REMOVE;
}

void FreeTask(gpointer data) { delete static_cast<std::function<void()>*>(data); }

}  // namespace

TLinuxUserInterface::TLinuxUserInterface() : FUiThread(std::this_thread::get_id()) {}

TLinuxUserInterface::~TLinuxUserInterface() {
  if (FSignalSource != 0) g_source_remove(FSignalSource);
}

std::unique_ptr<IWindow> TLinuxUserInterface::CreateMainWindow() {
  RequireToolkit();
  return std::make_unique<TLinuxWindow>();
}

void TLinuxUserInterface::Run() {
  RequireToolkit();
  if (FQuitRequested) {
    FQuitRequested = false;
    return;
  }
  gtk_main();
}

void TLinuxUserInterface::Quit() {
  if (gtk_main_level() > 0)
    gtk_main_quit();
  else
    FQuitRequested = true;
}

void TLinuxUserInterface::RunOnUiThread(std::function<void()> task) {
  if (!task) return;
  if (std::this_thread::get_id() == FUiThread) {
    task();
    return;
  }
  PostToUiThread(std::move(task));
}

void TLinuxUserInterface::PostToUiThread(std::function<void()> task) {
  if (!task) return;
  // g_idle_add is safe from any thread; the task runs on the thread that
  // iterates the default main context, which is the user-interface thread.
  g_idle_add_full(G_PRIORITY_DEFAULT, RunTask, new std::function<void()>(std::move(task)),
                  FreeTask);
}

void TLinuxUserInterface::SetApplicationTitle(const std::string& title) {
  g_set_application_name(title.c_str());
}

void TLinuxUserInterface::SetOnEndRequested(std::function<void()> handler) {
  FOnEndRequested = std::move(handler);
  if (FOnEndRequested && FSignalSource == 0) {
    // Delivered through the main loop, so the handler runs like any event.
    FSignalSource = g_unix_signal_add(
        SIGTERM,
        [](gpointer self) -> gboolean {
          auto* ui = static_cast<TLinuxUserInterface*>(self);
          if (ui->FOnEndRequested) ui->FOnEndRequested();
          return G_SOURCE_CONTINUE;
        },
        this);
  } else if (!FOnEndRequested && FSignalSource != 0) {
    g_source_remove(FSignalSource);  // SIGTERM ends the program again
    FSignalSource = 0;
  }
}

}  // namespace zel
