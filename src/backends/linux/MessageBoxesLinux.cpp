#include "backends/linux/MessageBoxesLinux.h"

#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "backends/linux/ToolkitLinux.h"
#include "backends/linux/VisualStylesLinux.h"

namespace zel {
namespace {

struct TStandardButton {
  const char* Label;  // GTK's stock label, translated by GTK
  int Result;
};

// The buttons of each set in the standard order of message dialogs (Yes,
// No, OK, Cancel, ..., Close).
std::vector<TStandardButton> ButtonsOf(TButtonSet buttons) {
  switch (buttons) {
    case TButtonSet::Ok:
      return {{"_OK", ModalResultOk}};
    case TButtonSet::Yes:
      return {{"_Yes", ModalResultYes}};
    case TButtonSet::YesCancel:
      return {{"_Yes", ModalResultYes}, {"_Cancel", ModalResultCancel}};
    case TButtonSet::Close:
      return {{"_Close", ModalResultClose}};
  }
  return {{"_OK", ModalResultOk}};
}

GtkMessageType TypeOf(TMessageKind kind);

const char* IconOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Error:
      return "dialog-error";
    case TMessageKind::Confirmation:
      return "dialog-question";
    case TMessageKind::Information:
      break;
  }
  return "dialog-information";
}

// GTK 3 message dialogs show no icon of their own; the kind's icon is set
// when the icon theme has it (in full colour or as a symbolic icon).
void SetIcon(GtkWidget* dialog, TMessageKind kind) {
  GtkIconTheme* theme = gtk_icon_theme_get_default();
  std::string name = IconOf(kind);
  if (!gtk_icon_theme_has_icon(theme, name.c_str())) name += "-symbolic";
  if (!gtk_icon_theme_has_icon(theme, name.c_str())) return;
  GtkWidget* image = gtk_image_new_from_icon_name(name.c_str(), GTK_ICON_SIZE_DIALOG);
  gtk_widget_show(image);
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_message_dialog_set_image(GTK_MESSAGE_DIALOG(dialog), image);
  G_GNUC_END_IGNORE_DEPRECATIONS
  // Setting an image makes the dialog's kind "other"; give it back (it
  // decides the dialog's accessible role).
  g_object_set(dialog, "message-type", TypeOf(kind), nullptr);
}

GtkMessageType TypeOf(TMessageKind kind) {
  switch (kind) {
    case TMessageKind::Error:
      return GTK_MESSAGE_ERROR;
    case TMessageKind::Confirmation:
      return GTK_MESSAGE_QUESTION;
    case TMessageKind::Information:
      break;
  }
  return GTK_MESSAGE_INFO;
}

}  // namespace

int TLinuxMessageBoxes::Show(const std::string& text, TMessageKind kind, TButtonSet buttons,
                             const std::vector<std::string>& buttonCaptions,
                             const std::string& caption) {
  if (!TLinuxToolkit::EnsureInitialized()) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return ModalResultCancel;
  }
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, TypeOf(kind),
                                             GTK_BUTTONS_NONE, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), caption.c_str());
  SetIcon(dialog, kind);
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  // No parent keeps it on top of the application: keep it above everything,
  // as a message that blocks start-up must not hide behind other windows.
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  const auto standard = ButtonsOf(buttons);
  for (std::size_t i = 0; i < standard.size(); ++i) {
    if (i < buttonCaptions.size()) {
      // A replaced caption is shown literally (no mnemonic underscores).
      GtkWidget* button = gtk_button_new_with_label(buttonCaptions[i].c_str());
      gtk_widget_set_can_default(button, TRUE);
      gtk_widget_show(button);
      gtk_dialog_add_action_widget(GTK_DIALOG(dialog), button, standard[i].Result);
    } else {
      gtk_dialog_add_button(GTK_DIALOG(dialog), standard[i].Label, standard[i].Result);
    }
  }
  TLinuxHostStyle::Instance().ThemeHostWindow(GTK_WINDOW(dialog));
  // The first button (Yes or OK) answers Enter.
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), standard.front().Result);
  const int response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  // Escape and the close box give GTK_RESPONSE_DELETE_EVENT, a dialog
  // destroyed from outside GTK_RESPONSE_NONE: both count as cancel.
  return response > 0 ? response : ModalResultCancel;
}

}  // namespace zel
