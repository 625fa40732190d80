#pragma once
// The X11 side of GDK, kept out of the test file: Xlib's macros (None,
// Bool, Status) collide with GoogleTest and with the seam's names.
#include <gtk/gtk.h>

namespace zel::test {

// The X window id of a realized widget's window.
unsigned long XidOf(GtkWidget* widget);
// Waits until the X server has handled every request sent so far.
void SyncX();

}  // namespace zel::test
