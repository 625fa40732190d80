#include "X11Access.h"

#include <gdk/gdkx.h>

namespace zel::test {

unsigned long XidOf(GtkWidget* widget) { return gdk_x11_window_get_xid(gtk_widget_get_window(widget)); }

void SyncX() { XSync(gdk_x11_get_default_xdisplay(), False); }

}  // namespace zel::test
