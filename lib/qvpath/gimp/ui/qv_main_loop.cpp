#include "gimp/ui/qv_main_loop.h"

#include <memory>

namespace {

struct QVMainLoopUnref {
  void operator()(GMainLoop *loop) const { g_main_loop_unref(loop); }
};

// A destroyed GtkWindow leaves GTK's list of toplevels; a widget that is not
// a window counts as alive until its "destroy" ends the loop.
bool already_destroyed(GtkWidget *widget) {
  if (!GTK_IS_WINDOW(widget)) return false;
  GList *toplevels = gtk_window_list_toplevels();
  const bool listed = g_list_find(toplevels, widget) != nullptr;
  g_list_free(toplevels);
  return !listed;
}

}  // namespace

void QVTimeoutHolder::reset(guint id) {
  const guint old = std::exchange(id_, id);
  if (old == 0 || old == id) return;
  // Looking the id up first spares GLib's warning for a source that already
  // ended; the lookup gives nothing for a destroyed source.
  if (GSource *source = g_main_context_find_source_by_id(nullptr, old)) g_source_destroy(source);
}

void QVTimeoutHolder::start(guint interval_ms, GSourceFunc callback, gpointer data) {
  reset(g_timeout_add(interval_ms, callback, data));
}

void qv_run_until_destroyed(GtkWidget *window) {
  g_return_if_fail(GTK_IS_WIDGET(window));
  g_object_ref(window);
  const std::unique_ptr<GMainLoop, QVMainLoopUnref> loop(g_main_loop_new(nullptr, FALSE));
  const gulong handler =
      g_signal_connect_swapped(window, "destroy", G_CALLBACK(g_main_loop_quit), loop.get());
  if (!already_destroyed(window)) {
    GDK_THREADS_LEAVE();
    g_main_loop_run(loop.get());
    GDK_THREADS_ENTER();
  }
  if (g_signal_handler_is_connected(window, handler)) g_signal_handler_disconnect(window, handler);
  g_object_unref(window);
}
