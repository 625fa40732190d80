#pragma once
// A container that holds the web view inside the runtime's parent widget: it
// fills the parent and places its child over the whole area, or over the
// bounds last set, without asking the parent for more room.
#include <gtk/gtk.h>

namespace zel {

GtkWidget* NewViewHost();
// Places the child at the rectangle (relative to the host); a negative width
// returns to filling the host.
void ViewHostSetBounds(GtkWidget* host, int left, int top, int width, int height);

}  // namespace zel
