#include "live_support.h"

#include <glib/gstdio.h>

#include "core/qv_glib_ptr.h"
#include "gimp/base/qv_parasite.h"
#include "gimp/paths/qv_paths.h"
#include "gimp/style/qv_style_gimp.h"

QVTestImage::QVTestImage(int width, int height) {
  id = gimp_image_new(width, height, GIMP_RGB);
  layer =
      gimp_layer_new(id, "Background", width, height, GIMP_RGBA_IMAGE, 100, GIMP_LAYER_MODE_NORMAL);
  gimp_image_insert_layer(id, layer, 0, -1);
  gimp_drawable_fill(layer, GIMP_FILL_WHITE);
}

QVTestImage::~QVTestImage() {
  if (gimp_image_is_valid(id)) gimp_image_delete(id);
}

gint32 qv_test_add_path(gint32 image, const std::string &name, const std::vector<double> &anchors) {
  const gint32 vectors = gimp_vectors_new(image, name.c_str());
  std::vector<double> cps;
  for (size_t i = 0; i + 1 < anchors.size(); i += 2)
    for (int k = 0; k < 3; ++k) cps.insert(cps.end(), {anchors[i], anchors[i + 1]});
  gimp_vectors_stroke_new_from_points(vectors, GIMP_VECTORS_STROKE_TYPE_BEZIER,
                                      static_cast<gint>(cps.size()), cps.data(), FALSE);
  gimp_image_insert_vectors(image, vectors, 0, -1);
  return vectors;
}

gint32 qv_test_tattoo(gint32 vectors) { return static_cast<gint32>(gimp_item_get_tattoo(vectors)); }

void qv_test_attach(gint32 image, const std::string &name, const std::string &bytes) {
  gimp_image_attach_new_parasite(image, name.c_str(), GIMP_PARASITE_PERSISTENT, bytes.size(),
                                 bytes.data());
}

std::string qv_test_parasite(gint32 image, const std::string &name) {
  const auto bytes = qv_image_parasite_bytes(image, name.c_str());
  if (!bytes) return "<none>";
  return std::string(bytes->begin(), bytes->end());
}

std::vector<std::string> qv_test_path_names(gint32 image) {
  std::vector<std::string> names;
  for (const auto &p : qv_path_list(image)) names.push_back(p.name);
  return names;
}

gint32 qv_test_add_closed_path(gint32 image, const std::string &name,
                               const std::vector<double> &anchors) {
  const gint32 closed = gimp_vectors_new(image, name.c_str());
  std::vector<double> cps;
  for (size_t i = 0; i + 1 < anchors.size(); i += 2)
    for (int k = 0; k < 3; ++k) cps.insert(cps.end(), {anchors[i], anchors[i + 1]});
  gimp_vectors_stroke_new_from_points(closed, GIMP_VECTORS_STROKE_TYPE_BEZIER,
                                      static_cast<gint>(cps.size()), cps.data(), TRUE);
  gimp_image_insert_vectors(image, closed, 0, -1);
  gimp_image_set_active_vectors(image, closed);
  return closed;
}

QVTestPixel qv_test_pixel(gint32 drawable, int x, int y) {
  gint channels = 0;
  const auto bytes = qv_take_array(gimp_drawable_get_pixel(drawable, x, y, &channels), channels);
  QVTestPixel p = {0, 0, 0, 255};
  for (size_t i = 0; i < bytes.size() && i < 4; ++i) p[i] = bytes[i];
  return p;
}

std::string qv_test_pixel_text(const QVTestPixel &p) {
  return std::to_string(p[0]) + " " + std::to_string(p[1]) + " " + std::to_string(p[2]) + " " +
         std::to_string(p[3]);
}

GtkWidget *qv_test_visible_dialog(const std::string &title) {
  GList *windows = gtk_window_list_toplevels();
  GtkWidget *found = nullptr;
  for (GList *l = windows; l && !found; l = l->next) {
    GtkWidget *w = GTK_WIDGET(l->data);
    const char *t = gtk_window_get_title(GTK_WINDOW(w));
    if (GTK_IS_DIALOG(w) && gtk_widget_get_visible(w) && t && title == t) found = w;
  }
  g_list_free(windows);
  return found;
}

namespace {
gboolean answer_when_shown(gpointer data) {
  auto &answer = *static_cast<QVTestAnswer *>(data);
  GtkWidget *found = nullptr;
  GList *windows = gtk_window_list_toplevels();
  for (GList *l = windows; l && !found; l = l->next) {
    GtkWidget *w = GTK_WIDGET(l->data);
    const char *t = gtk_window_get_title(GTK_WINDOW(w));
    if (GTK_IS_DIALOG(w) && gtk_widget_get_visible(w) && t &&
        std::string(t).compare(0, answer.title.size(), answer.title) == 0)
      found = w;
  }
  g_list_free(windows);
  if (!found) return ++answer.attempts < 200;
  if (answer.prepare) answer.prepare(found);
  answer.answered = true;
  gtk_dialog_response(GTK_DIALOG(found), answer.response);
  return FALSE;
}
}  // namespace

void qv_test_run_for(int milliseconds) {
  const gint64 end = g_get_monotonic_time() + gint64(milliseconds) * 1000;
  while (g_get_monotonic_time() < end) {
    gtk_main_iteration_do(FALSE);
    g_usleep(1000);
  }
}

void qv_test_answer(QVTestAnswer &answer) {
  answer.answered = false;
  answer.attempts = 0;
  g_timeout_add(50, answer_when_shown, &answer);
}

GtkWidget *qv_test_find_widget(GtkWidget *widget, GType type) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type)) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GList *children = gtk_container_get_children(GTK_CONTAINER(widget));
  GtkWidget *found = nullptr;
  for (GList *l = children; l && !found; l = l->next)
    found = qv_test_find_widget(GTK_WIDGET(l->data), type);
  g_list_free(children);
  return found;
}

std::vector<std::string> qv_test_layer_names(gint32 image) {
  gint count = 0;
  const auto layers = qv_take_array(gimp_image_get_layers(image, &count), count);
  std::vector<std::string> names;
  for (gint32 layer : layers) names.push_back(qv_take_string(gimp_item_get_name(layer)));
  return names;
}

void qv_test_pump(int milliseconds) {
  const gint64 end = g_get_monotonic_time() + milliseconds * 1000;
  while (g_get_monotonic_time() < end) {
    while (gtk_events_pending()) gtk_main_iteration();
    g_usleep(10000);
  }
}

void qv_test_add_colour_keyspline(gint32 image) {
  const gint32 box = qv_test_add_closed_path(image, "Box", {10, 10, 30, 10, 30, 30, 10, 30});
  qv_path_store_style(image, "Box", "fill: 0 0 0");
  qv_test_add_path(image, "[@] colour", {39, 0, 39, 39});
  qv_path_store_style(image, "[@] colour",
                      "@-tattoos: " + std::to_string(qv_test_tattoo(box)) +
                          "\tfill: 255 0 0;0 0 255\t@-color-mode: RGB");
}

void qv_test_remove_folder(const std::string &dir) {
  if (GDir *d = g_dir_open(dir.c_str(), 0, nullptr)) {
    while (const char *name = g_dir_read_name(d)) g_remove((dir + "/" + name).c_str());
    g_dir_close(d);
  }
  g_rmdir(dir.c_str());
}
