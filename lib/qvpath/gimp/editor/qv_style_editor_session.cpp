#include "gimp/editor/qv_style_editor_session.h"

#include <algorithm>
#include <vector>

#include "core/qv_glib_ptr.h"
#include "core/qv_style.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/base/qv_render_session.h"
#include "gimp/editor/qv_style_editor_menus.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_helper_paths.h"

namespace {

constexpr const char *kGeometryKey = "qv-pathstyle-dialog-position";
constexpr int kTimerMs = 300;

gboolean on_timer(gpointer data) {
  qv_style_editor_tick(*static_cast<QVStyleEditor *>(data));
  return G_SOURCE_CONTINUE;
}

}  // namespace

bool qv_style_editor_claim(gint32 image) {
  const auto marker = qv_style_editor_read_marker();
  if (marker && *marker >= 0) {
    qv_style_editor_write_marker(-image);
    return false;
  }
  qv_style_editor_write_marker(image);
  return true;
}

void qv_style_editor_close(QVStyleEditor &e) {
  e.timer.reset();
  if (gimp_image_is_valid(e.image)) {
    std::vector<long> tattoos;
    for (const auto &p : qv_path_list(e.image))
      tattoos.push_back(qv_path_tattoo(e.image, p.name.c_str()));
    gint count = 0;
    for (const std::string &name :
         qv_take_string_array(gimp_image_get_parasite_list(e.image, &count), count)) {
      if (!qv_is_any_per_path_parasite(name)) continue;
      const bool owned = std::any_of(tattoos.begin(), tattoos.end(), [&](long tattoo) {
        return qv_is_per_path_parasite(name, tattoo);
      });
      if (!owned) qv_parasite_remove(e.image, name.c_str());
    }
    qv_helpers_cleanup(e.image);
    qv_set_fade_opacity(e.image, 1.0);
  }
  gimp_detach_parasite(QV_EDITOR_MARKER);
}

std::unique_ptr<QVStyleEditor> qv_style_editor_open(gint32 image) {
  auto editor = qv_style_editor_build(image);
  qv_style_editor_menus_connect(*editor);
  return editor;
}

void qv_style_editor_run(gint32 image) {
  if (!qv_style_editor_claim(image)) return;
  if (!qv_dialog_toolkit_init()) {
    gimp_detach_parasite(QV_EDITOR_MARKER);
    return;
  }
  auto editor = qv_style_editor_open(image);
  GtkWindow *window = GTK_WINDOW(editor->dialog.get());
  int state = 0;
  const int flags = qv_dialog_geometry_restore(window, kGeometryKey, &state);
  if (flags & QV_GEOMETRY_EXTRA)
    gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(editor->w.always_on_top), TRUE);
  gtk_widget_show(editor->dialog.get());
  editor->timer.start(kTimerMs, on_timer, editor.get());
  // Draw and Relock are answered by the dialog's response handler; only
  // closing the window ends the loop.
  while (gtk_dialog_run(GTK_DIALOG(window)) != GTK_RESPONSE_DELETE_EVENT) {
  }
  editor->timer.reset();
  qv_dialog_geometry_save(window, kGeometryKey, state,
                          QV_GEOMETRY_POSITION | (editor->keep_above ? QV_GEOMETRY_EXTRA : 0));
  qv_style_editor_close(*editor);
}
