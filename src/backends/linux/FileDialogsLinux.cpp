#include "backends/linux/FileDialogsLinux.h"

#include <gtk/gtk.h>

#include "backends/linux/ToolkitLinux.h"
#include "core/Error.h"

namespace zel {
namespace {

// The window the user works in: the active top-level window, else the first
// visible one (without a window manager none is ever active).
GtkWindow* OwnerWindow() {
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* active = nullptr;
  GtkWindow* visible = nullptr;
  for (GList* item = windows; item != nullptr; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (gtk_window_get_window_type(window) != GTK_WINDOW_TOPLEVEL ||
        !gtk_widget_get_visible(GTK_WIDGET(window))) {
      continue;
    }
    if (gtk_window_is_active(window)) active = window;
    if (visible == nullptr) visible = window;
  }
  g_list_free(windows);
  return active != nullptr ? active : visible;
}

GtkFileChooserAction ActionOf(TFileDialogKind kind) {
  switch (kind) {
    case TFileDialogKind::Save:
      return GTK_FILE_CHOOSER_ACTION_SAVE;
    case TFileDialogKind::Folder:
      return GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
    case TFileDialogKind::Open:
      break;
  }
  return GTK_FILE_CHOOSER_ACTION_OPEN;
}

std::string FolderOf(const std::string& path) {
  gchar* folder = g_path_get_dirname(path.c_str());
  std::string result = folder;
  g_free(folder);
  return result;
}

std::string BaseNameOf(const std::string& path) {
  gchar* name = g_path_get_basename(path.c_str());
  std::string result = name;
  g_free(name);
  return result;
}

// The initial file name: a full path opens its folder (and selects the file
// when it exists); a bare name fills the save dialog's name box. The open
// dialog has no name box, so a bare name leaves it as it is.
void SetInitialName(GtkFileChooser* chooser, TFileDialogKind kind, const std::string& name) {
  if (name.empty()) return;
  if (!g_path_is_absolute(name.c_str())) {
    if (kind == TFileDialogKind::Save) gtk_file_chooser_set_current_name(chooser, name.c_str());
    return;
  }
  if (g_file_test(name.c_str(), G_FILE_TEST_IS_REGULAR)) {
    gtk_file_chooser_set_filename(chooser, name.c_str());
    return;
  }
  const std::string folder = FolderOf(name);
  if (g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR))
    gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  if (kind == TFileDialogKind::Save)
    gtk_file_chooser_set_current_name(chooser, BaseNameOf(name).c_str());
}

}  // namespace

std::string TLinuxFileDialogs::GlobOfMask(const std::string& mask) {
  if (mask == "*.*") return "*";
  // A mask that brings its own character classes is taken as written.
  if (mask.find('[') != std::string::npos) return mask;
  std::string glob;
  for (const char c : mask) {
    if (g_ascii_isalpha(c)) {
      glob += '[';
      glob += g_ascii_tolower(c);
      glob += g_ascii_toupper(c);
      glob += ']';
    } else {
      glob += c;
    }
  }
  return glob;
}

std::optional<std::string> TLinuxFileDialogs::Show(const TFileDialogOptions& options) {
  if (!TLinuxToolkit::EnsureInitialized())
    throw EError("Cannot open the display: the application needs a graphical session.");
  // GTK's own title for its file chooser, in the user's language.
  const char* title =
      options.Title.empty() ? g_dgettext("gtk30", "Select a File") : options.Title.c_str();
  // GTK labels a folder dialog's button "Open"; "Select" says what it does.
  const char* accept =
      options.Kind == TFileDialogKind::Folder ? g_dgettext("gtk30", "_Select") : nullptr;
  GtkFileChooserNative* dialog =
      gtk_file_chooser_native_new(title, OwnerWindow(), ActionOf(options.Kind), accept, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(dialog), TRUE);
  gtk_file_chooser_set_select_multiple(chooser, FALSE);
  gtk_file_chooser_set_local_only(chooser, TRUE);

  if (options.Kind == TFileDialogKind::Folder) {
    // GTK would start in its list of recent files, where no folder can be
    // chosen, not even by typing its path: start at home the first time.
    if (!FLastFolder.empty())
      gtk_file_chooser_set_filename(chooser, FLastFolder.c_str());
    else
      gtk_file_chooser_set_current_folder(chooser, g_get_home_dir());
  } else {
    SetInitialName(chooser, options.Kind, options.FileName);
    for (const TFileFilter& item : options.Filters) {
      GtkFileFilter* filter = gtk_file_filter_new();
      gtk_file_filter_set_name(filter, item.Name.c_str());
      gtk_file_filter_add_pattern(filter, GlobOfMask(item.Pattern).c_str());
      gtk_file_chooser_add_filter(chooser, filter);  // takes the floating reference
      if (&item == &options.Filters.front()) gtk_file_chooser_set_filter(chooser, filter);
    }
  }
  if (options.Kind == TFileDialogKind::Save)
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, options.OverwritePrompt);

  // Runs a nested main loop until the dialog closes.
  const gint response = gtk_native_dialog_run(GTK_NATIVE_DIALOG(dialog));
  std::optional<std::string> result;
  if (response == GTK_RESPONSE_ACCEPT) {
    if (gchar* chosen = gtk_file_chooser_get_filename(chooser)) {
      result = chosen;
      g_free(chosen);
    }
  }
  gtk_native_dialog_destroy(GTK_NATIVE_DIALOG(dialog));
  g_object_unref(dialog);
  if (result && options.Kind == TFileDialogKind::Folder) FLastFolder = *result;
  return result;
}

}  // namespace zel
