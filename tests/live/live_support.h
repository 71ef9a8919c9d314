// Helpers for live tests: small images and paths built in the running GIMP,
// deleted again when the test ends.
#pragma once

#include <gtk/gtk.h>
#include <libgimp/gimp.h>

#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// An RGB image with one white layer "Background"; deleted on scope exit.
struct QVTestImage {
  gint32 id = -1;
  gint32 layer = -1;
  QVTestImage(int width = 64, int height = 64);
  ~QVTestImage();
  QVTestImage(const QVTestImage &) = delete;
  QVTestImage &operator=(const QVTestImage &) = delete;
};

// Adds an open path through the anchors (x, y pairs); returns its vectors id.
gint32 qv_test_add_path(gint32 image, const std::string &name, const std::vector<double> &anchors);

gint32 qv_test_tattoo(gint32 vectors);

// Attaches raw bytes as an image parasite (persistent).
void qv_test_attach(gint32 image, const std::string &name, const std::string &bytes);

// The bytes of an image parasite, or "<none>".
std::string qv_test_parasite(gint32 image, const std::string &name);

std::vector<std::string> qv_test_path_names(gint32 image);
std::vector<std::string> qv_test_layer_names(gint32 image);

// A closed path through the anchors (x, y pairs), made current.
gint32 qv_test_add_closed_path(gint32 image, const std::string &name,
                               const std::vector<double> &anchors);

// Removes a scratch folder of files (no sub-folders) that a test made.
void qv_test_remove_folder(const std::string &dir);

// A 20 × 20 box at (10, 10) with the keyspline "[@] colour", whose fill runs
// from red (t = 0) to blue (t = 1) over the box: what rendering tests draw.
void qv_test_add_colour_keyspline(gint32 image);

// A drawable's pixel as R, G, B, A (A 255 for drawables without alpha).
using QVTestPixel = std::array<int, 4>;
QVTestPixel qv_test_pixel(gint32 drawable, int x, int y);
std::string qv_test_pixel_text(const QVTestPixel &p);

// The visible dialog with exactly this title, or null.
GtkWidget *qv_test_visible_dialog(const std::string &title);

// Answers the next dialog whose title starts with `title` once it shows:
// `prepare` (when set) runs on it first, to fill its fields or take a
// screenshot, then the dialog gets `response`. It looks every 50 ms for up
// to 10 s from the main loop that the dialog's run spins; the record must
// live until then. `answered` says whether the answer was given.
struct QVTestAnswer {
  explicit QVTestAnswer(std::string title_, int response_ = GTK_RESPONSE_OK,
                        std::function<void(GtkWidget *)> prepare_ = {})
      : title(std::move(title_)), response(response_), prepare(std::move(prepare_)) {}
  std::string title;
  int response;
  std::function<void(GtkWidget *)> prepare;
  bool answered = false;
  int attempts = 0;
};
void qv_test_answer(QVTestAnswer &answer);

// The first widget of that type in the widget's tree (the widget itself
// included), or null.
GtkWidget *qv_test_find_widget(GtkWidget *widget, GType type);

// Runs the main loop for about that long one dispatch at a time: a running
// frame job always has its next step pending, which would keep a loop
// "while events are pending" (qv_test_pump) from ever returning.
void qv_test_run_for(int milliseconds);

// Lets GTK finish what it does asynchronously (a file chooser reads its
// folder, a window draws) for about that long.
void qv_test_pump(int milliseconds);
