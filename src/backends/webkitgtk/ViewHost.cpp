#include "backends/webkitgtk/ViewHost.h"

#include <algorithm>

namespace {

struct ZelViewHost {
  GtkContainer parent;
  GtkWidget* child;
  gboolean hasBounds;
  GdkRectangle bounds;
};

struct ZelViewHostClass {
  GtkContainerClass parent_class;
};

G_DEFINE_TYPE(ZelViewHost, zel_view_host, GTK_TYPE_CONTAINER)

ZelViewHost* Host(gpointer widget) { return reinterpret_cast<ZelViewHost*>(widget); }

void HostAdd(GtkContainer* container, GtkWidget* child) {
  ZelViewHost* self = Host(container);
  if (self->child) return;
  self->child = child;
  gtk_widget_set_parent(child, GTK_WIDGET(container));
}

void HostRemove(GtkContainer* container, GtkWidget* child) {
  ZelViewHost* self = Host(container);
  if (self->child != child) return;
  gboolean visible = gtk_widget_get_visible(child);
  gtk_widget_unparent(child);
  self->child = nullptr;
  if (visible) gtk_widget_queue_resize(GTK_WIDGET(container));
}

void HostForall(GtkContainer* container, gboolean, GtkCallback callback, gpointer data) {
  ZelViewHost* self = Host(container);
  if (self->child) callback(self->child, data);
}

// The host asks for no room of its own: the parent decides its size.
void HostPreferredWidth(GtkWidget*, int* minimum, int* natural) { *minimum = *natural = 0; }
void HostPreferredHeight(GtkWidget*, int* minimum, int* natural) { *minimum = *natural = 0; }

void HostSizeAllocate(GtkWidget* widget, GtkAllocation* allocation) {
  ZelViewHost* self = Host(widget);
  gtk_widget_set_allocation(widget, allocation);
  if (!self->child || !gtk_widget_get_visible(self->child)) return;
  GtkAllocation area = *allocation;
  if (self->hasBounds) {
    int left = std::clamp(self->bounds.x, 0, allocation->width);
    int top = std::clamp(self->bounds.y, 0, allocation->height);
    int right = std::clamp(self->bounds.x + self->bounds.width, left, allocation->width);
    int bottom = std::clamp(self->bounds.y + self->bounds.height, top, allocation->height);
    area = {allocation->x + left, allocation->y + top, right - left, bottom - top};
  }
  // GTK expects a size request before every allocation.
  int minimum = 0, natural = 0;
  gtk_widget_get_preferred_width(self->child, &minimum, &natural);
  gtk_widget_get_preferred_height_for_width(self->child, area.width, &minimum, &natural);
  area.width = std::max(area.width, 1);
  area.height = std::max(area.height, 1);
  gtk_widget_size_allocate(self->child, &area);
}

GType HostChildType(GtkContainer* container) {
  return Host(container)->child ? G_TYPE_NONE : GTK_TYPE_WIDGET;
}

void zel_view_host_class_init(ZelViewHostClass* klass) {
  GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
  widget->get_preferred_width = HostPreferredWidth;
  widget->get_preferred_height = HostPreferredHeight;
  widget->size_allocate = HostSizeAllocate;
  GtkContainerClass* container = GTK_CONTAINER_CLASS(klass);
  container->add = HostAdd;
  container->remove = HostRemove;
  container->forall = HostForall;
  container->child_type = HostChildType;
}

void zel_view_host_init(ZelViewHost* self) {
  gtk_widget_set_has_window(GTK_WIDGET(self), FALSE);
  self->child = nullptr;
  self->hasBounds = FALSE;
  self->bounds = {0, 0, 0, 0};
}

}  // namespace

namespace zel {

GtkWidget* NewViewHost() { return GTK_WIDGET(g_object_new(zel_view_host_get_type(), nullptr)); }

void ViewHostSetBounds(GtkWidget* host, int left, int top, int width, int height) {
  ZelViewHost* self = Host(host);
  self->hasBounds = width >= 0 && height >= 0;
  self->bounds = {left, top, std::max(width, 0), std::max(height, 0)};
  // Bounds set while GTK allocates (the window's content was just resized)
  // would wait for a later allocation that a queued resize does not bring:
  // the view takes them at once within the host's current allocation.
  if (gtk_widget_get_realized(host)) {
    GtkAllocation allocation;
    gtk_widget_get_allocation(host, &allocation);
    HostSizeAllocate(host, &allocation);
  }
  gtk_widget_queue_resize(host);
}

}  // namespace zel
